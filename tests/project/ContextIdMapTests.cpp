#include "project/ContextIdMap.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

std::vector<std::size_t> ks(const ContextIdNumbering& n) {
    return n.ks;
}

std::vector<std::size_t> numbersOf(const std::vector<ContextIdEntry>& entries) {
    std::vector<std::size_t> out;
    for (const ContextIdEntry& e : entries)
        out.push_back(e.k);
    return out;
}

// Edits of a manual between runs, and the numbers its topics get.
TEST(ContextIds, NumbersStayWithTheirTopicsAcrossEdits) {
    using Keys = std::vector<std::string>;
    const Keys v1 = {"首页", "A", "A / 1", "B", "C", "D"};
    ContextIdNumbering first = numberContextIds(v1, std::nullopt);
    EXPECT_EQ(ks(first), (std::vector<std::size_t>{1, 2, 3, 4, 5, 6}));

    // A heading inserted near the start: every other topic keeps its number.
    ContextIdNumbering inserted =
        numberContextIds({"首页", "X", "A", "A / 1", "B", "C", "D"}, first.map);
    EXPECT_EQ(ks(inserted), (std::vector<std::size_t>{1, 7, 2, 3, 4, 5, 6}));
    EXPECT_EQ(numbersOf(inserted.added), (std::vector<std::size_t>{7}));
    EXPECT_EQ(inserted.kept, 6u);

    // A heading deleted: its number is retired and never given again.
    ContextIdNumbering deleted = numberContextIds({"首页", "A", "A / 1", "C", "D"}, first.map);
    EXPECT_EQ(ks(deleted), (std::vector<std::size_t>{1, 2, 3, 5, 6}));
    EXPECT_EQ(numbersOf(deleted.retired), (std::vector<std::size_t>{4}));
    ContextIdNumbering later = numberContextIds({"首页", "A", "A / 1", "Y", "C", "D"}, deleted.map);
    EXPECT_EQ(ks(later), (std::vector<std::size_t>{1, 2, 3, 7, 5, 6}));

    // One title corrected between unchanged neighbours keeps its number; two side by side
    // cannot be told apart and get new ones.
    EXPECT_EQ(ks(numberContextIds({"首页", "A", "A / 1", "B", "C2", "D"}, first.map)),
              (std::vector<std::size_t>{1, 2, 3, 4, 5, 6}));
    ContextIdNumbering two = numberContextIds({"首页", "A", "A / 1", "B2", "C2", "D"}, first.map);
    EXPECT_EQ(ks(two), (std::vector<std::size_t>{1, 2, 3, 7, 8, 6}));
    EXPECT_EQ(numbersOf(two.retired), (std::vector<std::size_t>{4, 5}));

    // A topic that comes back takes its old number again.
    EXPECT_EQ(ks(numberContextIds(v1, deleted.map)), ks(first));
}

