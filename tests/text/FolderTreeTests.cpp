#include "platform/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Removing a converter's leftover folder takes what is in it, never what a link in it
// points at: the user's files elsewhere stay.
TEST(FolderTree, RemovingAFolderNeverReachesThroughALink) {
    test::TempDir dir;
    test::writeFile(dir / "user" / "report.docx", "the user's");
    test::writeFile(dir / "left" / "sub" / "page.html", "ours");
    fs::create_directory_symlink(dir / "user", dir / "left" / "sub" / "linked");
    fs::create_symlink(dir / "user" / "report.docx", dir / "left" / "report.docx");

    EXPECT_EQ(removeTree(dir / "left"), 5u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "left")));
    EXPECT_EQ(test::readFile(dir / "user" / "report.docx"), "the user's");

    // A link in the place of the folder goes itself; its target stays whole.
    fs::create_directory_symlink(dir / "user", dir / "gone");
    EXPECT_EQ(entryKind(dir / "gone"), EntryKind::Link);
    EXPECT_EQ(removeTree(dir / "gone"), 1u);
    EXPECT_EQ(test::readFile(dir / "user" / "report.docx"), "the user's");
    EXPECT_FALSE(entryKind(dir / "gone").has_value());
}

} // namespace
} // namespace qm
