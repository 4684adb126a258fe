#include "chm/ContextFile.h"
#include "chm/Directory.h"
#include "chm/StringsFile.h"
#include "chm/SystemFile.h"
#include "chm/TopicTables.h"
#include "chm/WindowsFile.h"

#include "ChmInspect.h"

#include <gtest/gtest.h>

using namespace qm::chm;

TEST(SystemFiles, UrlHashesAreThoseOfHtmlHelpWorkshop) {
    // Values read from the #URLTBL of a CHM that Microsoft's compiler made (othello-zh).
    EXPECT_EQ(urlHash("index.htm"), 0x18FFD921u);
    EXPECT_EQ(urlHash("Index.hhk"), 0x18FFD71Bu);
    EXPECT_EQ(urlHash("Game_EndGame.htm"), 0x0E744A27u);
    EXPECT_EQ(urlHash("Othello.hhc"), 0x35750236u);
    EXPECT_EQ(urlHash("a\\b.htm"), urlHash("a/b.htm"));
    EXPECT_EQ(urlHash(""), 1u);
}

TEST(SystemFiles, StringsAreStoredOnceAndNeverCrossAPage) {
    StringsFile strings;
    EXPECT_EQ(strings.add(""), 0u);
    std::uint32_t a = strings.add("abc");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(strings.add("abc"), a);
    std::string big(4000, 'x');
    std::uint32_t b = strings.add(big);
    EXPECT_EQ(b, 5u);
    std::uint32_t c = strings.add(std::string(200, 'y'));
    EXPECT_EQ(c, 4096u); // would have crossed the page at 4096
    EXPECT_EQ(qm::test::stringAt(strings.bytes(), c), std::string(200, 'y'));
}

TEST(SystemFiles, TopicTablesLinkTitlesAndUrls) {
    StringsFile strings;
    std::vector<TopicRecord> topics{
        {"a/one.htm", "One", true}, {"two.htm", "", false}, {"toc.hhc", "", false}};
    TopicTables t = buildTopicTables(topics, strings);
    EXPECT_EQ(t.topics.size(), 48u);
    EXPECT_EQ(t.urltbl.size(), 36u);
    std::vector<qm::test::TopicRow> rows =
        qm::test::parseTopics(t.topics, t.urltbl, t.urlstr, strings.bytes());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].url, "a/one.htm");
    EXPECT_EQ(rows[0].title, "One");
    EXPECT_TRUE(rows[0].inContents);
    EXPECT_EQ(rows[1].url, "two.htm");
    EXPECT_EQ(rows[1].title, "");
    EXPECT_FALSE(rows[1].inContents);
    // #URLTBL is sorted by hash.
    for (std::size_t p = 12; p < t.urltbl.size(); p += 12)
        EXPECT_LE(qm::test::le32(t.urltbl, p - 12), qm::test::le32(t.urltbl, p));
}

TEST(SystemFiles, UrlTableEntriesNeverCrossAPage) {
    StringsFile strings;
    std::vector<TopicRecord> topics;
    for (int i = 0; i < 800; ++i)
        topics.push_back({"page" + std::to_string(i) + ".htm", "", false});
    TopicTables t = buildTopicTables(topics, strings);
    EXPECT_EQ(t.urltbl.size(), 4096u * 2 + (800 - 682) * 12u);
    EXPECT_EQ(qm::test::le32(t.urltbl, 4092), 0u);
}

TEST(SystemFiles, SystemFileCarriesTheProjectsSettings) {
    SystemInfo info;
    info.lcid = 0x804;
    info.timestamp = 1700000000;
    info.fileTime = 0x01DA1234ABCD0000ull;
    info.contentsFile = "manual.hhc";
    info.indexFile = "manual.hhk";
    info.defaultTopic = "manual.Content/\xCA\xD7\xD2\xB3.1.htm";
    info.title = "manual";
    info.defaultWindow = "Main";
    info.defaultFont = "\xCB\xCE\xCC\xE5,9,134";
    info.compiledName = "manual";
    info.idxhdr = std::string(4096, '\0');
    qm::test::SystemRecords s = qm::test::parseSystem(buildSystemFile(info));
    EXPECT_EQ(s.version, 3u);
    EXPECT_EQ(s.text(0), "manual.hhc");
    EXPECT_EQ(s.text(1), "manual.hhk");
    EXPECT_EQ(s.text(2), info.defaultTopic);
    EXPECT_EQ(s.text(3), "manual");
    EXPECT_EQ(s.text(5), "Main");
    EXPECT_EQ(s.text(6), "manual");
    EXPECT_EQ(s.text(9), "HHA Version 4.74.8702");
    EXPECT_EQ(s.text(16), info.defaultFont);
    EXPECT_EQ(qm::test::le32(s.records[4], 0), 0x804u);
    EXPECT_EQ(qm::test::le32(s.records[10], 0), 1700000000u);
    EXPECT_EQ(s.records[13].size(), 4096u);
    EXPECT_EQ(s.records.count(7), 0u);
}

TEST(SystemFiles, ContextFileIsSortedByNumber) {
    std::string ivb = buildContextFile({{1002, 20}, {1001, 10}, {10010, 30}});
    auto pairs = qm::test::parseIvb(ivb);
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(qm::test::le32(ivb, 0), 24u);
    EXPECT_EQ(pairs[0], std::make_pair(1001u, 10u));
    EXPECT_EQ(pairs[2], std::make_pair(10010u, 30u));
}

TEST(SystemFiles, WindowEntriesAre196BytesWithTheirFields) {
    WindowDef w;
    w.name = "Main";
    w.caption = "Title";
    w.toc = "x.hhc";
    w.defaultFile = "a\\b.htm";
    w.navigationStyle = 0x1561;
    w.navigationWidth = 185;
    w.buttons = 0x107E;
    w.rect[0] = 1;
    w.rect[2] = 1000;
    w.hasRect = true;
    StringsFile strings;
    std::string file = buildWindowsFile({w}, strings, "GBK", [](const std::string& s) {
        std::string t = s;
        for (char& c : t)
            if (c == '\\')
                c = '/';
        return t;
    });
    ASSERT_EQ(file.size(), 8u + 196u);
    EXPECT_EQ(qm::test::le32(file, 0), 1u);
    EXPECT_EQ(qm::test::le32(file, 4), 196u);
    const std::size_t e = 8;
    EXPECT_EQ(qm::test::stringAt(strings.bytes(), qm::test::le32(file, e + 0x08)), "Main");
    EXPECT_EQ(qm::test::le32(file, e + 0x10), 0x1561u);
    EXPECT_EQ(qm::test::stringAt(strings.bytes(), qm::test::le32(file, e + 0x14)), "Title");
    EXPECT_EQ(qm::test::le32(file, e + 0x28), 1000u);
    EXPECT_EQ(qm::test::le32(file, e + 0x4C), 185u);
    EXPECT_EQ(qm::test::stringAt(strings.bytes(), qm::test::le32(file, e + 0x60)), "x.hhc");
    EXPECT_EQ(qm::test::stringAt(strings.bytes(), qm::test::le32(file, e + 0x68)), "a/b.htm");
    EXPECT_EQ(qm::test::le32(file, e + 0x70), 0x107Eu);
}
