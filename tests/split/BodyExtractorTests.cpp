#include "split/BodyExtractor.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Runs the extraction on a page and returns what the scan would read.
struct Extraction {
    bool result = false;
    std::string workBytes;
    std::filesystem::path workFile;
};

Extraction extract(const test::TempDir& dir, const std::string& page) {
    std::filesystem::path html = dir / "manual.htm";
    test::writeFile(html, page);
    std::unique_ptr<ReadStream> stream = std::make_unique<ReadStream>(html);
    Extraction e;
    e.result = extractBody(stream, html, e.workFile, true);
    stream->seek(0, Origin::Beginning);
    stream->read(e.workBytes, stream->size());
    return e;
}

TEST(BodyExtraction, WordsUsualPageGivesTheSectionText) {
    test::TempDir dir;
    Extraction e = extract(dir, "<html><head><title>t</title></head>\r\n<body lang=ZH-CN "
                                "style='x'>\r\n<div class=Section1 style='layout-grid:15.6pt'>"
                                "\r\n<p>text</p>\r\n</div>\r\n</body></html>");
    EXPECT_TRUE(e.result);
    EXPECT_EQ(e.workBytes, "\r\n<p>text</p>\r\n");
    EXPECT_EQ(e.workFile.parent_path(), dir.path());
    EXPECT_EQ(e.workFile.filename().string().rfind("manual.htm.tmp", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(e.workFile));
}

TEST(BodyExtraction, TagsWithoutAttributes) {
    test::TempDir dir;
    EXPECT_EQ(extract(dir, "<body><div>abc</div></body>").workBytes, "abc");
}

TEST(BodyExtraction, SeveralSectionsRunToTheLastDiv) {
    test::TempDir dir;
    EXPECT_EQ(extract(dir, "<body><div class=S1>a</div><div class=S2>b</div></body>").workBytes,
              "a</div><div class=S2>b");
}

TEST(BodyExtraction, BodyWithoutDivRunsToTheLastBodyEnd) {
    test::TempDir dir;
    EXPECT_EQ(extract(dir, "<body>\n<p>x</p></body>\n</body>").workBytes, "\n<p>x</p></body>\n");
}

// A div after the first heading is no section div (LibreOffice's footnotes): the body
// runs to its end, headings and all. Word's background before its div changes nothing.
TEST(BodyExtraction, ADivAfterTheHeadingsIsNoSectionDiv) {
    test::TempDir dir;
    EXPECT_EQ(extract(dir, "<body><p>a</p><h1>A</h1>b<H2>B</H2><div id=sdfootnote1>n</div></body>")
                  .workBytes,
              "<p>a</p><h1>A</h1>b<H2>B</H2><div id=sdfootnote1>n</div>");
    EXPECT_EQ(extract(dir, "<body background=\"i.jpg\"><!--[if gte mso 9]><v:background/>"
                           "<![endif]-->\r\n<div class=WordSection1><h1>A</h1></div></body>")
                  .workBytes,
              "<h1>A</h1>");
}

TEST(BodyExtraction, CapitalBodyMeansTheWholeFile) {
    test::TempDir dir;
    std::string page = "<BODY><div>abc</div></BODY>";
    Extraction e = extract(dir, page);
    EXPECT_TRUE(e.workFile.empty());
    EXPECT_EQ(e.workBytes, page);
}

TEST(BodyExtraction, LongerTagNamesAndRepeatedBytesAreSkipped) {
    test::TempDir dir;
    EXPECT_EQ(extract(dir, "<bodyx><<body\r\n><divider><div>in</div>").workBytes, "in");
}

TEST(BodyExtraction, EmptyFirstDivGivesAnEmptyWorkFile) {
    test::TempDir dir;
    Extraction e = extract(dir, "<body><div></div></body>");
    EXPECT_FALSE(e.workFile.empty());
    EXPECT_EQ(e.workBytes, "");
}

TEST(BodyExtraction, UnsoundSlicesFallBackToTheWholeFile) {
    test::TempDir dir;
    for (std::string page :
         {"<body><div class=x", "<body><div>no end", "</div><body><div>x", "<body>no end tag"}) {
        Extraction e = extract(dir, page);
        EXPECT_TRUE(e.workFile.empty()) << page;
        EXPECT_EQ(e.workBytes, page);
    }
}

TEST(BodyExtraction, NothingToReadReturnsFalse) {
    std::unique_ptr<ReadStream> none;
    std::filesystem::path work;
    EXPECT_FALSE(extractBody(none, {}, work, true));
}

TEST(BodyExtraction, WorkFileNameCarriesTheDateTime) {
    EXPECT_EQ(bodyWorkingFilePath("/d/manual.htm", 46362.6254398148).string(),
              "/d/manual.htm.tmp46362.6254398148");
}

} // namespace
} // namespace qm
