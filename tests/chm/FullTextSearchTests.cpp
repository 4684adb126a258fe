// The full-text index ($FIftiMain): read back with a reader written from the format's
// public description, held against the index chmcmd writes for the same project, and
// searched for Chinese words of several characters.
#include "chm/Compiler.h"
#include "chm/FullTextIndex.h"
#include "chm/TextCodec.h"

#include "ChmChecks.h"
#include "ChmInspect.h"
#include "ChmReaders.h"
#include "FiftiMainReader.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <set>

using namespace qm::chm;
using qm::test::FiftiMainReader;
using qm::test::RecordingListener;
using qm::test::TempDir;

namespace {

CompileOptions fixedOptions() {
    CompileOptions o;
    o.timestamp = 1700000000;
    return o;
}

struct OpenedChm {
    std::vector<qm::test::TopicRow> topics;
    qm::test::SystemRecords system;
    std::string fiftiMain;
};

OpenedChm openChm(const std::filesystem::path& chm) {
    std::optional<qm::test::ChmContents> contents = qm::test::readWithChmlib(chm);
    if (!contents)
        throw std::runtime_error("chmlib cannot open " + chm.string());
    auto& c = *contents;
    OpenedChm out;
    out.topics = qm::test::parseTopics(c["/#TOPICS"], c["/#URLTBL"], c["/#URLSTR"], c["/#STRINGS"]);
    out.system = qm::test::parseSystem(c["/#SYSTEM"]);
    out.fiftiMain = c["/$FIftiMain"];
    return out;
}

// The URLs of the topics that hold a word, in their title or body.
std::set<std::string> urlsOf(const FiftiMainReader& index, const OpenedChm& chm,
                             const std::string& word) {
    std::set<std::string> urls;
    for (const qm::test::FtsEntry& e : index.lookup(word))
        for (const qm::test::FtsTopic& t : e.topics)
            urls.insert(t.topic < chm.topics.size() ? chm.topics[t.topic].url : "?");
    return urls;
}

std::set<std::string> phraseUrls(const FiftiMainReader& index, const OpenedChm& chm,
                                 const std::vector<std::string>& words) {
    std::set<std::string> urls;
    for (std::uint32_t t : index.phrase(words))
        urls.insert(t < chm.topics.size() ? chm.topics[t].url : "?");
    return urls;
}

std::uint32_t fullTextFlag(const OpenedChm& chm) {
    return qm::test::le32(chm.system.records.at(4), 8);
}

// A seeded vocabulary of letter-only words, so that both compilers cut them alike.
std::vector<std::string> vocabulary(std::size_t count, std::size_t length, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::set<std::string> words;
    while (words.size() < count) {
        std::string w;
        for (std::size_t i = 0; i < length; ++i)
            w.push_back(static_cast<char>(letter(random)));
        words.insert(w);
    }
    return {words.begin(), words.end()};
}

// A query cut as the viewer cuts it: every three-byte UTF-8 character (the ideographs)
// is a term of its own, other characters gather into words, ASCII letters in lower case.
std::vector<std::string> queryTerms(const std::string& utf8) {
    std::vector<std::string> terms;
    std::string word;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::string ch = utf8.substr(i, length);
        i += length;
        if (length >= 3) {
            if (!word.empty())
                terms.push_back(word);
            word.clear();
            terms.push_back(ch);
        } else if (length == 2 || std::isalnum(lead)) {
            if (length == 1)
                word.push_back(static_cast<char>(std::tolower(lead)));
            else
                word += ch;
        } else {
            if (!word.empty())
                terms.push_back(word);
            word.clear();
        }
    }
    if (!word.empty())
        terms.push_back(word);
    return terms;
}

} // namespace

