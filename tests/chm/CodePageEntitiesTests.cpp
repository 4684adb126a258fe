// Index and contents texts, and page titles, read as HTML Help Workshop reads them: a
// character reference below 256 is a byte of the project's code page. Projects saved by
// its editor on another system carry their Cyrillic or Chinese text that way.
#include "chm/Compiler.h"
#include "chm/Sitemap.h"
#include "chm/TextCodec.h"
#include "html/Entities.h"

#include "ChmInspect.h"
#include "ChmReaders.h"
#include "FiftiMainReader.h"
#include "KeywordLinksReader.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qm::chm;

namespace {

// "Окно" (window) as a cp1251 project's index writes it: the bytes CE EA ED EE.
const char* const kOkno = "&Icirc;&ecirc;&iacute;&icirc;";
// "中文" as the bytes D6 D0 CE C4 of GBK.
const char* const kZhongwen = "&Ouml;&ETH;&Icirc;&Auml;";

struct Compiled {
    qm::test::ChmContents files;
    std::vector<qm::test::TopicRow> topics;
    std::vector<qm::test::KeywordRow> keywords;
};

// A project in the code page of lcid whose index has one keyword linking a page's anchor
// (a topic titled from the index) and whose page has the given title.
Compiled compile(const std::filesystem::path& dir, const std::string& lcid,
                 const std::string& keyword, const std::string& title) {
    qm::test::writeFile(dir / "a.htm",
                        "<html><head><title>" + title + "</title></head><body>text</body></html>");
    qm::test::writeFile(dir / "k.hhk",
                        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" +
                            keyword + "\"><param name=\"Local\" value=\"a.htm#x\"></OBJECT></UL>");
    qm::test::writeFile(dir / "k.hhp", "[OPTIONS]\nCompiled file=k.chm\nIndex file=k.hhk\n"
                                       "Binary Index=Yes\nFull-text search=Yes\nLanguage=" +
                                           lcid + "\n\n[FILES]\na.htm\n");
    qm::test::RecordingListener listener;
    EXPECT_TRUE(compileProject(dir / "k.hhp", listener).written) << listener.allLog();
    Compiled out;
    std::optional<qm::test::ChmContents> files = qm::test::readWithChmlib(dir / "k.chm");
    if (!files)
        return out;
    out.files = std::move(*files);
    auto& c = out.files;
    out.topics = qm::test::parseTopics(c["/#TOPICS"], c["/#URLTBL"], c["/#URLSTR"], c["/#STRINGS"]);
    out.keywords = qm::test::KeywordLinksReader(c["/$WWKeywordLinks/BTree"]).all();
    return out;
}

std::string titleOf(const Compiled& chm, const std::string& url) {
    for (const qm::test::TopicRow& t : chm.topics)
        if (t.url == url)
            return t.title;
    return "(no topic " + url + ")";
}

} // namespace

TEST(CodePageEntities, ReferencesBelow256AreBytesOfTheCodePage) {
    EXPECT_EQ(decodeEntities(kOkno, "windows-1251"), "Окно");
    EXPECT_EQ(decodeEntities("&#206;&#234;&#xED;&#xee;", "windows-1251"), "Окно");
    // Other references stand for their Unicode characters.
    EXPECT_EQ(decodeEntities("&euro; &#1046; &hearts; &thetasym;", "windows-1251"), "€ Ж ♥ ϑ");
    EXPECT_EQ(decodeEntities("A &amp; B &lt;&nosuch; &", "windows-1251"), "A & B <&nosuch; &");
    // In the West's code page the C1 numbers are its punctuation, as browsers show them.
    EXPECT_EQ(decodeEntities("&#150; &Icirc;", "windows-1252"), "– Î");
    // A Unicode charset has no bytes to stand for.
    EXPECT_EQ(decodeEntities(kOkno, "UTF-8"), "Îêíî");
    EXPECT_EQ(qm::html::decodeEntities(kOkno), "Îêíî");
}

TEST(CodePageEntities, GbkBytesReadAsGbkAndLoneLeadBytesAsThemselves) {
    EXPECT_EQ(decodeEntities(kZhongwen, "GBK"), "中文");
    EXPECT_EQ(decodeEntities(std::string(kZhongwen) + " &Ouml;", "GBK"), "中文 Ö");
    EXPECT_EQ(decodeEntities("&Ouml;&ETH;&Ouml;", "GBK"), "中Ö");
    EXPECT_EQ(decodeEntities("&Ouml;x&#x4E2D;", "GBK"), "Öx中");
    EXPECT_EQ(decodeEntities("&#149;&#92;", "windows-31j"), "表") << "a trail byte below 0x80";
}

TEST(CodePageEntities, TheRussianSampleContentsReadInItsCodePage) {
    const std::filesystem::path samples = qm::test::samplesDir();
    if (samples.empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    const Sitemap contents =
        parseSitemap(qm::test::readFile(samples / "hhp" / "far-newarc-ru" / "newarc.hhc"));
    ASSERT_FALSE(contents.entries.empty());
    EXPECT_EQ(contents.entries[0].name("windows-1251"), "Структуры");
    EXPECT_EQ(contents.entries[1].name("windows-1251"), "ArchiveItem");
}

TEST(CodePageEntities, ACp1251ProjectsIndexTitlesAndSearchReadInItsCodePage) {
    qm::test::TempDir dir;
    const Compiled chm = compile(dir.path(), "0x419", std::string(kOkno) + " &amp; &euro;",
                                 std::string(kOkno) + " &#1054;");
    ASSERT_EQ(chm.keywords.size(), 1u);
    EXPECT_EQ(chm.keywords[0].keyword, "Окно & €");
    // The index's topic of the anchor is titled in cp1251 bytes; € is 0x88 there.
    EXPECT_EQ(titleOf(chm, "a.htm#x"), "\xCE\xEA\xED\xEE & \x88");
    // The page's own title, from its <title>: "Окно О".
    EXPECT_EQ(titleOf(chm, "a.htm"), "\xCE\xEA\xED\xEE \xCE");
    const qm::test::FiftiMainReader search(chm.files.at("/$FIftiMain"));
    std::vector<qm::test::FtsEntry> found = search.lookup("\xEE\xEA\xED\xEE"); // "окно"
    ASSERT_FALSE(found.empty()) << "the title's word, in cp1251";
    EXPECT_TRUE(found[0].inTitle);
}

TEST(CodePageEntities, AGbkProjectsIndexReadsItsBytesAsGbk) {
    qm::test::TempDir dir;
    const Compiled chm =
        compile(dir.path(), "0x804", std::string(kZhongwen) + " &Ouml;", "&Ouml;&ETH;");
    ASSERT_EQ(chm.keywords.size(), 1u);
    EXPECT_EQ(chm.keywords[0].keyword, "中文 Ö");
    // Ö is not in GBK: #STRINGS carries it as a reference, as other titles do.
    EXPECT_EQ(titleOf(chm, "a.htm#x"), "\xD6\xD0\xCE\xC4 &#214;");
    const qm::test::FiftiMainReader search(chm.files.at("/$FIftiMain"));
    EXPECT_FALSE(search.phrase({"\xD6\xD0"}).empty()) << "中 of the title";
}
