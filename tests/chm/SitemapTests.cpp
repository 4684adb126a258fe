#include "chm/Sitemap.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(Sitemap, ReadsNestedEntriesAndSiteProperties) {
    Sitemap map = parseSitemap(
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML><HEAD>\r\n"
        "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\r\n"
        "<!-- Sitemap 1.0 -->\r\n</HEAD><BODY>\r\n<OBJECT type=\"text/site properties\">\r\n"
        "<param name=\"Window Styles\" value=\"0xA25\">\r\n<param name=\"Font\" "
        "value=\"宋体,9,134\">\r\n"
        "</OBJECT>\r\n<UL>\r\n<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" "
        "value=\"首页\">\r\n"
        "<param name=\"Local\" value=\"manual.Content\\首页.1.htm\">\r\n</OBJECT>\r\n<UL>\r\n"
        "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
        "<param name=\"Local\" value=\"a.htm#x\"></OBJECT>\r\n</UL>\r\n"
        "<LI> <object type=\"TEXT/SITEMAP\"><PARAM NAME=\"name\" "
        "VALUE=\"Book\"></object>\r\n</UL></BODY></HTML>");
    EXPECT_EQ(map.property("window styles"), "0xA25");
    EXPECT_EQ(map.property("Font"), "宋体,9,134");
    ASSERT_EQ(map.entries.size(), 3u);
    EXPECT_EQ(map.entries[0].name(), "首页");
    EXPECT_EQ(map.entries[0].depth, 0);
    EXPECT_EQ(map.entries[0].locals(), std::vector<std::string>{"manual.Content\\首页.1.htm"});
    EXPECT_EQ(map.entries[1].name(), "A & B");
    EXPECT_EQ(map.entries[1].depth, 1);
    EXPECT_EQ(map.entries[2].name(), "Book");
    EXPECT_TRUE(map.entries[2].locals().empty());
}

TEST(Sitemap, IndexEntriesMayCarrySeveralNames) {
    Sitemap map =
        parseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"k\">"
                     "<param name=\"Name\" value=\"k2\"><param name=\"Local\" value=\"a.htm\">"
                     "<param name=\"Local\" value=\"b.htm\"></OBJECT></UL>");
    ASSERT_EQ(map.entries.size(), 1u);
    EXPECT_EQ(map.entries[0].name(), "k");
    EXPECT_EQ(map.entries[0].locals().size(), 2u);
}

TEST(Sitemap, SurvivesUnclosedObjectsAndStrayTags) {
    Sitemap map =
        parseSitemap("</UL></UL><OBJECT type=\"text/sitemap\"><param name=Name value=One>"
                     "<OBJECT type=\"text/sitemap\"><param name=\"Local\" value='two.htm'");
    ASSERT_EQ(map.entries.size(), 2u);
    EXPECT_EQ(map.entries[0].name(), "One");
    EXPECT_EQ(map.entries[1].locals(), std::vector<std::string>{"two.htm"});
}
