#include "run/CopyFolder.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

TEST(CopyFolder, CopiesIntoASubfolderOfTheSameName) {
    test::TempDir dir;
    test::writeFile(dir / "src.files" / "a.png", "a");
    std::filesystem::create_directory(dir / "dest");
    ASSERT_TRUE(copyFolder(dir / "src.files", dir / "dest"));
    EXPECT_EQ(test::readFile(dir / "dest" / "src.files" / "a.png"), "a");
}

TEST(CopyFolder, FailuresAreFalse) {
    test::TempDir dir;
    EXPECT_FALSE(copyFolder(dir / "missing", dir.path()));
    test::writeFile(dir / "src" / "a", "a");
    EXPECT_FALSE(copyFolder(dir / "src", dir / "no-such-dest"));
    if (getuid() != 0) { // root writes anywhere
        std::filesystem::create_directory(dir / "ro");
        std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
        EXPECT_FALSE(copyFolder(dir / "src", dir / "ro"));
    }
}

TEST(CopyFolder, SymbolicLinksAreNotFollowedButReported) {
    test::TempDir dir;
    test::writeFile(dir / "private.txt", "private");
    test::writeFile(dir / "elsewhere" / "b.png", "private");
    test::writeFile(dir / "src.files" / "a.png", "a");
    std::filesystem::create_symlink(dir / "private.txt", dir / "src.files" / "image002.png");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "src.files" / "more");
    std::filesystem::create_directory(dir / "dest");
    // A link left at the target by an earlier copy is replaced, not written through.
    std::filesystem::create_directories(dir / "dest" / "src.files");
    std::filesystem::create_symlink(dir / "private.txt", dir / "dest" / "src.files" / "a.png");

    std::vector<std::filesystem::path> skipped;
    ASSERT_TRUE(copyFolder(dir / "src.files", dir / "dest", &skipped));
    EXPECT_EQ(test::readFile(dir / "dest" / "src.files" / "a.png"), "a");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "dest" / "src.files" / "a.png"));
    EXPECT_EQ(test::readFile(dir / "private.txt"), "private");
    EXPECT_FALSE(std::filesystem::exists(dir / "dest" / "src.files" / "image002.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "dest" / "src.files" / "more"));
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped, (std::vector<std::filesystem::path>{dir / "src.files" / "image002.png",
                                                           dir / "src.files" / "more"}));
}

} // namespace
} // namespace qm
