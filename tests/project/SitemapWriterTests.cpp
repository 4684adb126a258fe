#include "project/SitemapWriter.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const std::string kHeader =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"> \r\n<HTML> \r\n<HEAD> \r\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\"> "
    "\r\n<!-- Sitemap 1.0 --> \r\n</HEAD><BODY><UL>";

std::string entry(const std::string& title, const std::string& pos, bool index,
                  const std::string& shown = {}) {
    std::string name =
        "<param name=\"Name\" value=\"" + (shown.empty() ? title : shown) + "\"> \r\n";
    return "<LI> <OBJECT type=\"text/sitemap\"> \r\n" + name + (index ? name : "") +
           "<param name=\"Local\" value=\"M.Content\\" + title + "." + pos +
           ".htm\"> \r\n</OBJECT> ";
}

TEST(Sitemap, EmptyTreeGivesHeaderAndFooterOnly) {
    test::TempDir dir;
    writeContentsAndIndex(StructureTree(), "M.Content\\", dir / "M.hhc", dir / "M.hhk");
    EXPECT_EQ(test::readFile(dir / "M.hhc"), kHeader + "\r\n</UL></BODY></HTML>\r\n");
    EXPECT_EQ(test::readFile(dir / "M.hhk"), kHeader + " \r\n</UL></BODY></HTML>\r\n");
}

TEST(Sitemap, NestedTreeInPreOrderWithLevelMarkers) {
    StructureTree tree;
    StructureNode& a = tree.append(nullptr);
    a.title = "A";
    a.position = "2";
    StructureNode& b = tree.append(&a);
    b.title = "1.2" + gbk::fromUtf8("概述");
    b.position = "2048";
    StructureNode& c = tree.append(&a);
    c.title = "C";
    // Escaped with the four entities sitemaps know; a character GBK lacks stays a reference.
    c.heading = "C# \"%\" & <b>&#50672;";
    c.position = "3000000000"; // beyond 32 bits
    StructureNode& d = tree.append(nullptr);
    d.title = "D";
    d.position = "0";
    std::vector<std::string> contents, index;
    SitemapWriter("M.Content\\").build(tree, contents, index);
    std::vector<std::string> expected = {
        kHeader,
        entry("A", "2", false),
        "<UL>",
        entry(b.title, "2048", false),
        entry("C", "3000000000", false, "C# &quot;%&quot; &amp; &lt;b&gt;&#50672;"),
        "</UL>",
        entry("D", "0", false),
        "</UL></BODY></HTML>"};
    EXPECT_EQ(contents, expected);
    ASSERT_EQ(index.size(), expected.size());
    EXPECT_EQ(index[0], kHeader + " ");
    EXPECT_EQ(index[1], entry("A", "2", true));
    EXPECT_EQ(index[2], "<UL>");
}

TEST(Sitemap, SingleRootHasNoLevelMarkers) {
    StructureTree tree;
    StructureNode& a = tree.append(nullptr);
    a.title = gbk::fromUtf8("首页");
    a.position = "1";
    std::vector<std::string> contents, index;
    SitemapWriter("Manual.Content\\").build(tree, contents, index);
    EXPECT_EQ(contents.size(), 3u);
    EXPECT_NE(contents[1].find(gbk::fromUtf8("value=\"Manual.Content\\首页.1.htm\"")),
              std::string::npos);
}

} // namespace
} // namespace qm
