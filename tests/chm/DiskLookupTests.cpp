#include "chm/DiskLookup.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(DiskLookup, JoinsReferencesToFolders) {
    EXPECT_EQ(joinProjectPath("", "a\\b.htm"), "a/b.htm");
    EXPECT_EQ(joinProjectPath("x/y", "../b.htm"), "x/b.htm");
    EXPECT_EQ(joinProjectPath("x/y", "./c/./d.htm"), "x/y/c/d.htm");
    EXPECT_EQ(joinProjectPath("x/y", "/top.htm"), "top.htm");
    EXPECT_FALSE(joinProjectPath("", "../out.htm"));
    EXPECT_FALSE(joinProjectPath("x", "../../out.htm"));
    EXPECT_FALSE(joinProjectPath("", "./"));
    EXPECT_EQ(folderOf("a/b/c.htm"), "a/b");
    EXPECT_EQ(folderOf("c.htm"), "");
}

TEST(DiskLookup, FindsFilesIgnoringLetterCaseWhenTheExactNameIsMissing) {
    qm::test::TempDir dir;
    qm::test::writeFile(dir / "Html/Index.HTM", "a");
    qm::test::writeFile(dir / "Html/index.htm", "b");
    qm::test::writeFile(dir / "图片/Ä.png", "c");
    DiskLookup disk(dir.path());

    auto exact = disk.findFile("Html/index.htm");
    ASSERT_TRUE(exact);
    EXPECT_FALSE(exact->caseAdjusted);
    EXPECT_EQ(exact->name, "Html/index.htm");

    auto folded = disk.findFile("html/INDEX.htm");
    ASSERT_TRUE(folded);
    EXPECT_TRUE(folded->caseAdjusted);
    EXPECT_EQ(folded->name.substr(0, 5), "Html/");

    auto unicode = disk.findFile("图片/ä.PNG");
    ASSERT_TRUE(unicode);
    EXPECT_EQ(unicode->name, "图片/Ä.png");

    EXPECT_FALSE(disk.findFile("Html")); // a folder is not a file
    EXPECT_FALSE(disk.findFile("missing.htm"));
    EXPECT_FALSE(disk.findFile("Html/index.htm/x"));
}