TEST(FullTextSearch, FindsTheSameTopicsAsChmcmdsIndexOfTheSameProject) {
    if (qm::test::runCommand("command -v chmcmd") != 0)
        GTEST_SKIP() << "chmcmd is not installed; the comparison with its index is skipped";
    TempDir dir;
    // Enough different words for several leaves and an index node in both indexes.
    const std::vector<std::string> words = vocabulary(900, 7, 4);
    std::mt19937 random(9);
    std::string files;
    const int pages = 12;
    for (int p = 0; p < pages; ++p) {
        std::string body;
        for (int k = 0; k < 220; ++k) {
            body += words[random() % words.size()];
            body += k % 11 == 10 ? ".</p>\n<p>" : " ";
        }
        const std::string name = "page" + std::to_string(p) + ".htm";
        qm::test::writeFile(dir / name, "<html><head><title>Topic " +
                                            words[static_cast<std::size_t>(p)] +
                                            "</title></head>\n<body><h1>Heading</h1><p>" + body +
                                            "common words</p></body></html>\n");
        files += name + "\n";
    }
    qm::test::writeFile(dir / "en.hhp", "[OPTIONS]\nCompiled file=en.chm\nDefault topic=page0.htm\n"
                                        "Full-text search=Yes\nTitle=English\n"
                                        "Language=0x409 English (United States)\n\n[FILES]\n" +
                                            files);
    std::string output;
    ASSERT_EQ(qm::test::runCommand(
                  "cd " + qm::test::shellQuote(dir.path().string()) + " && chmcmd en.hhp", &output),
              0)
        << output;
    std::filesystem::rename(dir / "en.chm", dir / "peer.chm");
    RecordingListener listener;
    CompileResult ours = compileProject(dir / "en.hhp", listener, fixedOptions());
    ASSERT_TRUE(ours.written) << listener.allLog();

    const OpenedChm peerChm = openChm(dir / "peer.chm"), ourChm = openChm(dir / "en.chm");
    const FiftiMainReader peer(peerChm.fiftiMain), mine(ourChm.fiftiMain);
    EXPECT_GE(peer.leafCount(), 2u);
    EXPECT_GE(mine.leafCount(), 2u);
    EXPECT_GE(mine.depth(), 2u);
    EXPECT_EQ(fullTextFlag(ourChm), 1u);

    std::set<std::string> peerWords;
    for (const qm::test::FtsEntry& e : peer.all())
        peerWords.insert(e.word);
    std::set<std::string> ourWords;
    for (const qm::test::FtsEntry& e : mine.all())
        ourWords.insert(e.word);
    EXPECT_EQ(ourWords, peerWords);
    std::size_t compared = 0;
    for (const std::string& word : peerWords) {
        const std::set<std::string> expected = urlsOf(peer, peerChm, word);
        ASSERT_FALSE(expected.empty()) << word;
        EXPECT_EQ(urlsOf(mine, ourChm, word), expected) << word;
        ++compared;
    }
    EXPECT_GT(compared, 800u);
    EXPECT_EQ(urlsOf(mine, ourChm, "common").size(), static_cast<std::size_t>(pages));
    EXPECT_TRUE(urlsOf(mine, ourChm, "absentword").empty());
    // Words next to each other on a page are found as a phrase.
    EXPECT_EQ(phraseUrls(mine, ourChm, {"common", "words"}).size(),
              static_cast<std::size_t>(pages));
    EXPECT_TRUE(phraseUrls(mine, ourChm, {"words", "common"}).empty());
}