// A map an earlier version wrote keyed the same topics otherwise: numbers run into the
// text (LibreOffice's pages), the top level under "首页" when the document has no
// level-1 heading, and a heading that shows only a picture as "无标题". Its next run
// keeps every number and writes today's keys.
TEST(ContextIds, AMapOfAnEarlierVersionKeepsEveryNumber) {
    using Keys = std::vector<std::string>;
    const std::vector<ContextIdEntry> old = {{1, "首页", false},
                                             {2, "首页 / 1概述", false},
                                             {3, "首页 / 1概述 / 1.1编写目的", false},
                                             {4, "首页 / 1概述 / 无标题", false},
                                             {5, "首页 / 1概述 / 无标题 #2", false},
                                             {6, "首页 / 2安装", false},
                                             {7, "首页 / 2安装 / 2.1 Requirements", false},
                                             {8, "Gone", true}};
    const Keys keys = {"首页",
                       "1 概述",
                       "1 概述 / 1.1 编写目的",
                       "1 概述 / image001.png",
                       "1 概述 / 流程图",
                       "2 安装",
                       "2 安装 / 2.1 Requirements"};
    const Keys legacy = {"首页",
                         "1 概述",
                         "1 概述 / 1.1 编写目的",
                         "1 概述 / 无标题",
                         "1 概述 / 无标题 #2",
                         "2 安装",
                         "2 安装 / 2.1 Requirements"};
    ContextIdNumbering next = numberContextIds(keys, old, legacy);
    EXPECT_EQ(ks(next), (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(next.kept, 7u);
    EXPECT_TRUE(next.added.empty());
    EXPECT_TRUE(next.retired.empty());
    ASSERT_EQ(next.map.size(), 8u);
    EXPECT_EQ(next.map[3].key, "1 概述 / image001.png");
    EXPECT_EQ(ks(numberContextIds(keys, next.map, legacy)), ks(next));

    // Read alike is no licence to merge: a second topic of the same reading is new.
    ContextIdNumbering twice =
        numberContextIds({"1 A", "1A"}, std::vector<ContextIdEntry>{{1, "1A", false}});
    EXPECT_EQ(ks(twice), (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(numbersOf(twice.added), (std::vector<std::size_t>{2}));
}

TEST(ContextIds, KeysFollowTheTreeAndTellRepeatedTitlesApart) {
    StructureTree tree;
    auto add = [&](StructureNode* parent, const char* heading, const char* position) {
        StructureNode& n = tree.append(parent);
        n.heading = gbk::fromUtf8(heading);
        n.title = n.heading;
        n.position = position;
        return &n;
    };
    StructureNode* install = add(nullptr, "安装", "2");
    add(install, "设置", "10");
    add(install, "设置", "20");
    add(nullptr, "&#54620;", "30");
    std::vector<std::string> topics;
    tree.forEach([&](const StructureNode& n) { topics.push_back(n.title + "." + n.position); });
    EXPECT_EQ(contextIdKeys(tree, topics),
              (std::vector<std::string>{"安装", "安装 / 设置", "安装 / 设置 #2", "한"}));

    // Pictures' names, and the "无标题" earlier versions read for them.
    StructureNode* shown = add(install, "image001.png", "40");
    shown->pictureHeading = true;
    add(install, "image002.png", "50")->pictureHeading = true;
    topics.push_back(shown->title + ".40");
    topics.push_back(gbk::fromUtf8("image002.png.50"));
    std::vector<std::string> legacy = contextIdKeys(tree, topics, KeyReading::Legacy);
    EXPECT_EQ(contextIdKeys(tree, topics).back(), "安装 / image002.png");
    EXPECT_EQ(std::vector<std::string>(legacy.end() - 2, legacy.end()),
              (std::vector<std::string>{"安装 / 无标题", "安装 / 无标题 #2"}));
}

TEST(ContextIds, TheMapFileRoundTripsAndADamagedOneIsAClearError) {
    test::TempDir dir;
    EXPECT_FALSE(readContextIdMap(dir / "m.ids").has_value());
    ContextIdNumbering n = numberContextIds(
        {"首页", "B"},
        std::vector<ContextIdEntry>{{1, "首页", false}, {2, "A", false}, {3, "Old", true}});
    writeContextIdMap(dir / "m.ids", {n.map, "../doc/m.htm", {"m.Content/a.htm"}});
    std::optional<ContextIdMapFile> back = readContextIdMap(dir / "m.ids");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->source, "../doc/m.htm");
    EXPECT_EQ(back->written, std::vector<std::string>{"m.Content/a.htm"});
    ASSERT_EQ(back->entries.size(), n.map.size());
    for (std::size_t i = 0; i < back->entries.size(); ++i) {
        EXPECT_EQ(back->entries[i].k, n.map[i].k);
        EXPECT_EQ(back->entries[i].key, n.map[i].key);
        EXPECT_EQ(back->entries[i].retired, n.map[i].retired);
    }
    // B took the place of A, the one old topic between the same neighbours.
    EXPECT_NE(test::readFile(dir / "m.ids").find("2\ttopic\tB\n3\tretired\tOld\n"),
              std::string::npos);
    // A map is taken whole or refused with the line that is wrong, never half-read.
    const std::pair<const char*, const char*> damaged[] = {
        {"1\ttopic\tA\nnonsense\n", "第2行"},
        {"1\ttopic\tA\n2\ttopic\t安装 / 系", "第2行"},       // cut short
        {"1\ttopic\tA\n2\ttopic\t\xe5\xae\n", "第2行"},      // cut in a character
        {"1\ttopic\tA\n1\tretired\tB\n", "第2行"},           // a number twice
        {"# old map\n\n1\ttopic\tA\n2\ttopic\t\n", "第4行"}, // no key
    };
    for (const auto& [bytes, line] : damaged) {
        test::writeFile(dir / "bad.ids", bytes);
        try {
            readContextIdMap(dir / "bad.ids");
            ADD_FAILURE() << bytes;
        } catch (const Error& e) {
            EXPECT_NE(gbk::toUtf8(e.what()).find(line), std::string::npos) << gbk::toUtf8(e.what());
        }
    }
    // An old map without the records is read as it is.
    test::writeFile(dir / "old.ids", "# comment\n1\ttopic\tA\r\n3\tretired\tB\n");
    std::optional<ContextIdMapFile> old = readContextIdMap(dir / "old.ids");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->entries.size(), 2u);
    EXPECT_TRUE(old->source.empty());
    // Bounded: more lines than any project has is no map of ours.
    std::string huge;
    for (std::size_t k = 1; k <= kMaxContextIdMapLines + 1; ++k)
        huge += std::to_string(k) + "\ttopic\tT" + std::to_string(k) + "\n";
    test::writeFile(dir / "huge.ids", huge);
    EXPECT_THROW(readContextIdMap(dir / "huge.ids"), Error);
}

} // namespace
} // namespace qm
