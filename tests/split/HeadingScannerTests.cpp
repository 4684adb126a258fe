#include "ScanHarness.h"

#include "split/PageFrame.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>
#include <set>

namespace qm {
namespace {

using test::ScanHarness;

std::string g(const char* utf8) {
    return gbk::fromUtf8(utf8);
}

// "Title|Position|EndPosition|Level" per node, in document order, with the depth as
// leading dots.
std::vector<std::string> shape(const StructureTree& tree) {
    std::vector<std::string> out;
    tree.forEach([&](const StructureNode& n) {
        std::string depth;
        for (const StructureNode* p = n.parent; p; p = p->parent)
            depth += ".";
        out.push_back(depth + gbk::toUtf8(n.title) + "|" + n.position + "|" + n.endPosition + "|" +
                      n.level);
    });
    return out;
}

TEST(HeadingScan, OffsetsOfTheTwentyEightByteStream) {
    ScanHarness h;
    std::string bytes = "<h1>A</h1><p>x</p><h2>B</h2>";
    ASSERT_EQ(bytes.size(), 28u);
    h.scan(bytes);
    EXPECT_EQ(shape(h.tree), (std::vector<std::string>{"A|2|19|1", ".B|20|28|2"}));
    EXPECT_EQ(h.topicBytes("A.2"), bytes.substr(0, 18));
    EXPECT_EQ(h.topicBytes("B.20"), bytes.substr(18));
    EXPECT_EQ(h.written, (std::vector<std::string>{"A.2", "B.20"}));
}

TEST(HeadingScan, PagesCarryTheFrameInOrder) {
    ScanHarness h;
    h.prefix = "[pre]";
    h.suffix = "[suf]";
    h.scan("<h1>A</h1>text");
    EXPECT_EQ(h.page("A.2"), pageFrameHead() + "A" + "[after]" + "[pre]" + creditLine() +
                                 "<h1>A</h1>text" + "[suf]" + pageFrameTail());
}

struct PlacementCase {
    const char* document;
    std::vector<std::string> expected;
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, NestsByLevel) {
    ScanHarness h;
    h.scan(g(GetParam().document));
    std::vector<std::string> titles;
    for (const std::string& s : shape(h.tree))
        titles.push_back(s.substr(0, s.find('|')));
    EXPECT_EQ(titles, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Placement,
    ::testing::Values(
        PlacementCase{"<h1>A</h1><h2>B</h2><h3>C</h3><h2>D</h2><h1>E</h1>",
                      {"A", ".B", "..C", ".D", "E"}},
        PlacementCase{"<h2>X</h2><h3>Y</h3><h2>Z</h2>", {"X", ".Y", "Z"}},
        PlacementCase{"<h1>A</h1><h3>C</h3><h2>D</h2>", {"A", ".C", "D"}},
        PlacementCase{"Text<h2>X</h2><h2>Y</h2><h1>Z</h1>", {"首页", ".X", ".Y", "Z"}},
        PlacementCase{"Text<h1>A</h1>", {"首页", "A"}},
        // Without a level-1 heading the highest level present is the top,
        // beside 首页; an empty or hidden h1 is no heading.
        PlacementCase{"Text<h2>X</h2><h3>Y</h3><h2>Z</h2>", {"首页", "X", ".Y", "Z"}},
        PlacementCase{"Text<h1> </h1><!--<h1>C</h1>--><h3>X</h3><h4>Y</h4>", {"首页", "X", ".Y"}},
        PlacementCase{"<h1>A</h1><h2>B</h2><h3>C</h3><h4>D</h4><h2>E</h2>",
                      {"A", ".B", "..C", "...D", ".E"}}));

TEST(HeadingScan, HomeTopicHoldsTheTextBeforeTheFirstHeading) {
    ScanHarness h;
    std::string bytes = "<p>intro</p>\r\n<h1>A</h1>rest";
    h.scan(bytes);
    EXPECT_EQ(shape(h.tree), (std::vector<std::string>{"首页|1|15|", "A|16|28|1"}));
    EXPECT_EQ(h.topicBytes(g("首页") + ".1"), "<p>intro</p>\r\n");
    EXPECT_EQ(h.topicBytes("A.16").substr(0, 3), "<h1");
}

TEST(HeadingScan, MarkupAndBlanksBeforeTheFirstHeadingJoinItsPage) {
    ScanHarness h;
    h.scan("<p> \r\n</p>\t<h1>A</h1>");
    ASSERT_EQ(h.tree.count(), 1u);
    EXPECT_EQ(h.topicBytes("A.13"), "<p> \r\n</p>\t<h1>A</h1>");
}

TEST(HeadingScan, NbspBeforeTheFirstHeadingMakesAHomeTopic) {
    ScanHarness h;
    h.scan("<p>&nbsp;</p><h1>A</h1>");
    EXPECT_EQ(gbk::toUtf8(h.node(0).title), "首页");
}

TEST(HeadingScan, WithoutHeadingsTheWholeFileIsOnePage) {
    ScanHarness h;
    std::string html =
        "<html><head><title>t</title></head><body><div>only text</div></body></html>";
    h.scan("only text", html);
    EXPECT_EQ(shape(h.tree),
              (std::vector<std::string>{"x|0|" + std::to_string(html.size()) + "|1"}));
    EXPECT_EQ(h.page("x.0"),
              "<html><head><title>x</title></head><body><div>only text</div></body></html>");
    EXPECT_EQ(h.written, (std::vector<std::string>{"x.0"}));
}

// A page's title is its topic's as the contents show it, never blank and never starting
// with one: the one page of a document without headings takes the document's name,
// whatever title (none, an empty one, one never closed) the page had.
TEST(HeadingScan, EveryPageIsTitledAsTheContentsNameIt) {
    struct Case {
        const char* page;
        const char* titled;
    } cases[] = {
        {"<html><head><title></title></head><body>b</body></html>",
         "<html><head><title>x</title></head><body>b</body></html>"},
        {"<html><head>\r\n<meta a></head><body>b</body>",
         "<html><head><title>x</title>\r\n<meta a></head><body>b</body>"},
        {"<html><body><title>in the body</title>b</body>",
         "<html><title>x</title><body><title>in the body</title>b</body>"},
        {"<p>b</p>", "<title>x</title><p>b</p>"},
        {"<head><title>never closed</head><body>b</body>",
         "<head><title>x</title>never closed</head><body>b</body>"},
    };
    for (const Case& c : cases) {
        ScanHarness h;
        h.scan("b", c.page);
        EXPECT_EQ(h.page("x.0"), c.titled) << c.page;
    }
    ScanHarness cut;
    cut.scan(g("正文<h1>  1 概述 &amp; 范围</h1>x"));
    EXPECT_TRUE(pageFrameHead().ends_with("<title>"));
    EXPECT_TRUE(cut.page(g("首页.1")).starts_with(pageFrameHead() + g("首页[after]")));
    EXPECT_TRUE(
        cut.page(cut.written.back()).starts_with(pageFrameHead() + g("1 概述 &amp; 范围[after]")));
}

TEST(HeadingScan, EmptyStreamGivesNoNodeAndNoPage) {
    ScanHarness h;
    h.scan("", "<html></html>");
    EXPECT_TRUE(h.tree.empty());
    EXPECT_TRUE(h.written.empty());
    EXPECT_TRUE(h.runLog.empty());
}

TEST(HeadingScan, LevelLimitKeepsDeeperHeadingsAsText) {
    ScanHarness h;
    h.level = "2";
    std::string bytes = "<h1>A</h1><h2>B</h2><h3>C</h3>c text<h2>D</h2>";
    h.scan(bytes);
    EXPECT_EQ(shape(h.tree).size(), 3u);
    EXPECT_EQ(h.topicBytes("B.12"), "<h2>B</h2><h3>C</h3>c text");
}

TEST(HeadingScan, LevelLimitCountsFromTheTopLevel) {
    ScanHarness h;
    h.level = "2";
    h.scan("intro<h2>A</h2><h3>B</h3><h4>C</h4>c text<h3>D</h3><h2>E</h2>");
    EXPECT_EQ(shape(h.tree), (std::vector<std::string>{"首页|1|6|", "A|7|16|1", ".B|17|42|2",
                                                       ".D|43|52|2", "E|53|61|1"}));
    EXPECT_EQ(h.topicBytes("B.17"), "<h3>B</h3><h4>C</h4>c text");
    // With a level-1 heading anywhere, levels count as written.
    ScanHarness late;
    late.level = "2";
    late.scan("<h2>A</h2><h3>B</h3><h1>Z</h1>");
    EXPECT_EQ(late.written, (std::vector<std::string>{"A.2", "Z.22"}));
}

TEST(HeadingScan, LevelZeroAndOddDigitsAreHeadings) {
    ScanHarness h;
    h.scan("<h1>A</h1><h6>F</h6><h0>Z</h0><h9>N</h9><hr><html><H1>no</H1>");
    std::vector<std::string> titles;
    for (const std::string& s : shape(h.tree))
        titles.push_back(s.substr(0, s.find('|')));
    // h0 is level 0: below h6 nothing is "deeper", so the search climbs to the top.
    EXPECT_EQ(titles.size(), 4u);
    EXPECT_EQ(h.node(3).title, "N");
}

// What a reader reads (the heading) and what names the page (the title).
TEST(HeadingScan, HeadingsReadAsWrittenAndNamePagesSafely) {
    struct Case {
        const char* markup;
        const char* heading;
        const char* title;
    } cases[] = {
        {"<a name=\"_Toc1\"></a>1.1 编写目的", "1.1 编写目的", "1.1编写目的"},
        {"This  report\r\n draws <b>upon</b>", "This report draws upon", "Thisreportdrawsupon"},
        {"a/b:c*d?\"e|f", "a/b:c*d?\"e|f", "abcdef"},
        {"#OFSEATS &amp; 50% off; why?", "#OFSEATS & 50% off; why?", "OFSEATS50offwhy"},
        {"&#339;uvre&nbsp;&lt;x&gt;&#x1F600;", "&#339;uvre <x>&#128512;", "uvrex"},
        // A heading that shows only a picture: its alt text, else its file name.
        {"<img src=\"x.files/image001.png\">", "image001.png", "image001.png"},
        {"<img src=\"x.files/a%20b.png?v=1\" alt=\" 安装&amp;向导 \">", "安装&向导", "安装向导"},
        {"<!--[if gte vml 1]><v:shape alt=\"流程图\"><v:imagedata src=\"x.files/image001.png\" "
         "o:title=\"\"/></v:shape><![endif]--><![if !vml]><img src=\"x.files/image002.jpg\" "
         "v:shapes=\"_x0000_i1025\"><![endif]>",
         "流程图", "流程图"},
        {"<img src=\"x.files/a%20b.png\">", "a b.png", "ab.png"},
        {"<img>", "无标题", "无标题"},
        {"* * *", "* * *", "无标题"},
        // Word's runs part no words; breaks and blocks do.
        {"第<span lang=EN-US>1</span>章<span style='font-family:宋体'>概述</span><o:p></o:p>",
         "第1章概述", "第1章概述"},
        {"使用<font face=\"X\">&lt;</font>高级<FONT>&gt;</FONT>", "使用<高级>", "使用高级"},
        {"上<br>下<!-- note -->文<P>段", "上 下文 段", "上下文段"},
    };
    for (const Case& c : cases) {
        ScanHarness h;
        h.scan(g("<h1>") + g(c.markup) + "</h1>x");
        ASSERT_EQ(h.tree.count(), 1u) << c.markup;
        EXPECT_EQ(gbk::toUtf8(h.node(0).heading), c.heading);
        EXPECT_EQ(gbk::toUtf8(h.node(0).title), c.title);
        EXPECT_EQ(h.written.front(), h.node(0).title + ".2");
    }
    // A long heading names a page that fits a file system with its temporary suffix.
    std::string longHeading;
    for (int i = 0; i < 120; ++i)
        longHeading += g("题");
    ScanHarness h;
    h.scan("<h1>" + longHeading + "</h1>x");
    EXPECT_EQ(h.node(0).heading, longHeading);
    std::string onDisk = gbk::toUtf8(h.written.front()) + ".htm";
    EXPECT_LE(onDisk.size() + 6, 255u);
    EXPECT_GT(onDisk.size(), 200u);
    EXPECT_FALSE(h.page(h.written.front()).empty());
}

// As in Word's navigation pane: a heading with neither text nor picture is no topic,
// and headings in comments, scripts, style sheets and text areas are no headings.
TEST(HeadingScan, EmptyAndHiddenHeadingsStayTextOfTheTopicBefore) {
    ScanHarness h;
    std::string a = "<h1>A</h1>x<h2>&nbsp;</h2>y<h3><a name=_Toc9></a> </h3>"
                    "<!-- <h1>X</h1> --><script>s='<h2>Y</h2>'</script>"
                    "<style>/*<h3>Z</h3>*/</style><TEXTAREA><h1>W</h1></TEXTAREA>";
    h.scan(a + "<h1>B</h1>z");
    EXPECT_EQ(shape(h.tree), (std::vector<std::string>{"A|2|" + std::to_string(a.size() + 1) + "|1",
                                                       "B|" + std::to_string(a.size() + 2) + "|" +
                                                           std::to_string(a.size() + 11) + "|1"}));
    EXPECT_EQ(h.topicBytes("A.2"), a);
    // Before the first heading, an empty heading is markup and makes no home topic.
    ScanHarness first;
    first.scan("<h1> </h1><h2>B</h2>");
    EXPECT_EQ(shape(first.tree), (std::vector<std::string>{"B|12|20|1"}));
}

TEST(HeadingScan, GbkCharactersWhoseSecondByteLooksExcludedStayWhole) {
    // Second bytes 0x5C ('\\') and 0x7C ('|') belong to their characters; the lone
    // backslash after them is dropped.
    ScanHarness h;
    std::string title = "\xE8\x5C"
                        "\xD8\x7C"; // 枇 and a character ending in '|'
    h.scan("<h1>" + title + "\\</h1>");
    EXPECT_EQ(h.node(0).title, title);
}

TEST(HeadingScan, ControlBytesNeverEnterATitle) {
    ScanHarness h;
    h.scan(std::string("<h1>a\x01"
                       "b\x1f"
                       "c</h1>"));
    EXPECT_EQ(h.node(0).title, "abc");
}

TEST(HeadingScan, UnclosedOrTwiceClosedHeadingsKeepTheirText) {
    ScanHarness h;
    h.scan("<h1>never closed<h2>B</h2></h2>");
    EXPECT_EQ(h.node(0).heading, "never closed");
    EXPECT_EQ(h.node(1).heading, "B");
    EXPECT_EQ(h.written, (std::vector<std::string>{"neverclosed.2", "B.18"}));
}

TEST(HeadingScan, StreamEndingInsideATagTestWritesTheOpenTopic) {
    for (const char* tail : {"<", "</", "</h", "<h"}) {
        ScanHarness h;
        h.scan(std::string("<h1>A</h1>x") + tail);
        ASSERT_EQ(h.written.size(), 1u) << tail;
        EXPECT_EQ(h.topicBytes("A.2"), std::string("<h1>A</h1>x") + tail);
    }
}

TEST(HeadingScan, ConcatenatedPagesAreTheWholeStream) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += "<h" + std::to_string(i % 4 + 1) + ">T" + std::to_string(i) + "</h" +
                 std::to_string(i % 4 + 1) + "><p>" +
                 std::string(static_cast<std::size_t>(i % 97), 'x') + "&gt;<b>b</b></p>\r\n";
    ScanHarness h;
    h.scan("lead" + bytes);
    std::string joined;
    for (const std::string& name : h.written)
        joined += h.topicBytes(name);
    EXPECT_EQ(joined, "lead" + bytes);
    EXPECT_EQ(h.tree.count(), 3001u);
}

TEST(HeadingScan, AbortStopsWritingPages) {
    ScanHarness h;
    h.abortAfterNodes = 2;
    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += "<h1>T" + std::to_string(i) + "</h1>" + std::string(100, 'y');
    EXPECT_FALSE(h.scan(bytes));
    EXPECT_LT(h.written.size(), 2000u);
    EXPECT_LT(h.tree.count(), 2000u);
}

TEST(HeadingScan, EmptyTopicIsLoggedNotWritten) {
    // A heading start at offset 0 with no text before: nothing is empty there. An empty
    // topic arises only from a page with no bytes, which the writer reports.
    ScanHarness h;
    StructureNode node;
    node.title = "T";
    node.position = "5";
    TopicPageWriter writer(h.content(), h, h.written, h.runLog);
    std::filesystem::create_directories(h.content());
    writer.writeTopicPage(node, true, "", nullptr);
    EXPECT_EQ(h.runLog, (std::vector<std::string>{"T" + g("无法建立")}));
    EXPECT_TRUE(h.written.empty());
}

TEST(HeadingScan, TwoTopicsWithTheSameTitleGetTwoPages) {
    ScanHarness h;
    h.scan("<h1>Same</h1>a<h1>Same</h1>b");
    EXPECT_EQ(h.written, (std::vector<std::string>{"Same.2", "Same.16"}));
}

TEST(HeadingScan, ProgressReachesTheTotal) {
    ScanHarness h;
    h.scan("<h1>A</h1>" + std::string(100000, 'z'));
    ASSERT_FALSE(h.events.empty());
    EXPECT_EQ(h.events.back(), "100010/100010");
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// Random streams built from the pieces that matter to the scan (tag starts, heading
// digits, quotes, GBK bytes, '>' inside and outside tags): whatever the bytes, the
// pages put back together are the stream, positions are unique, and every child lies
// deeper than its parent.
TEST(HeadingScanFuzz, RandomStreamsKeepTheInvariants) {
    const char* pieces[] = {"<h1>",   "</h1>", "<h2>",     "</h2>",     "<h3 class=x>", "</h3>",
                            "<h",     "</h",   "<",        ">",         "<p>",          "</p>",
                            "&nbsp;", " ",     "\r\n",     "\"",        "\xCA\xD7",     "\xE8\x5C",
                            "\x81",   "<hr>",  "<html>",   "a",         "b1",           "<<h2>",
                            "<!--",   "-->",   "<script>", "</script>", "<img src=a>"};
    std::uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        int n = static_cast<int>(next() % 200);
        for (int i = 0; i < n; ++i)
            bytes += pieces[next() % (sizeof pieces / sizeof *pieces)];
        test::ScanHarness h;
        h.level = std::to_string(next() % 4);
        h.scan(bytes, "<html>whole</html>");
        std::set<std::string> positions;
        std::string joined;
        bool whole = false;
        h.tree.forEach([&](const StructureNode& node) {
            EXPECT_TRUE(positions.insert(node.position).second) << bytes;
            if (node.parent && !node.parent->level.empty()) {
                EXPECT_GT(std::stoi(node.level), std::stoi(node.parent->level)) << bytes;
            }
            whole = whole || node.position == "0";
        });
        if (whole) {
            EXPECT_EQ(h.page("x.0"), "<html><title>x</title>whole</html>");
            continue;
        }
        for (const std::string& name : h.written)
            joined += h.topicBytes(name);
        EXPECT_EQ(joined, bytes) << "round " << round;
    }
}

} // namespace
} // namespace qm
