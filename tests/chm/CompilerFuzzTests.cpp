// The compiler's writers meet garbage: keyword indexes, topic tables and full-text
// indexes built from random and mutated sitemaps and pages, the file gatherer on mutated
// projects, and whole compiles of mutated projects. What they write must read back
// whole (our readers, chmlib and libmspack), with fixed seeds; the sanitizer build
// checks memory and runs them longer (QM_FUZZ_SECONDS).
#include "chm/Compiler.h"
#include "chm/DiskLookup.h"
#include "chm/FileGatherer.h"
#include "chm/FullTextIndex.h"
#include "chm/KeywordLinks.h"
#include "chm/ProjectReader.h"
#include "chm/Sitemap.h"
#include "chm/StringsFile.h"
#include "chm/SystemFile.h"
#include "chm/TextCodec.h"
#include "chm/TopicTables.h"

#include "ChmInspect.h"
#include "ChmReaders.h"
#include "FiftiMainReader.h"
#include "Fuzzing.h"
#include "KeywordLinksReader.h"
#include "ProjectFixture.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <set>
#include <unicode/unistr.h>

using namespace qm::chm;
using qm::test::mutate;
using qm::test::randomBytes;

namespace {

constexpr int kRounds = 300;

const char* const kCharsets[] = {"windows-1252", "windows-1251", "GBK",
                                 "windows-31j",  "windows-950",  "UTF-8"};

// A text of the kinds index and contents entries carry: ASCII, references, Cyrillic,
// ideographs, a character outside the BMP, bytes that are no UTF-8, commas.
std::string randomName(std::mt19937& rng) {
    static const char* const kPieces[] = {"a",       "Zeta",        " ",       ", ",       "&amp;",
                                          "&Icirc;", "&Ouml;&ETH;", "&#1046;", "&#x4E2D;", "&#0;",
                                          "&bogus;", "&",           "Окно",    "中文",     "😀",
                                          "\xD6",    "\xFF\xFE",    "\x80",    "\t"};
    std::string out;
    const std::size_t pieces = rng() % 16 == 0 ? rng() % 800 : rng() % 12;
    for (std::size_t i = 0; i < pieces; ++i)
        out += kPieces[rng() % std::size(kPieces)];
    return out;
}

// A sitemap as text: lists nested at random, now and then very deep.
std::string randomSitemapText(std::mt19937& rng) {
    std::string out = "<HTML><BODY><UL>";
    const std::size_t entries = rng() % 120;
    for (std::size_t i = 0; i < entries; ++i) {
        switch (rng() % 6) {
        case 0:
            out += "<UL>";
            break;
        case 1:
            out += "</UL>";
            break;
        case 2:
            if (rng() % 10 == 0)
                for (std::size_t d = rng() % 400; d > 0; --d)
                    out += "<UL>";
            break;
        default:
            break;
        }
        out += "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + randomName(rng) +
               "\">";
        if (rng() % 8 == 0)
            out += "<param name=\"See Also\" value=\"" + randomName(rng) + "\">";
        const std::size_t links = rng() % 16 == 0 ? rng() % 700 : rng() % 3;
        for (std::size_t l = 0; l < links; ++l)
            out += "<param name=\"Local\" value=\"p" + std::to_string(rng() % 50) + ".htm" +
                   (rng() % 4 == 0 ? "#" + randomName(rng) : "") + "\">";
        out += "</OBJECT>\n";
    }
    return out + "</UL></BODY></HTML>";
}

Sitemap fuzzedSitemap(std::mt19937& rng, const std::vector<std::string>& seeds) {
    switch (rng() % 3) {
    case 0:
        return parseSitemap(randomSitemapText(rng));
    case 1:
        return parseSitemap(mutate(rng, randomSitemapText(rng)));
    default:
        return parseSitemap(mutate(rng, seeds[rng() % seeds.size()]));
    }
}

std::string upToZero(std::string s) {
    s.resize(std::min(s.size(), s.find('\0')));
    return s;
}

// The generated project (GBK, contents, index, pictures) with binary index and search on.
qm::test::Fixture smallProject(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    qm::test::FixtureOptions options;
    options.topics = 4;
    options.pictures = 1;
    options.paragraphsPerTopic = 2;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir, options);
    std::string hhp = qm::test::readFile(fixture.project);
    hhp.insert(hhp.find("[INFOTYPES]"), "Binary Index=Yes\r\n");
    qm::test::writeFile(fixture.project, hhp);
    return fixture;
}

} // namespace

