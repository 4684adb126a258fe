#include "word/WordDialect.h"

#include "BodySlice.h"
#include "split/PageFrame.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "word/SourceCharset.h"

#include <gtest/gtest.h>

#include <random>

namespace qm {
namespace {

// A page as LibreOffice's HTML export writes it: UTF-8, pictures beside it with
// percent-encoded names, its own divs for header, contents and footer.
const std::string kExported =
    "<!DOCTYPE html>\n<html>\n<head>\n\t<meta http-equiv=\"content-type\" "
    "content=\"text/html; charset=utf-8\"/>\n\t<title>用户手册</title>\n"
    "\t<style type=\"text/css\">p { margin: 0 } div.x { }</style>\n</head>\n"
    "<body lang=\"zh-CN\" dir=\"ltr\"><div title=\"header\"><p>页眉</p></div>\n"
    "<div id=\"Table of Contents1\"><p>目录</p></div>\n"
    "<h1 class=\"western\">第一章 安装</h1>\n"
    "<p><img src=\"%E6%89%8B%E5%86%8C_html_1a2b.png\" name=\"Image1\"/> 한국 😀</p>\n"
    "<p><img src=\"data:image/png;base64,iVBORw0KGgo=\"/>"
    "<img src=%E6%89%8B%E5%86%8C_html_1a2b.png></p>\n"
    "<p><a href=\"other.doc\">link</a></p>\n"
    "<div title=\"footer\"><p>页脚</p></div>\n</body>\n</html>";

class WordDialectTest : public ::testing::Test {
protected:
    WordPage convert(std::string_view folder = "用户手册.files") {
        return toWordDialect(kExported, {"手册_html_1a2b.png", "手册_html_unused.gif"}, folder);
    }
};

TEST_F(WordDialectTest, IsGbkDeclaringGb2312) {
    const WordPage page = convert();
    EXPECT_EQ(pageCharset(page.html), "gb2312");
    EXPECT_EQ(page.html.find("utf-8"), std::string::npos);
    EXPECT_NE(page.html.find(gbk::fromUtf8("<title>用户手册</title>")), std::string::npos);
    EXPECT_NE(page.html.find(gbk::fromUtf8("<h1 class=\"western\">第一章 安装</h1>")),
              std::string::npos);
    EXPECT_NE(page.html.find("&#54620;&#44397; &#128512;"), std::string::npos);
}

TEST_F(WordDialectTest, TheSplitterSlicesTheWholeDocumentText) {
    const WordPage page = convert();
    EXPECT_NE(page.html.find("dir=\"ltr\"><div class=Section1><div title=\"header\">"),
              std::string::npos);
    EXPECT_NE(page.html.find("</div>\n</div></body>"), std::string::npos);

    // The exporter's header, contents and footer divs lie inside the slice, whole.
    test::TempDir dir;
    test::writeFile(dir / "page.htm", page.html);
    const std::string slice = gbk::toUtf8(test::bodySlice(dir / "page.htm"));
    EXPECT_TRUE(slice.starts_with("<div title=\"header\"><p>页眉</p></div>")) << slice;
    EXPECT_TRUE(slice.ends_with("<div title=\"footer\"><p>页脚</p></div>\n")) << slice;
    EXPECT_NE(slice.find("<p>目录</p>"), std::string::npos);
}

TEST_F(WordDialectTest, PicturesMoveIntoTheFilesFolder) {
    const WordPage page = convert();
    // In order of first use, as Word numbers them; a picture used twice is one file;
    // a file nothing links to is kept under its own name; other links stay.
    ASSERT_EQ(page.files.size(), 3u);
    EXPECT_EQ(page.files[0].name, "image001.png");
    EXPECT_EQ(page.files[0].exportedName, "手册_html_1a2b.png");
    EXPECT_EQ(page.files[1].name, "image002.png");
    EXPECT_EQ(page.files[1].exportedName, "");
    EXPECT_EQ(page.files[1].bytes, "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(page.files[2].name, "手册_html_unused.gif");
    const std::string html = gbk::toUtf8(page.html);
    EXPECT_NE(html.find("<img src=\"用户手册.files/image001.png\" name=\"Image1\"/>"),
              std::string::npos);
    EXPECT_NE(html.find("<img src=\"用户手册.files/image002.png\"/>"), std::string::npos);
    EXPECT_NE(html.find("<img src=\"用户手册.files/image001.png\"></p>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"other.doc\">"), std::string::npos);
    EXPECT_EQ(html.find("data:"), std::string::npos);
    EXPECT_EQ(html.find("_html_1a2b"), std::string::npos);
}

TEST_F(WordDialectTest, FolderNamesThatWouldBreakALinkAreEscaped) {
    const std::string html = gbk::toUtf8(convert("a #1&b's 50%.files").html);
    EXPECT_NE(html.find("src=\"a %231&amp;b&#39;s 50%25.files/image001.png\""), std::string::npos);
    EXPECT_EQ(readConversionMark(gbk::fromUtf8(html))->folder, "a #1&b's 50%.files");
}

TEST_F(WordDialectTest, TheMarkVouchesForTheFolderAndStaysOutOfTopicPages) {
    const WordPage page = convert();
    std::optional<ConversionMark> mark = readConversionMark(page.html);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->folder, "用户手册.files");
    EXPECT_EQ(mark->files,
              (std::vector<std::string>{"image001.png", "image002.png", "手册_html_unused.gif"}));
    test::TempDir dir;
    test::writeFile(dir / "page.htm", page.html);
    EXPECT_EQ(readSourceHead(dir / "page.htm").find("quillmark-conversion"), std::string::npos);

    // A page without pictures vouches for no folder; the user's own page has no mark.
    mark = readConversionMark(
        toWordDialect("<html><head><title>t</title></head><body>x</body></html>", {}, "t.files")
            .html);
    ASSERT_TRUE(mark);
    EXPECT_TRUE(mark->folder.empty());
    EXPECT_TRUE(mark->files.empty());
    EXPECT_FALSE(readConversionMark(kExported));
}

// A page Word saved as "document.htm", its pictures in the folder its language names
// ("document_files" in English): only the links into that folder and the mark change.
TEST(WordDialect, WordsOwnPageKeepsItsBytesAndLinksIntoTheFilesFolder) {
    const std::string page = gbk::fromUtf8(
        "<html xmlns:v=\"urn:schemas-microsoft-com:vml\">\r\n<head>\r\n<meta "
        "http-equiv=Content-Type content=\"text/html; charset=gb2312\">\r\n"
        "<link rel=File-List href=document_files/filelist.xml>\r\n<title>手册</title>\r\n"
        "</head>\r\n<body lang=ZH-CN>\r\n<div class=Section1>\r\n<h1>第一章</h1>\r\n"
        "<p><!--[if gte vml 1]><v:imagedata src=\"document_files/image001.png\"/><![endif]-->"
        "<![if !vml]><img src=\"document_files/image002.gif\"><![endif]>"
        "见document_files/说明</p>\r\n</div>\r\n</body>\r\n</html>\r\n");
    const std::vector<SupportingFile> files = {{"filelist.xml", "filelist.xml", {}},
                                               {"image001.png", "image001.png", {}},
                                               {"image002.gif", "image002.gif", {}}};
    const std::string placed = fromWordPage(page, "document_files", "用户 手册.files", files);

    std::string expected = page;
    for (std::string_view from : {"href=document_files/", "src=\"document_files/image001",
                                  "src=\"document_files/image002"}) {
        const std::size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        const std::size_t name = expected.find("document_files/", at);
        // Unquoted, a blank would end the value: it goes as %20 there.
        const bool quoted = expected[name - 1] == '"';
        expected.replace(name, 15,
                         gbk::fromUtf8(quoted ? "用户 手册.files/" : "用户%20手册.files/"));
    }
    const std::optional<ConversionMark> mark = readConversionMark(placed);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->folder, "用户 手册.files");
    EXPECT_EQ(mark->files,
              (std::vector<std::string>{"filelist.xml", "image001.png", "image002.gif"}));
    // The mark opens the head; every other byte is Word's, the text that merely names
    // the folder included.
    const std::size_t head = expected.find("<head>") + 6;
    const std::size_t markEnd = placed.find("\n", placed.find("quillmark-conversion")) + 1;
    EXPECT_EQ(placed.substr(0, head), expected.substr(0, head));
    EXPECT_EQ(placed.substr(markEnd), expected.substr(head));
}

// The body of a page as LibreOffice exports a numbered manual with its own contents
// (as it wrote GB8567's templates, a Russian and an American report): the tab after a
// heading's number is gone, the contents keep Word's page numbers.
std::string exportedBody(const std::string& body) {
    return "<html><head><meta charset=\"utf-8\"/><title>t</title></head><body>" + body +
           "</body></html>";
}

std::string dialectBody(const std::string& body) {
    const std::string html = gbk::toUtf8(toWordDialect(exportedBody(body), {}, "m.files").html);
    const std::size_t start = html.find("<div class=Section1>") + 20;
    return html.substr(start, html.rfind("</div></body>") - start);
}

TEST(WordDialect, NumberedHeadingsAndContentsReadAsWordShowsThem) {
    const std::pair<const char*, const char*> cases[] = {
        // Headings: a blank after the number, the text as it was.
        {"<h1 class=\"western\"><a name=\"__RefHeading___Toc1\"></a>1<font face=\"宋体\">"
         "<span lang=\"zh-CN\">引言</span></font></h1>",
         "<h1 class=\"western\"><a name=\"__RefHeading___Toc1\"></a>1 <font face=\"宋体\">"
         "<span lang=\"zh-CN\">引言</span></font></h1>"},
        {"<h2>\n\t3.1Historique</h2><h3>3.2.10.Plan</h3>",
         "<h2>\n\t3.1 Historique</h2><h3>3.2.10. Plan</h3>"},
        // Contents: the entry's number parted from its text, the page number gone.
        {"<div id=\"Table of Contents1\"><p align=\"left\">\n\t<b><a href=\"#__RefHeading___Toc1\">"
         "<span lang=\"en-US\">1</span></b><font face=\"宋体\"><span><b><span>引言</span></b>"
         "</span></font><b><span lang=\"en-US\">\t2</span></a></b></p>\n</div>",
         "<div id=\"Table of Contents1\"><p align=\"left\">\n\t<b><a href=\"#__RefHeading___Toc1\">"
         "<span lang=\"en-US\">1 </span></b><font face=\"宋体\"><span><b><span>引言</span></b>"
         "</span></font><b><span lang=\"en-US\"></span></a></b></p>\n</div>"},
        // The page number alone was the link: the link takes the whole entry.
        {"<p lang=\"ru-RU\">\n\t<font><span>1.\n\tОбщие положения</span></font><font><span>\t"
         "<a href=\"#__RefHeading___Toc3\">3</a></span></font></p>",
         "<p lang=\"ru-RU\"><a href=\"#__RefHeading___Toc3\">\n\t<font><span>1.\n\tОбщие положения"
         "</span></font><font><span></span></font></a></p>"},
        {"<p><a href=\"#_Toc5\">A.<span>\t</span>GENERAL\n\tINFORMATION\tiv</a></p>",
         "<p><a href=\"#_Toc5\">A.<span>\t</span>GENERAL\n\tINFORMATION</a></p>"},
        // Left alone: a count or a measure, not a heading's number; a tab already there;
        // a number at a paragraph's end that is no contents entry; LibreOffice's own
        // indenting of a wrapped line.
        {"<h1>2003年报告</h1><h2>3D graphics</h2><h2>1\tScope</h2><h2>1&nbsp;Scope</h2>",
         "<h1>2003年报告</h1><h2>3D graphics</h2><h2>1\tScope</h2><h2>1&nbsp;Scope</h2>"},
        {"<p>1引言 see <a href=\"other.htm#x\">there</a>\t2</p><p><a href=\"#x\">x</a>\n\t2</p>",
         "<p>1引言 see <a href=\"other.htm#x\">there</a>\t2</p><p><a href=\"#x\">x</a>\n\t2</p>"},
    };
    for (const auto& [exported, expected] : cases)
        EXPECT_EQ(dialectBody(exported), expected) << exported;
}

// Contents whose page numbers no tab parts from the entry, as LibreOffice exports them
// (a blank may come out as a line break): after blanks, the number goes when the entry
// names its heading without it; after a leader of dots, in a linked entry or among
// other entries. Entries of a contents without links go too. A number of the heading's
// own, a count in the text and a lone line with a leader stay.
TEST(WordDialect, ContentsPageNumbersWithoutATabGoToo) {
    const std::string headings =
        "<h1><a name=\"__RefHeading___Toc1\"></a>1<font><span>引言</span></font></h1>"
        "<h1><a name=\"__RefHeading___Toc3\"></a>Глава\n1</h1>"
        "<h1><a name=\"__RefHeading___Toc4\"></a>Глава\n2</h1>";
    const std::string heading1 =
        "<h1><a name=\"__RefHeading___Toc1\"></a>1 <font><span>引言</span></font></h1>";
    const std::pair<std::string, std::string> cases[] = {
        {"<p>\n<a href=\"#__RefHeading___Toc1\"><font><u>1<font><span>引言</u></font><font><u>"
         "<font>\n</font></u></font></span></font><font><u>1</u></font></a></p>",
         "<p>\n<a href=\"#__RefHeading___Toc1\"><font><u>1 <font><span>引言</u></font><font><u>"
         "<font></font></u></font></span></font><font><u></u></font></a></p>"},
        {"<p><u><a href=\"#__RefHeading___Toc3\">Глава 1\n5</a></u></p>"
         "<p><u><a href=\"#__RefHeading___Toc4\">Глава 2</a></u></p>",
         "<p><u><a href=\"#__RefHeading___Toc3\">Глава 1</a></u></p>"
         "<p><u><a href=\"#__RefHeading___Toc4\">Глава 2</a></u></p>"},
        {"<p><span>第一章<font>\n</font>总则……………………</span>1</p>"
         "<p><span>第二章<font>\n</font>安装<font> </font></span>............\n3</p>"
         "<p><span>第三章</span>··········<a href=\"#x\">12</a></p>",
         "<p><span>第一章<font>\n</font>总则</span></p>"
         "<p><span>第二章<font>\n</font>安装<font></font></span></p>"
         "<p><a href=\"#x\"><span>第三章</span></a></p>"},
        // Word's contents without links, in LibreOffice's contents division; a list
        // parted by tabs elsewhere stays.
        {"<div id=\"Table of Contents1\" dir=\"ltr\"><p>\n\t1<font>引言</font>\t1</p></div>"
         "<div><p>苹果\t5</p><p>香蕉\t3</p></div>",
         "<div id=\"Table of Contents1\" dir=\"ltr\"><p>\n\t1 <font>引言</font></p></div>"
         "<div><p>苹果\t5</p><p>香蕉\t3</p></div>"},
        {"<p>单价 ........ 5</p><p>正文\n2003</p><p>see p. 7</p><p>合计 ...... 9</p>",
         "<p>单价 ........ 5</p><p>正文\n2003</p><p>see p. 7</p><p>合计 ...... 9</p>"},
    };
    for (const auto& [exported, expected] : cases) {
        const std::string page = dialectBody(exported + headings);
        EXPECT_EQ(page.substr(0, page.find("<h1>")), expected) << exported;
        EXPECT_EQ(page.substr(page.find("<h1>"), heading1.size()), heading1);
    }
}

TEST(WordDialect, TheXhtmlExportBecomesWordHtmlToo) {
    const WordPage page = toWordDialect(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html PUBLIC \"x\" \"y\">"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><meta http-equiv=\"Content-Type\" "
        "content=\"application/xhtml+xml; charset=utf-8\"/><title>t</title></head>"
        "<body dir=\"ltr\"><h1>题</h1><div class=\"P1\"><img alt=\"\" "
        "src=\"data:image/jpeg;base64,/9j/\"/></div></body></html>",
        {}, "t.files");
    EXPECT_EQ(page.html, "<!DOCTYPE html PUBLIC \"x\" \"y\"><html xmlns=\"http://www.w3.org/1999/"
                         "xhtml\"><head><meta name=\"quillmark-conversion\" "
                         "content=\"t.files/image001.jpg\">\r\n<meta http-equiv=\"Content-Type\" "
                         "content=\"application/xhtml+xml; charset=gb2312\"/><title>t</title>"
                         "</head><body dir=\"ltr\"><div class=Section1><h1>" +
                             gbk::fromUtf8("题") +
                             "</h1><div class=\"P1\"><img alt=\"\" src=\"t.files/image001.jpg\"/>"
                             "</div></div></body></html>");
    ASSERT_EQ(page.files.size(), 1u);
    EXPECT_EQ(page.files[0].bytes, "\xFF\xD8\xFF");
}

// Whatever the exporter or a user's page holds, the rewrite gives a page or a qm::Error:
// never a crash, a hang or another exception. Replayed with a fixed seed.
TEST(WordDialect, MutatedPagesNeverBreakTheRewrite) {
    std::mt19937 random(19990714);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::vector<std::string> seeds = {
        kExported,
        "<?xml version=\"1.0\"?><html><head><meta charset=\"big5\"/></head><body><img "
        "src='data:image/gif;base64,R0lGOD=='/></body></html>",
        "\xFF\xFE<\0h\0e\0a\0d\0>\0<\0b\0o\0d\0y\0>\0",
        gbk::fromUtf8("<head><meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
                      "</head><body><h1>标题</h1><style>a<b</style><!-- x</body>"),
        // A numbered heading and contents entries, which the page's text edits touch.
        "<body><h1><a name=\"t1\"></a>1.1Scope</h1><p><b><a href=\"#t1\"><span>1</span></b>"
        "<font>Scope</font><span>\t2</span></a></p><p>x\t<a href=\"#t1\">3</a></p></body>",
        // Entries whose numbers follow blanks or leaders, with references among them.
        "<body><h2 id=t2>Part&nbsp;II</h2><p><a href=\"#t2\">Part&nbsp;II&#160;4</a></p>"
        "<p>一……<span>&#8230;</span>iv</p><p>二 .&nbsp;.. <a href=\"#t2\">5</a></p></body>",
    };
    const std::string alphabet = "<>/=\"' !-?&#;%:,.\r\n\t\0\x80\xA1\xFE"
                                 "bodymetaimgsrcdat";
    int pages = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string input = seeds[pick(seeds.size())];
        for (int e = 1 + static_cast<int>(pick(6)); e > 0; --e) {
            std::size_t at = input.empty() ? 0 : pick(input.size());
            switch (pick(4)) {
            case 0:
                if (!input.empty())
                    input[at] = static_cast<char>(pick(256));
                break;
            case 1:
                input.insert(at, 1, alphabet[pick(alphabet.size())]);
                break;
            case 2:
                input.resize(at);
                break;
            default:
                input.insert(at, seeds[pick(seeds.size())].substr(0, pick(80)));
            }
        }
        try {
            WordPage page = toWordDialect(input, {"手册_html_1a2b.png"}, "f.files");
            std::size_t sections = 0;
            for (std::size_t at = 0;
                 (at = page.html.find("<div class=Section1>", at)) != std::string::npos; ++at)
                ++sections;
            EXPECT_LE(sections, 1u + (input.find("Section1") != std::string::npos ? 1u : 0u));
            pageToGbk(input);
            ++pages;
        } catch (const Error&) {
            // a charset ICU refuses: the caller's error path
        }
    }
    EXPECT_GT(pages, 3000);
}

} // namespace
} // namespace qm
