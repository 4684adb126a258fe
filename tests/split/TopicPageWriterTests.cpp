#include "split/DefaultHeader.h"
#include "split/PageFrame.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PageFrame, FixedTexts) {
    EXPECT_EQ(pageFrameHead(),
              "<html> \r\n<head> \r\n<meta http-equiv=Content-Type content=\"text/html; "
              "charset=gb2312\"> \r\n<meta name=Generator content=\"Microsoft Word 10 "
              "(filtered)\"> \r\n<title>");
    EXPECT_EQ(pageFrameTail(), "</div> \r\n</body> \r\n</html> ");
    // Out of sight and out of search: a comment.
    EXPECT_EQ(creditLine().rfind("<!-- Powered By ", 0), 0u);
    EXPECT_TRUE(creditLine().ends_with(" -->"));
}

TEST(PageFrame, DefaultHeaderHasWordsStructure) {
    const std::string& text = defaultAfterTitle();
    EXPECT_EQ(
        text.rfind("</title>\r\n\r\n<style>\r\n<!--\r\n /* Font Definitions */\r\n @font-face", 0),
        0u);
    EXPECT_TRUE(
        text.ends_with("<body lang=ZH-CN link=blue vlink=purple \r\nstyle='tab-interval:21.0pt;"
                       "text-justify-trim:\r\npunctuation'>\r\n<div class=Section1 "
                       "style='layout-grid:15.6pt'>"));
    EXPECT_NE(text.find(gbk::fromUtf8("{font-family:宋体;")), std::string::npos);
    for (const char* piece :
         {" /* Style Definitions */", " p.MsoNormal, li.MsoNormal, div.MsoNormal",
          "p.MsoToc9, li.MsoToc9, div.MsoToc9", " /* Page Definitions */", " @page Section1",
          " /* List Definitions */", "span.msoDel"})
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
}

TEST(PageFrame, SourceHeadRunsFromTitleEndThroughTheFirstDiv) {
    test::TempDir dir;
    test::writeFile(dir / "a.htm", "<html><head><title>T</title><style>s</style></head>"
                                   "<body lang=ZH-CN><div class=Section1 style='x'><p>x</p></div>");
    EXPECT_EQ(readSourceHead(dir / "a.htm"),
              "</title><style>s</style></head><body lang=ZH-CN><div class=Section1 style='x'>");
}

// Whatever the page's head lacks, a topic page closes its title and head and opens a
// body and a div, keeping the page's own style sheet and body attributes.
TEST(PageFrame, HeadsWithoutTitleOrDivAreCompleted) {
    struct Case {
        const char* page;
        const char* head;
    } cases[] = {
        {"<html><head><meta a><style>s</style></head><body lang=KO><div class=W><p>x</p>",
         "</title>\r\n<meta a><style>s</style></head>\r\n<body lang=KO><div class=W>"},
        {"<html><head><title>never closed<style>s</style></head><body><p>x</p>",
         "</title>\r\n<style>s</style></head>\r\n<body>\r\n<div>"},
        {"<title>x</title><body>no div", "</title>\r\n</head>\r\n<body>\r\n<div>"},
        {"<html><body><div>no title</div>", "</title>\r\n</head>\r\n<body><div>"},
        {"<p>no markup around</p>", "</title>\r\n</head>\r\n<body>\r\n<div>"},
        // LibreOffice's page: headings first, its only divs hold the footnotes at the end.
        {"<head><title>t</title></head><body dir=ltr><p>a</p><h1>A</h1><div id=sdfootnote1>n</div>",
         "</title>\r\n</head>\r\n<body dir=ltr>\r\n<div>"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        test::writeFile(dir / "p.htm", c.page);
        EXPECT_EQ(readSourceHead(dir / "p.htm"), c.head) << c.page;
    }
}

} // namespace
} // namespace qm
