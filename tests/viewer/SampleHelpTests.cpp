// The viewer's reading of real CHMs: ours of every sample project and Microsoft's
// Othello.chm. The expectations come from the project's files and from chmlib, not from
// the viewer's own readers.
#include "chm/PageText.h"
#include "html/Entities.h"
#include "viewer/HelpFile.h"

#include "ChmReaders.h"
#include "SampleChms.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <regex>
#include <set>

using qm::viewer::HelpFile;
using qm::viewer::LinkTarget;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return s;
}

// The project folder's files that are not empty, as CHM names ("/dir/name.htm", lower
// case): a link to a file that is not among them was broken in the project already.
std::set<std::string> projectFiles(const std::filesystem::path& hhp) {
    std::set<std::string> files;
    const std::filesystem::path root = hhp.parent_path();
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.file_size() > 0)
            files.insert(lower("/" + e.path().lexically_relative(root).generic_string()));
    return files;
}

std::string withoutComments(const std::string& html) {
    static const std::regex comment(R"(<!--[\s\S]*?-->)");
    return std::regex_replace(html, comment, " ");
}

bool holdsAnchor(const std::string& html, const std::string& fragment) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    const std::regex anchor("(name|id)\\s*=\\s*[\"']?" +
                                std::regex_replace(fragment, special, "\\$&") + "[\"'\\s>]",
                            std::regex::icase);
    return std::regex_search(html, anchor);
}

// Entries of a sitemap text with a non-empty Name, counted from its markup.
std::size_t namedEntries(const std::string& hhc) {
    static const std::regex object(R"(<object[^>]*text/sitemap[^>]*>([\s\S]*?)</object>)",
                                   std::regex::icase);
    static const std::regex name(R"(<param\s+name\s*=\s*"name"\s+value\s*=\s*"[^"]+")",
                                 std::regex::icase);
    std::size_t count = 0;
    for (auto it = std::sregex_iterator(hhc.begin(), hhc.end(), object);
         it != std::sregex_iterator(); ++it)
        if (std::regex_search((*it)[1].str(), name))
            ++count;
    return count;
}

bool hasText(const HelpFile& help, const std::string& path) {
    const std::optional<std::string> bytes = help.readFile(path);
    if (!bytes)
        return false;
    const qm::chm::PageText text = qm::chm::extractPageText(*bytes, help.charsetOf(*bytes));
    return text.body.find_first_not_of(" \t\r\n") != std::string::npos || !text.title.empty();
}

} // namespace

TEST(SampleHelp, ContentsHoldEveryEntryOfTheirHhcAndEachOpensAPageWithText) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    for (const qm::test::SampleChm& sample : qm::test::sampleChms()) {
        SCOPED_TRACE(sample.name);
        const auto help = HelpFile::open(sample.chm);
        EXPECT_FALSE(help->title().empty());
        ASSERT_TRUE(help->findFile(help->defaultTopic()));
        const std::set<std::string> onDisk = projectFiles(sample.project);
        std::string hhcName;
        for (const std::string& n : help->source().names())
            if (lower(n).ends_with(".hhc"))
                hhcName = n;
        const std::string hhc = *help->source().read(hhcName);
        EXPECT_EQ(help->contents().size(), namedEntries(hhc));
        std::size_t opened = 0;
        for (const qm::viewer::TocEntry& e : help->contents()) {
            if (e.path.empty() || !onDisk.count(lower(e.path)))
                continue; // a heading alone, or a page the project lacks
            EXPECT_TRUE(hasText(*help, e.path)) << e.name << " → " << e.path;
            ++opened;
        }
        std::cout << "[ figures ] " << sample.name << ": " << help->contents().size()
                  << " contents entries, " << opened << " open pages with text\n";
    }
}

TEST(SampleHelp, EveryPictureAndLinkBetweenPagesLandsOnAFileOfTheChm) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    static const std::regex reference(R"((href|src)\s*=\s*["']?([^"'\s>]+))", std::regex::icase);
    for (const qm::test::SampleChm& sample : qm::test::sampleChms()) {
        SCOPED_TRACE(sample.name);
        const auto help = HelpFile::open(sample.chm);
        const std::set<std::string> onDisk = projectFiles(sample.project);
        std::size_t links = 0, pictures = 0, anchors = 0;
        for (const std::string& page : help->pages()) {
            const std::string html = withoutComments(*help->pageHtml(page));
            for (auto it = std::sregex_iterator(html.begin(), html.end(), reference);
                 it != std::sregex_iterator(); ++it) {
                const LinkTarget target =
                    help->resolve(page, qm::html::decodeEntities((*it)[2].str()));
                if (target.kind != LinkTarget::Kind::Page || !onDisk.count(lower(target.path)))
                    continue;
                const bool picture = lower((*it)[1]) == "src";
                ASSERT_TRUE(help->findFile(target.path)) << page << " → " << (*it)[2];
                ++(picture ? pictures : links);
                // "#top" is the top of the page in every browser.
                if (target.fragment.empty() || target.fragment == "top" || picture)
                    continue;
                // An anchor missing from the project's page is not the viewer's to find.
                if (holdsAnchor(*help->pageHtml(target.path), target.fragment))
                    ++anchors;
                else
                    EXPECT_FALSE(holdsAnchor(
                        qm::test::readFile(sample.project.parent_path() / target.path.substr(1)),
                        target.fragment))
                        << page << " → " << (*it)[2];
            }
        }
        std::cout << "[ figures ] " << sample.name << ": " << help->pages().size() << " pages, "
                  << links << " links between pages (" << anchors << " to anchors), " << pictures
                  << " pictures land\n";
    }
}

TEST(SampleHelp, IndexKeywordsOpenTheirPages) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    for (const qm::test::SampleChm& sample : qm::test::sampleChms()) {
        SCOPED_TRACE(sample.name);
        const auto help = HelpFile::open(sample.chm);
        const std::set<std::string> onDisk = projectFiles(sample.project);
        std::size_t targets = 0;
        for (const qm::viewer::IndexEntry& e : help->index())
            for (const qm::viewer::IndexTarget& t : e.targets)
                if (onDisk.count(lower(t.path))) {
                    EXPECT_TRUE(hasText(*help, t.path)) << e.keyword << " → " << t.path;
                    EXPECT_FALSE(t.title.empty());
                    ++targets;
                }
        std::cout << "[ figures ] " << sample.name << ": " << help->index().size()
                  << " index keywords, " << targets << " targets open\n";
    }
}
