#include "run/CopyFolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

TEST(CopyFolder, CopiesIntoASubfolderOfTheSameName) {
    test::TempDir dir;
    test::writeFile(dir / "src.files" / "a.png", "a");
    std::filesystem::create_directory(dir / "dest");
    ASSERT_TRUE(CopyFolder(dir / "src.files", dir / "dest"));
    EXPECT_EQ(test::readFile(dir / "dest" / "src.files" / "a.png"), "a");
}

TEST(CopyFolder, FailuresAreFalse) {
    test::TempDir dir;
    EXPECT_FALSE(CopyFolder(dir / "missing", dir.path()));
    test::writeFile(dir / "src" / "a", "a");
    EXPECT_FALSE(CopyFolder(dir / "src", dir / "no-such-dest"));
    if (getuid() != 0) { // root writes anywhere
        std::filesystem::create_directory(dir / "ro");
        std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
        EXPECT_FALSE(CopyFolder(dir / "src", dir / "ro"));
    }
}

} // namespace
} // namespace qm
