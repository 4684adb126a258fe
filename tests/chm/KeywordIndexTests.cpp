// The binary keyword index ($WWKeywordLinks) read back with a reader written from the
// format's public description.
#include "chm/Compiler.h"
#include "chm/KeywordLinks.h"

#include "ChmChecks.h"
#include "ChmInspect.h"
#include "ChmReaders.h"
#include "KeywordLinksReader.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qm::chm;
using qm::test::KeywordLinksReader;
using qm::test::KeywordRow;
using qm::test::RecordingListener;
using qm::test::TempDir;

namespace {

const char* const kIndex = R"(<HTML><BODY><UL>
<LI><OBJECT type="text/sitemap"><param name="Name" value="Zebra"><param name="Local" value="c.htm"></OBJECT>
<LI><OBJECT type="text/sitemap"><param name="Name" value="apple"><param name="Local" value="a.htm"><param name="Local" value="b.htm"></OBJECT>
<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="green"><param name="Local" value="b.htm#g"></OBJECT></UL>
<LI><OBJECT type="text/sitemap"><param name="Name" value="Mango"><param name="See Also" value="apple"></OBJECT>
</UL></BODY></HTML>
)";

void writeProject(const std::filesystem::path& dir, bool binaryIndex) {
    for (const char* page : {"a", "b", "c"})
        qm::test::writeFile(dir / (std::string(page) + ".htm"),
                            std::string("<html><head><title>") + page +
                                "</title></head><body>text</body></html>");
    qm::test::writeFile(dir / "k.hhk", kIndex);
    qm::test::writeFile(dir / "k.hhp",
                        std::string("[OPTIONS]\nCompiled file=k.chm\nIndex file=k.hhk\n"
                                    "Default topic=a.htm\nBinary Index=") +
                            (binaryIndex ? "Yes" : "No") + "\n\n[FILES]\na.htm\nb.htm\nc.htm\n");
}

std::vector<std::string> urls(const KeywordRow& row,
                              const std::vector<qm::test::TopicRow>& topics) {
    std::vector<std::string> out;
    for (std::uint32_t t : row.topics)
        out.push_back(t < topics.size() ? topics[t].url : "?");
    return out;
}

} // namespace

TEST(KeywordIndex, BinaryIndexListsKeywordsSortedWithSubEntriesAndTheirTopics) {
    TempDir dir;
    writeProject(dir.path(), true);
    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    ASSERT_TRUE(compileProject(dir / "k.hhp", listener, options).written) << listener.allLog();
    qm::test::AllReaders readers = qm::test::readWithAll(dir / "k.chm", dir / "scratch");
    ASSERT_TRUE(readers.chmlib && readers.mspack) << readers.mspackError;
    for (const auto* contents : {&*readers.chmlib, &*readers.mspack})
        for (const char* name : {"/$WWKeywordLinks/BTree", "/$WWKeywordLinks/Data",
                                 "/$WWKeywordLinks/Map", "/$WWKeywordLinks/Property"})
            EXPECT_TRUE(contents->count(name)) << name;
    if (readers.sevenZip) {
        EXPECT_EQ(readers.sevenZip->at("/$WWKeywordLinks/BTree"),
                  readers.chmlib->at("/$WWKeywordLinks/BTree"));
    }
    auto& c = *readers.chmlib;
    const std::vector<qm::test::TopicRow> topics =
        qm::test::parseTopics(c["/#TOPICS"], c["/#URLTBL"], c["/#URLSTR"], c["/#STRINGS"]);
    EXPECT_TRUE(qm::test::parseSystem(c["/#SYSTEM"]).records.count(7));

    const KeywordLinksReader reader(c["/$WWKeywordLinks/BTree"]);
    EXPECT_EQ(reader.keywordCount(), 4u);
    const std::vector<KeywordRow> rows = reader.all();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].keyword, "apple");
    EXPECT_EQ(urls(rows[0], topics), (std::vector<std::string>{"a.htm", "b.htm"}));
    EXPECT_EQ(rows[1].keyword, "apple, green");
    EXPECT_EQ(rows[1].depth, 1u);
    EXPECT_EQ(rows[1].lastLevelAt, 7u);
    EXPECT_EQ(urls(rows[1], topics), (std::vector<std::string>{"b.htm#g"}));
    EXPECT_EQ(rows[2].keyword, "Mango");
    EXPECT_EQ(rows[2].seeAlso, "apple");
    EXPECT_TRUE(rows[2].topics.empty());
    EXPECT_EQ(rows[3].keyword, "Zebra");
    EXPECT_EQ(urls(rows[3], topics), (std::vector<std::string>{"c.htm"}));
    EXPECT_EQ(c["/$WWKeywordLinks/Data"].size(), 4u * 13u);
}