TEST(FullTextSearch, ChineseWordsOfTwoOrMoreCharactersAreFoundInTheirTopics) {
    TempDir dir;
    auto page = [&](const std::string& name, const std::string& titleUtf8,
                    const std::string& bodyUtf8) {
        qm::test::writeFile(dir / name,
                            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                            "charset=gb2312\"><title>" +
                                qm::gbk::fromUtf8(titleUtf8) + "</title></head><body>" +
                                qm::gbk::fromUtf8(bodyUtf8) + "</body></html>");
    };
    page("one.htm", "编译器手册", "<p>这是<b>编译</b>器的说明。Compiler 帮助文件。</p>");
    page("two.htm", "第二页",
         "<p>中文全文搜索，器与编和译不相连。运行 Setup.exe 1.5 版</p><script>编译器</script>");
    // Character references count as the characters they stand for: 编译器.
    page("three.htm", "第三页", "<p>&#32534;&#35793;&#22120; and caf&eacute;</p>");
    qm::test::writeFile(dir / "zh.hhp",
                        qm::gbk::fromUtf8("[OPTIONS]\r\nCompiled file=zh.chm\r\nDefault "
                                          "topic=one.htm\r\nFull-text search=Yes\r\n"
                                          "Language=0x804 中文(中国)\r\nTitle=中文\r\n\r\n"
                                          "[FILES]\r\none.htm\r\ntwo.htm\r\nthree.htm\r\n"));
    RecordingListener listener;
    ASSERT_TRUE(compileProject(dir / "zh.hhp", listener, fixedOptions()).written)
        << listener.allLog();
    const OpenedChm chm = openChm(dir / "zh.chm");
    const FiftiMainReader index(chm.fiftiMain);
    EXPECT_EQ(index.codePage(), 936u);
    EXPECT_EQ(index.lcid(), 0x804u);
    EXPECT_EQ(fullTextFlag(chm), 1u);

    // The query is cut the way the viewer cuts it: one term per ideograph, in GBK.
    auto search = [&](const std::string& utf8) {
        std::vector<std::string> terms;
        for (const std::string& w : queryTerms(utf8))
            terms.push_back(qm::gbk::fromUtf8(w));
        return phraseUrls(index, chm, terms);
    };
    using Urls = std::set<std::string>;
    EXPECT_EQ(search("编译器"), (Urls{"one.htm", "three.htm"})); // not the script's
    EXPECT_EQ(search("编译"), (Urls{"one.htm", "three.htm"}));
    EXPECT_EQ(search("中文全文"), (Urls{"two.htm"}));
    EXPECT_EQ(search("全文搜索"), (Urls{"two.htm"}));
    EXPECT_EQ(search("手册"), (Urls{"one.htm"})); // in the title
    EXPECT_EQ(search("帮助文件"), (Urls{"one.htm"}));
    EXPECT_TRUE(search("文中").empty());     // both characters are there, not side by side
    EXPECT_TRUE(search("搜索器").empty());   // a comma stands between them
    EXPECT_TRUE(search("手册这是").empty()); // the end of the title, the start of the body
    // A point between letters or digits stays in the word, as the viewer keeps it.
    EXPECT_EQ(urlsOf(index, chm, "setup.exe"), (Urls{"two.htm"}));
    EXPECT_EQ(urlsOf(index, chm, "1.5"), (Urls{"two.htm"}));
    EXPECT_TRUE(urlsOf(index, chm, "exe").empty());
    EXPECT_EQ(search("compiler"), (Urls{"one.htm"}));
    EXPECT_EQ(search("Café"), (Urls{"three.htm"}));
}

// The credit line every generated page carries in a comment, and Word's VML branch,
// are no text a reader sees.
TEST(FullTextSearch, WordsInsideCommentsAreNotFound) {
    TempDir dir;
    qm::test::writeFile(
        dir / "page.htm",
        "<html><head><title>Page</title><!--[if gte mso 9]><xml><o:DocumentProperties>"
        "<o:Author>officeauthor</o:Author></o:DocumentProperties></xml><![endif]--></head>"
        "<body><!-- Powered By Quillmark https://quillmark.example.org/ --><p>visible"
        "<!--[if gte vml 1]><v:shape><v:textbox>vmltext</v:textbox></v:shape><![endif]-->"
        "<![if !vml]>fallback<![endif]></p></body></html>");
    qm::test::writeFile(dir / "c.hhp", "[OPTIONS]\nCompiled file=c.chm\nDefault topic=page.htm\n"
                                       "Full-text search=Yes\n\n[FILES]\npage.htm\n");
    RecordingListener listener;
    ASSERT_TRUE(compileProject(dir / "c.hhp", listener, fixedOptions()).written)
        << listener.allLog();
    const OpenedChm chm = openChm(dir / "c.chm");
    const FiftiMainReader index(chm.fiftiMain);
    std::set<std::string> words;
    for (const qm::test::FtsEntry& e : index.all())
        words.insert(e.word);
    EXPECT_EQ(words, (std::set<std::string>{"fallback", "page", "visible"}));
}

