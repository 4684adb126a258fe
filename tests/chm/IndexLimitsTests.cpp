// Index files at the binary index's limits: keywords longer than a 2 KiB block allows,
// keywords with hundreds of links, lists nested tens of thousands deep. They compile,
// cut or left out with a warning, in time and memory that grow with the input.
#include "chm/Compiler.h"
#include "chm/KeywordLinks.h"

#include "ChmReaders.h"
#include "KeywordLinksReader.h"
#include "MemoryLimit.h"
#include "RecordingListener.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

using namespace qm::chm;
using qm::test::KeywordLinksReader;
using qm::test::KeywordRow;

namespace {

std::string entry(const std::string& name, const std::string& local = "p.htm") {
    return "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name +
           "\"><param name=\"Local\" value=\"" + local + "\"></OBJECT>\n";
}

std::int32_t units(const std::string& utf8) {
    return icu::UnicodeString::fromUTF8(utf8).length();
}

// Every keyword the listing blocks hold is found again through the index blocks.
void expectEveryKeywordFound(const KeywordLinksReader& reader) {
    for (const KeywordRow& row : reader.all()) {
        bool found = false;
        for (const KeywordRow& r : reader.block(reader.blockFor(row.keyword)))
            found = found || r.keyword == row.keyword;
        ASSERT_TRUE(found) << row.keyword.substr(0, 40);
    }
}

SitemapEntry sitemapEntry(int depth, const std::string& name, int links = 1) {
    SitemapEntry e{depth, {{"name", name}}};
    for (int i = 0; i < links; ++i)
        e.params.push_back({"local", "p" + std::to_string(i) + ".htm"});
    return e;
}

TopicOfLink countingTopics() {
    return [](const std::string& local, const std::string&) {
        return static_cast<std::uint32_t>(std::stoul(local.substr(1)));
    };
}

} // namespace

TEST(IndexLimits, KeywordsLongerThanABlockAllowsAreCutAndStayFindable) {
    Sitemap index;
    index.entries.push_back(sitemapEntry(0, std::string(600, 'a')));
    index.entries.push_back(sitemapEntry(0, std::string(1000, 'b')));
    index.entries.push_back(sitemapEntry(1, "under the long one"));
    index.entries.push_back(sitemapEntry(0, "short"));
    // Ideographs are one UTF-16 unit, the emoji two: a cut never splits a pair.
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "中😀";
    index.entries.push_back(sitemapEntry(0, wide));
    SitemapEntry seeAlso{0, {{"name", "z see"}, {"see also", std::string(700, 'a')}}};
    index.entries.push_back(seeAlso);
    // Long keywords side by side: the index levels above them must still shrink.
    for (int i = 0; i < 120; ++i)
        index.entries.push_back(
            sitemapEntry(0, "m" + std::to_string(1000 + i) + std::string(700, 'k')));

    std::vector<std::string> notes;
    const std::vector<KeywordEntry> entries = keywordEntries(index, countingTopics(), &notes);
    ASSERT_EQ(entries.size(), index.entries.size() - 1) << "the sub-entry has no room left";
    for (const KeywordEntry& e : entries)
        EXPECT_LE(units(e.keyword), kMaxKeywordUnits);
    EXPECT_EQ(entries[0].keyword, std::string(kMaxKeywordUnits, 'a'));
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.front().find("cut short"), std::string::npos) << notes.front();
    EXPECT_NE(notes.back().find("changed to fit"), std::string::npos) << notes.back();

    const KeywordLinks links = buildKeywordLinks(entries, 1252, 0x409);
    EXPECT_EQ(links.skipped, 0u);
    const KeywordLinksReader reader(links.btree);
    EXPECT_GE(reader.depth(), 3u);
    const std::vector<KeywordRow> rows = reader.all();
    ASSERT_EQ(rows.size(), entries.size());
    for (const KeywordRow& row : rows) {
        EXPECT_LE(units(row.keyword), kMaxKeywordUnits);
        EXPECT_EQ(row.keyword.find("\xEF\xBF\xBD"), std::string::npos) << "a split pair";
    }
    for (const KeywordRow& row : rows) {
        if (row.keyword == "z see") {
            EXPECT_EQ(row.seeAlso, std::string(kMaxKeywordUnits, 'a')) << "cut as what it names";
        }
    }
    expectEveryKeywordFound(reader);
}

