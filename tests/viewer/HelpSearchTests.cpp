// The search pane's search on real CHMs, held against Debian's python3-chm (which reads
// $FIftiMain through its own code) and against the pages' own text.
#include "chm/PageText.h"
#include "chm/WordBreaker.h"
#include "viewer/HelpFile.h"
#include "viewer/HelpSearch.h"

#include "ChmReaders.h"
#include "SampleChms.h"
#include "support/Samples.h"
#include "text/Charset.h"

#include <gtest/gtest.h>
#include <iostream>
#include <set>
#include <sstream>

using qm::viewer::HelpFile;
using qm::viewer::HelpSearch;

namespace {

// python3-chm's search for each word (whole words, titles and bodies): the pages found,
// one line a word, their names separated by tabs. nullopt when python3-chm is absent.
std::optional<std::vector<std::set<std::string>>>
pythonChmSearch(const std::filesystem::path& chm, const std::vector<std::string>& words,
                const std::string& charset) {
    std::string script =
        "import sys, chm.chm as c\n"
        "f = c.CHMFile()\n"
        "assert f.LoadCHM(sys.argv[1].encode())\n"
        "for w in sys.argv[2:]:\n"
        "    found = f.Search(bytes.fromhex(w), 1, 0)[1]\n"
        "    print('\\t'.join(sorted(u.decode('latin-1') for u in found.values())))\n";
    std::string command = "/usr/bin/python3 -c " + qm::test::shellQuote(script) + " " +
                          qm::test::shellQuote(chm.string());
    for (const std::string& w : words) {
        std::string hex;
        for (char byte : qm::charset::fromUtf8(w, charset.c_str())) {
            const auto c = static_cast<unsigned char>(byte);
            static const char digits[] = "0123456789abcdef";
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        command += " " + hex;
    }
    std::string output;
    if (qm::test::runCommand(command, &output) != 0)
        return std::nullopt;
    std::vector<std::set<std::string>> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::set<std::string> pages;
        std::istringstream names(line);
        for (std::string name; std::getline(names, name, '\t');)
            pages.insert("/" + qm::charset::toUtf8(name, "ISO-8859-1"));
        found.push_back(std::move(pages));
    }
    return found;
}

// Keywords of the index (of the contents, in a CHM without an index) that are one word
// of the search (an English word, one ideograph of a Chinese keyword), a few of each.
std::vector<std::string> singleWords(const HelpFile& help) {
    std::vector<std::string> keywords;
    for (const qm::viewer::IndexEntry& e : help.index())
        keywords.push_back(e.keyword);
    if (keywords.empty())
        for (const qm::viewer::TocEntry& e : help.contents())
            keywords.push_back(e.name);
    std::set<std::string> words;
    for (const std::string& keyword : keywords) {
        const auto broken = qm::chm::breakWords(keyword);
        if (broken.size() == 1 && words.size() < 6)
            words.insert(broken.front().text);
        else if (!broken.empty() && broken.front().text.size() == 3 && words.size() < 12)
            words.insert(broken.front().text); // an ideograph
    }
    return {words.begin(), words.end()};
}

bool pageHolds(const HelpFile& help, const std::string& path, const std::string& words) {
    const std::string bytes = *help.readFile(path);
    const qm::chm::PageText text = qm::chm::extractPageText(bytes, help.charsetOf(bytes));
    std::string all;
    for (const auto& w : qm::chm::breakWords(text.title + "\n" + text.body))
        all += w.text + " ";
    std::string wanted;
    for (const auto& w : qm::chm::breakWords(words))
        wanted += w.text + " ";
    return (" " + all).find(" " + wanted) != std::string::npos ||
           all.find(wanted) != std::string::npos;
}

} // namespace

TEST(SampleSearch, IndexWordsFindTheSamePagesAsPythonChmAndThosePagesHoldThem) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    for (const qm::test::SampleChm& sample : qm::test::sampleChms()) {
        SCOPED_TRACE(sample.name);
        const auto help = HelpFile::open(sample.chm);
        const HelpSearch search(*help);
        ASSERT_TRUE(search.usesIndex());
        const std::vector<std::string> words = singleWords(*help);
        const auto peer = pythonChmSearch(sample.chm, words, help->charset());
        if (!peer)
            GTEST_SKIP() << "python3-chm is not installed";
        ASSERT_EQ(peer->size(), words.size());
        std::size_t hits = 0;
        for (std::size_t i = 0; i < words.size(); ++i) {
            std::set<std::string> mine;
            for (const qm::viewer::SearchHit& hit : search.find(words[i])) {
                EXPECT_TRUE(pageHolds(*help, hit.path, words[i])) << words[i] << " " << hit.path;
                mine.insert(hit.path);
            }
            // python3-chm keys its results by title, so two pages of one title are one.
            EXPECT_GE(mine.size(), (*peer)[i].size()) << words[i];
            for (const std::string& p : (*peer)[i])
                EXPECT_TRUE(mine.count(p)) << words[i] << ": python3-chm finds " << p;
            hits += mine.size();
        }
        std::cout << "[ figures ] " << sample.name << ": " << words.size()
                  << " index words searched, " << hits << " pages found, as python3-chm\n";
    }
}

// A keyword of several ideographs is a phrase: the index finds exactly the pages whose
// text holds it, as a search through the pages' text does.
TEST(SampleSearch, ChineseKeywordsFindExactlyThePagesWhoseTextHoldsThem) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    for (const char* name : {"othello-zh", "Othello.chm (Microsoft)", "7zip-zhcn"}) {
        const qm::test::SampleChm* sample = qm::test::sampleChm(name);
        ASSERT_NE(sample, nullptr);
        SCOPED_TRACE(name);
        const auto help = HelpFile::open(sample->chm);
        const HelpSearch search(*help);
        std::size_t keywords = 0, hits = 0;
        for (const qm::viewer::IndexEntry& e : help->index()) {
            const auto broken = qm::chm::breakWords(e.keyword);
            if (broken.size() < 2 || broken.front().text.size() != 3 || keywords == 20 ||
                e.keyword.find(' ') != std::string::npos)
                continue;
            std::set<std::string> expected;
            for (const std::string& page : help->pages())
                if (pageHolds(*help, page, e.keyword))
                    expected.insert(page);
            std::set<std::string> found;
            for (const qm::viewer::SearchHit& hit : search.find(e.keyword))
                found.insert(hit.path);
            EXPECT_EQ(found, expected) << e.keyword;
            EXPECT_FALSE(found.empty()) << e.keyword;
            ++keywords;
            hits += found.size();
        }
        EXPECT_GT(keywords, 0u);
        std::cout << "[ figures ] " << name << ": " << keywords << " Chinese keywords searched, "
                  << hits << " pages found\n";
    }
}
