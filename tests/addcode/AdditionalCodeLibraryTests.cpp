#include "addcode/AdditionalCodeFile.h"
#include "addcode/AdditionalCodeLibrary.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

TEST(AdditionalCodeLibrary, ListsEveryAhtmlNameFoldersIncluded) {
    test::TempDir dir;
    test::writeFile(dir / "banner.ahtml", "x");
    test::writeFile(dir / "UPPER.AHTML", "x");
    test::writeFile(dir.path() / gbk::toPath(gbk::fromUtf8("公司页眉.ahtml")), "x");
    test::writeFile(dir / "two.dots.ahtml", "x");
    std::filesystem::create_directory(dir / "x.ahtml");
    // Not matches: other extensions, and names that merely contain ".ahtml".
    test::writeFile(dir / "notes.txt", "x");
    test::writeFile(dir / "old.ahtml.bak", "x");
    test::writeFile(dir / "ahtml", "x");
    std::filesystem::create_directory(dir / "sub");
    test::writeFile(dir / "sub" / "deep.ahtml", "x");

    std::vector<AdditionalCodeFileEntry> entries = listAdditionalCodeFiles(dir.path());
    std::vector<std::string> titles;
    for (const AdditionalCodeFileEntry& entry : entries) {
        titles.push_back(entry.title);
        EXPECT_EQ(entry.position.parent_path(), dir.path());
        EXPECT_TRUE(std::filesystem::exists(entry.position)) << entry.position;
    }
    std::sort(titles.begin(), titles.end());
    std::vector<std::string> expected = {"UPPER", "banner", "two.dots", "x",
                                         gbk::fromUtf8("公司页眉")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(titles, expected);
}

TEST(AdditionalCodeLibrary, NothingStoredGivesAnEmptyList) {
    test::TempDir dir;
    EXPECT_TRUE(listAdditionalCodeFiles(dir.path()).empty());
    EXPECT_TRUE(listAdditionalCodeFiles(dir / "missing").empty());
}

// The examples the Windows installer and zip put beside the program: each one loads
// and adds code to a page.
TEST(AdditionalCodeLibrary, ShippedExamplesLoad) {
    std::vector<AdditionalCodeFileEntry> entries =
        listAdditionalCodeFiles(std::filesystem::path(QM_SOURCE_DIR) / "packaging/additional-code");
    ASSERT_GE(entries.size(), 2u);
    for (const AdditionalCodeFileEntry& entry : entries) {
        LoadedAdditionalCode code = loadAdditionalCodeFile(entry.position);
        EXPECT_FALSE(code.beforeEntry.value_or("").empty() && code.afterEntry.value_or("").empty())
            << entry.position;
    }
}

} // namespace
} // namespace qm