TEST(WriterFuzz, KeywordIndexReadsBackWhole) {
    const std::vector<std::string> seeds = qm::test::sampleSeeds({".hhk"});
    qm::test::fuzzRounds(11, kRounds, [&](std::mt19937& rng) {
        const Sitemap index = fuzzedSitemap(rng, seeds);
        const std::string charset = kCharsets[rng() % std::size(kCharsets)];
        std::uint32_t topics = 0;
        std::vector<std::string> notes;
        const std::vector<KeywordEntry> entries = keywordEntries(
            index, [&](const std::string&, const std::string&) { return topics++; }, &notes,
            charset);
        const KeywordLinks links = buildKeywordLinks(entries, 936, 0x804);
        // keywordEntries makes every entry fit, so none is left out here.
        ASSERT_EQ(links.skipped, 0u);
        const qm::test::KeywordLinksReader reader(links.btree);
        const std::vector<qm::test::KeywordRow> rows = reader.all();
        ASSERT_EQ(rows.size(), entries.size());
        ASSERT_EQ(reader.keywordCount(), entries.size());
        ASSERT_EQ(links.data.size(), 13 * entries.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_LE(icu::UnicodeString::fromUTF8(rows[i].keyword).length(), kMaxKeywordUnits);
            ASSERT_EQ(rows[i].topics, entries[i].topics);
            ASSERT_EQ(rows[i].depth, entries[i].depth);
        }
        // The index blocks lead somewhere for any keyword.
        for (std::size_t i = 0; i < rows.size(); i += 1 + rows.size() / 8) {
            ASSERT_LT(reader.blockFor(rows[i].keyword), reader.blockCount());
        }
    });
}

TEST(WriterFuzz, TopicTablesReadBackTheirUrlsAndTitles) {
    const std::vector<std::string> seeds = qm::test::sampleSeeds({".hhc", ".hhk"});
    qm::test::fuzzRounds(12, kRounds, [&](std::mt19937& rng) {
        const Sitemap contents = fuzzedSitemap(rng, seeds);
        const TextCodec codec(kCharsets[rng() % std::size(kCharsets)]);
        std::vector<TopicRecord> topics;
        for (const SitemapEntry& e : contents.entries) {
            const std::string title = codec.fromUtf8(e.name(codec.charset()));
            for (const std::string& local : e.locals())
                topics.push_back({codec.fromUtf8(local), title, rng() % 2 == 0});
        }
        // URLs long enough to cross #URLSTR's 4 KiB pages, and many to fill #URLTBL's.
        for (std::size_t n = rng() % 400; n > 0; --n)
            topics.push_back({"u" + std::to_string(n) +
                                  std::string(rng() % 8 == 0 ? rng() % 5000 : rng() % 40, 'x') +
                                  ".htm",
                              randomBytes(rng, rng() % 64, false), false});
        StringsFile strings;
        const TopicTables tables = buildTopicTables(topics, strings);
        const std::string idxhdr = buildIdxHdr(contents, static_cast<std::uint32_t>(topics.size()),
                                               1, strings, codec.charset());
        ASSERT_EQ(idxhdr.size(), 4096u);
        ASSERT_EQ(tables.topics.size(), 16 * topics.size());
        const std::vector<qm::test::TopicRow> rows =
            qm::test::parseTopics(tables.topics, tables.urltbl, tables.urlstr, strings.bytes());
        ASSERT_EQ(rows.size(), topics.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i].url, upToZero(topics[i].url));
            ASSERT_EQ(rows[i].title, upToZero(topics[i].title));
            ASSERT_EQ(rows[i].inContents, topics[i].inContents);
        }
    });
}

TEST(WriterFuzz, FullTextIndexReadsBackEveryWord) {
    const std::vector<std::string> seeds = qm::test::sampleSeeds({".htm", ".html"});
    qm::test::fuzzRounds(13, kRounds / 3, [&](std::mt19937& rng) {
        const std::string charset = kCharsets[rng() % std::size(kCharsets)];
        FullTextIndex index;
        const std::uint32_t pages = 1 + rng() % 4;
        for (std::uint32_t t = 0; t < pages; ++t) {
            std::string page = rng() % 3 == 0
                                   ? "<title>" + randomName(rng) + "</title>" + randomName(rng) +
                                         randomBytes(rng, rng() % 3000, true)
                                   : mutate(rng, seeds[rng() % seeds.size()]);
            index.addTopic(t, extractPageText(page, charset));
        }
        const TextCodec codec(charset);
        const qm::test::FiftiMainReader reader(index.build(codec, 936, 0x804));
        const std::vector<qm::test::FtsEntry> words = reader.all();
        for (std::size_t i = 0; i < words.size(); ++i) {
            for (const qm::test::FtsTopic& t : words[i].topics) {
                ASSERT_LT(t.topic, pages);
            }
            if (i % 16 == 0) {
                ASSERT_FALSE(reader.lookup(words[i].word).empty()) << words[i].word;
            }
        }
    });
}