TEST(IndexLimits, EntriesTooLargeForABlockAreLeftOutNotLoopedOn) {
    // Entries made without keywordEntries: two 600-character keywords once sent the
    // building of the index levels into a loop that took all memory.
    std::vector<KeywordEntry> entries;
    for (char c : {'a', 'b', 'c'})
        entries.push_back({std::string(600, c), 0, 0, {1}, {}});
    entries.push_back({"d", 0, 0, std::vector<std::uint32_t>(600, 2), {}});
    entries.push_back({"e", 0, 0, {3}, {}});
    const int status = qm::test::runWithMemoryLimit(256u << 20, [&] {
        const KeywordLinks links = buildKeywordLinks(entries, 1252, 0x409);
        const std::vector<KeywordRow> rows = KeywordLinksReader(links.btree).all();
        return links.skipped == 4 && rows.size() == 1 && rows[0].keyword == "e" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST(IndexLimits, KeywordsWithManyLinksKeepWhatTheirBlockHolds) {
    Sitemap index;
    for (int i = 0; i < 40; ++i)
        index.entries.push_back(sitemapEntry(0, "many " + std::to_string(100 + i), 400));
    index.entries.push_back(sitemapEntry(0, "too many", 2000));
    std::vector<std::string> notes;
    const std::vector<KeywordEntry> entries = keywordEntries(index, countingTopics(), &notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("\"too many\" has 2000 links"), std::string::npos) << notes[0];
    const KeywordLinks links = buildKeywordLinks(entries, 1252, 0x409);
    EXPECT_EQ(links.skipped, 0u);
    const KeywordLinksReader reader(links.btree);
    const std::vector<KeywordRow> rows = reader.all();
    ASSERT_EQ(rows.size(), 41u);
    for (std::size_t i = 0; i < 40; ++i) {
        ASSERT_EQ(rows[i].topics.size(), 400u);
        EXPECT_EQ(rows[i].topics[399], 399u);
    }
    EXPECT_GT(rows[40].topics.size(), 400u);
    EXPECT_LT(rows[40].topics.size(), 2000u);
    expectEveryKeywordFound(reader);
}

// The whole compile, in a child process whose address space is limited (in the plain
// build): a sitemap nested 40,000 deep as both contents and index, and two keywords of
// 600 and 1,000 characters. Before, the first took gigabytes, the second a loop.
TEST(IndexLimits, DeepAndLongIndexesCompileInBoundedMemory) {
    qm::test::TempDir dir;
    std::string deep =
        "<HTML><BODY><UL>\n" + entry(std::string(600, 'x')) + entry(std::string(1000, 'y'));
    for (int i = 0; i < 40000; ++i)
        deep += "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"l" +
                std::to_string(i) + "\"></OBJECT><UL>\n";
    qm::test::writeFile(dir / "k.hhk", deep);
    qm::test::writeFile(dir / "p.htm", "<html><head><title>p</title></head><body>p</body></html>");
    qm::test::writeFile(dir / "k.hhp", "[OPTIONS]\nCompiled file=k.chm\nContents file=k.hhk\n"
                                       "Index file=k.hhk\nBinary Index=Yes\n\n[FILES]\np.htm\n");

    const std::filesystem::path log = dir / "log.txt";
    const int status = qm::test::runWithMemoryLimit(512u << 20, [&] {
        qm::test::RecordingListener listener;
        CompileOptions options;
        options.threads = 1;
        const bool written = compileProject(dir / "k.hhp", listener, options).written;
        qm::test::writeFile(log, listener.allLog());
        return written ? 0 : 1;
    });
    const std::string messages = qm::test::readFile(log);
    ASSERT_EQ(status, 0) << messages;
    EXPECT_NE(messages.find("nested too deep"), std::string::npos) << messages;
    EXPECT_NE(messages.find("cut short"), std::string::npos) << messages;

    const std::optional<std::string> tree =
        qm::test::chmlibLookup(dir / "k.chm", "/$WWKeywordLinks/BTree");
    ASSERT_TRUE(tree);
    const KeywordLinksReader reader(*tree);
    const std::vector<KeywordRow> rows = reader.all();
    ASSERT_GT(rows.size(), 50u);
    EXPECT_EQ(rows[0].keyword, "l0");
    EXPECT_EQ(rows[1].keyword, "l0, l1");
    for (const KeywordRow& row : rows)
        EXPECT_LE(units(row.keyword), kMaxKeywordUnits);
    expectEveryKeywordFound(reader);
}
