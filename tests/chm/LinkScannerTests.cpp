#include "chm/LinkScanner.h"

#include "text/Gbk.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace qm::chm;

namespace {

bool has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace

TEST(LinkScanner, FindsTheFilesAPageUses) {
    PageLinks page = scanPage(
        "<html><head><title> The   Title </title><link rel=stylesheet href=\"css/style.css\">"
        "<script src='js/app.js'>if (a<b) document.write('<img src=\"not.gif\">');</script>"
        "<style>body { background: url(\"img/bg.png\") } @import 'more.css';</style></head>"
        "<body background=back.jpg><img src=pic.gif lowsrc=\"low.gif\"><a "
        "href=\"other.htm#top\">x</a>"
        "<a href=\"http://example.com/x.htm\">web</a><a href=\"mailto:a@b.c\">m</a><a "
        "href=\"#local\">l</a>"
        "<a href=\"ms-its:other.chm::/a.htm\">o</a><a href=\"C:\\abs.htm\">c</a>"
        "<object data=\"movie.swf\"><param name=\"movie\" value=\"movie2.swf\"></object>"
        "<embed src=\"clip.avi\"><td style=\"background-image:url(cell.png)\"></td>"
        "<a href=\"sub/page.htm?x=1\">q</a><!-- <img src=\"commented.gif\"> --><iframe "
        "src=\"frame.htm\"></iframe>"
        "<meta http-equiv=\"refresh\" content=\"0; URL=next.htm\"></body></html>",
        "windows-1252");
    EXPECT_EQ(page.title, "The Title");
    for (const char* expected : {"css/style.css", "js/app.js", "img/bg.png", "more.css", "back.jpg",
                                 "pic.gif", "low.gif", "other.htm", "movie.swf", "movie2.swf",
                                 "clip.avi", "cell.png", "sub/page.htm", "frame.htm", "next.htm"})
        EXPECT_TRUE(has(page.links, expected)) << expected;
    for (const char* unexpected :
         {"not.gif", "commented.gif", "http://example.com/x.htm", "a@b.c", "#local"})
        EXPECT_FALSE(has(page.links, unexpected)) << unexpected;
    EXPECT_EQ(
        std::count_if(page.links.begin(), page.links.end(),
                      [](const std::string& l) { return l.find("abs.htm") != std::string::npos; }),
        0);
}

TEST(LinkScanner, DecodesLinksFromThePagesCharset) {
    std::string page = qm::gbk::fromUtf8("<html><head><meta http-equiv=Content-Type "
                                         "content=\"text/html; charset=gb2312\"><title>首页</title>"
                                         "</head><body><img src=\"manual.files/图片.png\"><a "
                                         "href=\"1概述.248.htm\">概述</a></body></html>");
    PageLinks links = scanPage(page, "windows-1252");
    EXPECT_EQ(links.charset, "GBK");
    EXPECT_EQ(links.title, "首页");
    EXPECT_TRUE(has(links.links, "manual.files/图片.png"));
    EXPECT_TRUE(has(links.links, "1概述.248.htm"));
}

TEST(LinkScanner, DecodesPercentEscapesAndCharacterReferences) {
    PageLinks links = scanPage(
        "<meta charset=\"utf-8\"><a href=\"a%20b.htm\">1</a><a href=\"%E9%A6%96.htm\">2</a>"
        "<a href=\"x&amp;y.htm\">3</a><a href=\"&#39318;.htm\">4</a>",
        "GBK");
    EXPECT_TRUE(has(links.links, "a b.htm"));
    EXPECT_TRUE(has(links.links, "首.htm"));
    EXPECT_TRUE(has(links.links, "x&y.htm"));
    EXPECT_TRUE(has(links.links, "首.htm"));
    // GBK bytes escaped with % in a GBK page.
    EXPECT_EQ(decodeReference("%CA%D7.htm", "GBK"), "首.htm");
}

TEST(LinkScanner, ReadsUtf8AndUtf16PagesWithAByteOrderMark) {
    PageLinks utf8 = scanPage("\xEF\xBB\xBF<title>表</title><img src=\"表.png\">", "windows-31j");
    EXPECT_EQ(utf8.charset, "UTF-8");
    EXPECT_EQ(utf8.title, "表");
    EXPECT_TRUE(has(utf8.links, "表.png"));

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<img src=\"a.png\">"))
        utf16 += std::string{c, '\0'};
    PageLinks wide = scanPage(utf16, "GBK");
    EXPECT_TRUE(has(wide.links, "a.png"));
}

TEST(LinkScanner, StyleSheetsReferToFilesToo) {
    auto links =
        scanStyleSheet("@import url(base.css); h1 { background: url( 'h1.png' ) }", "UTF-8");
    EXPECT_TRUE(has(links, "base.css"));
    EXPECT_TRUE(has(links, "h1.png"));
}

TEST(LinkScanner, TellsLocalReferencesFromOthers) {
    EXPECT_TRUE(isLocalReference("a.htm"));
    EXPECT_TRUE(isLocalReference("../a.htm"));
    EXPECT_TRUE(isLocalReference("/a.htm"));
    EXPECT_FALSE(isLocalReference("https://x"));
    EXPECT_FALSE(isLocalReference("mk:@MSITStore:x.chm::/a.htm"));
    EXPECT_FALSE(isLocalReference("javascript:void(0)"));
    EXPECT_FALSE(isLocalReference("//cdn/x.js"));
    EXPECT_FALSE(isLocalReference("#anchor"));
    EXPECT_FALSE(isLocalReference(""));
}

// A nameless attribute whose value runs to the end of the page once stepped the
// tokenizer past the end, and the next read threw.
TEST(LinkScanner, StrayEqualsSignAtTheEndOfAPage) {
    for (const char* page : {"<a =\"x", "<a =x", "<img src=a.gif =", "<a ='"}) {
        EXPECT_NO_THROW(scanPage(page, "GBK")) << page;
        EXPECT_NO_THROW(declaredCharset(page)) << page;
    }
}

// The help viewer renders with Internet Explorer, which reads the VML branch of the
// conditional comments in Word's unfiltered pages: its pictures must travel too.
TEST(LinkScanner, PicturesInsideConditionalCommentsTravelButPlainCommentsStayOut) {
    PageLinks page = scanPage(
        "<body><!--[if gte vml 1]><v:background><v:fill type=\"frame\" src=\"x.files/bg.jpg\"/>"
        "</v:background><![endif]--><p><!--[if gte vml 1]><v:shape style='width:10pt'>"
        "<v:imagedata src=\"x.files/image001.png\" o:title=\"\"/></v:shape><![endif]--><![if "
        "!vml]><img src=\"x.files/image002.gif\" v:shapes=\"_x0000_i1025\"><![endif]></p>"
        "<!--[if !vml]><!--><img src=\"revealed.gif\"><!--<![endif]-->"
        "<!-- <img src=\"commented.gif\"> --><!-- [if] <img src=\"commented.gif\"> -->"
        "<img src=\"after.gif\"></body>",
        "GBK");
    for (const char* expected : {"x.files/bg.jpg", "x.files/image001.png", "x.files/image002.gif",
                                 "revealed.gif", "after.gif"})
        EXPECT_TRUE(has(page.links, expected)) << expected;
    EXPECT_FALSE(has(page.links, "commented.gif"));
}