TEST(KeywordIndex, NoBinaryIndexUnlessTheProjectAsks) {
    TempDir dir;
    writeProject(dir.path(), false);
    RecordingListener listener;
    ASSERT_TRUE(compileProject(dir / "k.hhp", listener).written) << listener.allLog();
    EXPECT_FALSE(qm::test::chmlibLookup(dir / "k.chm", "/$WWKeywordLinks/BTree"));
    EXPECT_TRUE(qm::test::chmlibLookup(dir / "k.chm", "/k.hhk"));
}

TEST(KeywordIndex, ManyKeywordsSpanBlocksAndTheIndexBlocksLeadToEveryOne) {
    Sitemap index;
    for (int i = 0; i < 4000; ++i) {
        // Chinese and English keywords, given out of order.
        const int n = (i * 7919) % 4000;
        std::string name = (n % 2 ? "关键词 " : "keyword ") + std::to_string(n);
        index.entries.push_back({0, {{"name", name}, {"local", "p.htm"}}});
    }
    std::vector<KeywordEntry> entries =
        keywordEntries(index, [](const std::string&, const std::string&) { return 3u; });
    const KeywordLinks links = buildKeywordLinks(entries, 936, 0x804);
    const KeywordLinksReader reader(links.btree);
    EXPECT_GE(reader.depth(), 2u);
    const std::vector<KeywordRow> rows = reader.all();
    ASSERT_EQ(rows.size(), 4000u);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_LT(rows[i - 1].keyword, rows[i].keyword);
    for (const KeywordRow& row : rows) {
        bool found = false;
        for (const KeywordRow& r : reader.block(reader.blockFor(row.keyword)))
            found = found || r.keyword == row.keyword;
        ASSERT_TRUE(found) << row.keyword;
        ASSERT_EQ(row.topics, std::vector<std::uint32_t>{3});
    }
    // Map: the number of listing blocks, then (keywords before, block) for each.
    const auto listingBlocks = static_cast<std::uint32_t>(
        static_cast<unsigned char>(links.map[0]) | static_cast<unsigned char>(links.map[1]) << 8);
    EXPECT_GT(listingBlocks, 1u);
    EXPECT_EQ(links.map.size(), 2 + 8u * listingBlocks);
}

// othello-zh ships the CHM Microsoft's compiler made of it: our binary keyword index
// and URL table of the same project must be the same bytes, but for the one flag word
// of the keyword tree's header (Microsoft's compiler writes 0x0104 there, chmcmd and
// we 0x0002; no public description says what its bits mean).
TEST(KeywordIndex, TheSampleGetsTheKeywordIndexMicrosoftsCompilerMade) {
    const std::filesystem::path samples = qm::test::samplesDir();
    if (samples.empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    const std::filesystem::path original = samples / "hhp" / "othello-zh";
    TempDir dir;
    auto microsoft = qm::test::readWithChmlib(original / "Othello.chm");
    auto ours =
        qm::test::readWithChmlib(qm::test::compileSampleCopy(original, "Othello.hhp", dir / "p"));
    ASSERT_TRUE(microsoft && ours);
    for (const char* name :
         {"/$WWKeywordLinks/Data", "/$WWKeywordLinks/Map", "/$WWKeywordLinks/Property",
          "/$WWAssociativeLinks/Property", "/#URLTBL"})
        EXPECT_EQ((*ours)[name], (*microsoft)[name]) << name;
    std::string ourTree = (*ours)["/$WWKeywordLinks/BTree"];
    const std::string theirTree = (*microsoft)["/$WWKeywordLinks/BTree"];
    ASSERT_EQ(ourTree.size(), theirTree.size());
    ASSERT_GT(ourTree.size(), 4u);
    EXPECT_EQ(qm::test::le32(ourTree, 0) & 0xFFFF0000u, 0x00020000u);
    ourTree.replace(2, 2, theirTree.substr(2, 2));
    EXPECT_EQ(ourTree, theirTree);
}