TEST(WriterFuzz, FileGathererKeepsToTheProjectsFiles) {
    qm::test::TempDir dir;
    const qm::test::Fixture fixture = smallProject(dir.path());
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::map<std::filesystem::path, std::string> originals;
    for (const std::filesystem::path& f : files)
        originals[f] = qm::test::readFile(f);
    qm::test::fuzzRounds(14, kRounds, [&](std::mt19937& rng) {
        for (const auto& [path, bytes] : originals)
            qm::test::writeFile(path, rng() % 3 == 0 ? mutate(rng, bytes) : bytes);
        qm::test::RecordingListener listener;
        Reporter reporter(listener, "UTF-8");
        const Project project = parseProject(
            qm::test::readFile(fixture.project), fixture.project,
            [](const std::string&) { return std::nullopt; }, reporter);
        DiskLookup disk(dir.path());
        std::size_t sunk = 0;
        const GatheredProject gathered =
            gatherFiles(project, disk, reporter, [&](const GatheredFile& file, std::string_view) {
                EXPECT_TRUE(std::filesystem::is_regular_file(dir / file.name)) << file.name;
                ++sunk;
            });
        ASSERT_EQ(sunk, gathered.files.size());
        std::set<std::string> names;
        for (const GatheredFile& f : gathered.files) {
            ASSERT_TRUE(names.insert(foldCase(f.name)).second) << "twice: " << f.name;
            ASSERT_FALSE(f.name.empty() || f.name[0] == '/' || f.name.find("..") == 0) << f.name;
        }
        if (gathered.contentsFile) {
            ASSERT_LT(*gathered.contentsFile, gathered.files.size());
        }
        if (gathered.indexFile) {
            ASSERT_LT(*gathered.indexFile, gathered.files.size());
        }
    });
}

// A whole compile of a mutated project (the generated one, and the Russian sample when
// the samples are there): either no CHM and an error, or a CHM both readers open whole.
TEST(WriterFuzz, MutatedProjectsCompileToReadableChms) {
    qm::test::TempDir dir;
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> projects; // folder, .hhp
    const qm::test::Fixture fixture = smallProject(dir / "generated");
    projects.emplace_back(dir / "generated", fixture.project);
    const std::filesystem::path samples = qm::test::samplesDir();
    if (!samples.empty()) {
        std::filesystem::copy(samples / "hhp" / "far-newarc-ru", dir / "sample",
                              std::filesystem::copy_options::recursive);
        // The samples are read-only; the copy is written to each round.
        std::filesystem::permissions(dir / "sample", std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "sample"))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        projects.emplace_back(dir / "sample", dir / "sample" / "newarc.hhp");
    }
    std::vector<std::map<std::filesystem::path, std::string>> originals(projects.size());
    for (std::size_t p = 0; p < projects.size(); ++p)
        for (const auto& e : std::filesystem::recursive_directory_iterator(projects[p].first))
            if (e.is_regular_file() && e.path().extension() != ".chm")
                originals[p][e.path()] = qm::test::readFile(e.path());

    int written = 0, rounds = 0;
    qm::test::fuzzRounds(15, kRounds / 3, [&](std::mt19937& rng) {
        ++rounds;
        // The sample is the slower one: every fourth round.
        const std::size_t p = projects.size() > 1 && rng() % 4 == 0 ? 1 : 0;
        for (const auto& [path, bytes] : originals[p]) {
            const bool text = path.extension() != ".png" && path.extension() != ".gif";
            qm::test::writeFile(path, text && rng() % 3 == 0 ? mutate(rng, bytes) : bytes);
        }
        qm::test::RecordingListener listener;
        CompileOptions options;
        options.timestamp = 1700000000;
        options.threads = 1;
        options.output = dir / "out.chm";
        std::filesystem::remove(options.output);
        const CompileResult result = compileProject(projects[p].second, listener, options);
        if (!result.written) {
            ASSERT_FALSE(listener.errors.empty()) << "no CHM needs a reason";
            return;
        }
        ++written;
        std::string error;
        ASSERT_TRUE(qm::test::readWithMspack(options.output, &error)) << error;
        const std::optional<qm::test::ChmContents> contents =
            qm::test::readWithChmlib(options.output);
        ASSERT_TRUE(contents);
        if (contents->count("/$WWKeywordLinks/BTree")) {
            ASSERT_NO_THROW(
                qm::test::KeywordLinksReader(contents->at("/$WWKeywordLinks/BTree")).all());
        }
        if (contents->count("/$FIftiMain")) {
            ASSERT_NO_THROW(qm::test::FiftiMainReader(contents->at("/$FIftiMain")).all());
        }
    });
    EXPECT_GT(written, rounds / 2) << "the mutations should leave most projects compilable";
}

// What the loops above found, kept as plain cases.
TEST(WriterFuzzFindings, AZeroByteInAnIndexEntryDoesNotEndItsKeywordEarly) {
    // A zero unit inside a keyword made readers take the rest of the entry for the next.
    const std::string zero(1, '\0');
    const Sitemap index = parseSitemap(
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"a" + zero +
        "b\"><param name=\"See Also\" value=\"c" + zero +
        "d\"></OBJECT><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"e\">"
        "<param name=\"Local\" value=\"p1.htm\"></OBJECT></UL>");
    const std::vector<KeywordEntry> entries =
        keywordEntries(index, [](const std::string&, const std::string&) { return 7u; });
    const std::vector<qm::test::KeywordRow> rows =
        qm::test::KeywordLinksReader(buildKeywordLinks(entries, 1252, 0x409).btree).all();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].keyword, "ab");
    EXPECT_EQ(rows[0].seeAlso, "cd");
    EXPECT_EQ(rows[1].keyword, "e");
    EXPECT_EQ(rows[1].topics, std::vector<std::uint32_t>{7});
}
