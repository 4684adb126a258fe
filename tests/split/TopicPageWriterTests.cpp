#include "split/DefaultHeader.h"
#include "split/PageFrame.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PageFrame, FixedTexts) {
    EXPECT_EQ(PageHead(),
              "<html> \r\n<head> \r\n<meta http-equiv=Content-Type content=\"text/html; "
              "charset=gb2312\"> \r\n<meta name=Generator content=\"Microsoft Word 10 "
              "(filtered)\"> \r\n<title> ");
    EXPECT_EQ(PageTail(), "</div> \r\n</body> \r\n</html> ");
    EXPECT_EQ(CreditLine().rfind("<font color=\"ffffff\">Powered By ", 0), 0u);
    EXPECT_NE(CreditLine().find("&nbsp;&nbsp<a href="), std::string::npos);
    EXPECT_TRUE(CreditLine().ends_with("</font></a></font>"));
}

TEST(PageFrame, DefaultHeaderHasWordsStructure) {
    const std::string& text = DefaultAfterTitle();
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
    EXPECT_EQ(ReadSourceHead(dir / "a.htm"),
              "</title><style>s</style></head><body lang=ZH-CN><div class=Section1 style='x'>");
    test::writeFile(dir / "b.htm", "<html><body><div>no title</div>");
    EXPECT_EQ(ReadSourceHead(dir / "b.htm"), "");
    test::writeFile(dir / "c.htm", "<title>x</title><body>no div");
    EXPECT_EQ(ReadSourceHead(dir / "c.htm"), "");
}

} // namespace
} // namespace qm