// othello-zh comes with the CHM Microsoft's compiler made of it: our index of its
// Chinese and English text must hold the same words, in the same topics, at the same
// positions (so that phrases match alike), in the same order. Only the punctuation
// marks that Microsoft's index also lists as words are left out of ours.
TEST(FullTextSearch, IndexesTheChineseSampleAsMicrosoftsCompilerDid) {
    const std::filesystem::path samples = qm::test::samplesDir();
    if (samples.empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    const std::filesystem::path original = samples / "hhp" / "othello-zh";
    TempDir dir;
    const std::filesystem::path ourChm =
        qm::test::compileSampleCopy(original, "Othello.hhp", dir / "p");

    using Occurrences = std::set<std::pair<std::string, std::vector<std::uint32_t>>>;
    struct Index {
        std::vector<std::pair<std::string, bool>> order;
        std::map<std::pair<std::string, bool>, Occurrences> entries;
    };
    auto read = [](const std::filesystem::path& file, bool withPunctuation) {
        const OpenedChm chm = openChm(file);
        Index index;
        for (const qm::test::FtsEntry& e : FiftiMainReader(chm.fiftiMain).all()) {
            const std::string utf8 = qm::gbk::toUtf8(e.word);
            const bool punctuation =
                utf8.size() == 3 &&
                std::string_view("　、。“”！（），－：；").find(utf8) != std::string_view::npos;
            if (punctuation && !withPunctuation)
                continue;
            Occurrences& where = index.entries[{e.word, e.inTitle}];
            for (const qm::test::FtsTopic& t : e.topics)
                where.insert({chm.topics.at(t.topic).url, t.codes});
            index.order.push_back({e.word, e.inTitle});
        }
        return index;
    };
    const Index microsoft = read(original / "Othello.chm", false);
    const Index ours = read(ourChm, true);
    ASSERT_GT(microsoft.entries.size(), 500u);
    EXPECT_EQ(ours.order, microsoft.order);
    for (const auto& [key, where] : microsoft.entries) {
        const auto it = ours.entries.find(key);
        ASSERT_NE(it, ours.entries.end()) << qm::gbk::toUtf8(key.first);
        EXPECT_EQ(it->second, where)
            << qm::gbk::toUtf8(key.first) << (key.second ? " (title)" : "");
    }
}

TEST(FullTextSearch, ManyWordsMakeADeeperTreeInWhichEveryWordIsFound) {
    // Long words fill leaves and index nodes quickly: three levels.
    const std::vector<std::string> words = vocabulary(20000, 40, 7);
    FullTextIndex index;
    const std::uint32_t topics = 16;
    for (std::uint32_t t = 0; t < topics; ++t) {
        PageText text;
        for (std::size_t i = t; i < words.size(); i += 3)
            text.body += words[i] + " ";
        index.addTopic(t, text);
    }
    const FiftiMainReader reader(index.build(TextCodec("windows-1252"), 1252, 0x409));
    EXPECT_GE(reader.depth(), 3u);
    const std::vector<qm::test::FtsEntry> all = reader.all();
    ASSERT_EQ(all.size(), words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        ASSERT_EQ(all[i].word, words[i]);
        std::vector<qm::test::FtsEntry> found = reader.lookup(words[i]);
        ASSERT_EQ(found.size(), 1u) << words[i];
        std::set<std::uint32_t> expected, got;
        for (std::uint32_t t = 0; t < topics; ++t)
            if (i >= t && (i - t) % 3 == 0)
                expected.insert(t);
        for (const qm::test::FtsTopic& t : found[0].topics)
            got.insert(t.topic);
        ASSERT_EQ(got, expected) << words[i];
    }
    EXPECT_TRUE(reader.lookup("zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz").empty());
}

TEST(FullTextSearch, PostingsMovedToATemporaryFileGiveTheSameIndex) {
    // A large compile keeps its postings on disk beyond a limit: here after every
    // slice of a body, so that each word's postings, within a topic and across
    // topics, are read back from several pieces.
    const std::vector<std::string> words = vocabulary(3000, 8, 3);
    FullTextIndex inMemory, spilled(64);
    for (std::uint32_t t = 0; t < 4; ++t) {
        PageText text;
        text.title = words[t];
        for (std::size_t i = 0; text.body.size() < 300000; ++i)
            text.body += words[(i * 7 + t) % words.size()] + " ";
        inMemory.addTopic(t, text);
        spilled.addTopic(t, text);
    }
    const std::string expected = inMemory.build(TextCodec("windows-1252"), 1252, 0x409);
    spilled.compact();
    EXPECT_EQ(spilled.build(TextCodec("windows-1252"), 1252, 0x409), expected);
}

TEST(FullTextSearch, PackedPostingsGiveBackEveryTopicAndPosition) {
    // Gaps and positions on both sides of each seven-bit group boundary, a first topic
    // of 0, and a topic that restarts its positions lower than the topic before ended.
    const std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> occurrences = {
        {0, {0, 1, 127, 128, 16383, 16384}},
        {1, {5}},
        {64, {0, 2097151, 2097152, 268435455, 268435456, 0xFFFFFFFFu}},
        {8256, {3, 4}},
        {2105408, {1}},
    };
    PackedPostings packed;
    std::vector<std::uint32_t> expected;
    for (const auto& [topic, positions] : occurrences) {
        expected.push_back(topic);
        expected.push_back(static_cast<std::uint32_t>(positions.size()));
        for (std::uint32_t p : positions) {
            packed.add(topic, p);
            expected.push_back(p);
        }
    }
    std::vector<std::uint32_t> flat = {99, 98}; // stale content is cleared
    PackedPostings::unpack(packed.bytes(), flat);
    EXPECT_EQ(flat, expected);
    PackedPostings::unpack({}, flat);
    EXPECT_TRUE(flat.empty());
}

TEST(FullTextSearch, PhrasesInAVeryLargePageAreFoundAsInASmallOne) {
    // Words around a full stop are no phrase, words side by side are, however far into
    // a page of megabytes they stand.
    const std::vector<std::string> words = vocabulary(40, 6, 11);
    std::mt19937 random(5);
    PageText text;
    text.title = "Large page";
    while (text.body.size() < (2u << 20)) {
        const std::size_t pair = random() % 10 * 2;
        if (random() % 2)
            text.body += words[pair] + "\xE3\x80\x82 " + words[pair + 1] + " "; // "。"
        else
            text.body += words[20 + pair] + " " + words[21 + pair] + "\n";
    }
    FullTextIndex index;
    index.addTopic(0, text);
    const FiftiMainReader reader(index.build(TextCodec("windows-1252"), 1252, 0x409));
    for (std::size_t pair = 0; pair < 20; pair += 2) {
        EXPECT_TRUE(reader.phrase({words[pair], words[pair + 1]}).empty()) << words[pair];
        EXPECT_EQ(reader.phrase({words[20 + pair], words[21 + pair]}).size(), 1u)
            << words[20 + pair];
    }
    EXPECT_EQ(reader.phrase({"large", "page"}).size(), 1u);
}
