// The parsers meet garbage: random bytes and mutations of real inputs, replayed with
// fixed seeds. They must neither crash nor hang (the sanitizer build checks memory).
#include "chm/ContextIds.h"
#include "chm/DiskLookup.h"
#include "chm/LinkScanner.h"
#include "chm/ProjectReader.h"
#include "chm/Sitemap.h"
#include "html/Entities.h"

#include "Fuzzing.h"
#include "RecordingListener.h"

#include <gtest/gtest.h>
#include <random>

using namespace qm::chm;

namespace {

using qm::test::mutate;
using qm::test::randomBytes;

constexpr int kRounds = 400;

// The seed texts as they are, then rounds of random bytes and mutated seeds.
template <typename Fn>
void fuzz(const std::vector<std::string>& seedTexts, std::uint32_t seed, Fn&& target) {
    for (const std::string& s : seedTexts)
        target(s);
    qm::test::fuzzRounds(seed, kRounds, [&](std::mt19937& rng) {
        target(randomBytes(rng, rng() % 2048, rng() % 2 == 0));
        target(mutate(rng, seedTexts[rng() % seedTexts.size()]));
    });
}

std::vector<std::string> seeds(const std::vector<std::string>& extensions) {
    return qm::test::sampleSeeds(extensions);
}

} // namespace

TEST(Fuzz, ProjectReaderNeverCrashes) {
    qm::test::RecordingListener listener;
    Reporter reporter(listener, "UTF-8");
    std::mt19937 includeRng(7);
    IncludeLoader includes = [&](const std::string&) -> std::optional<std::string> {
        if (includeRng() % 3 == 0)
            return std::nullopt;
        return randomBytes(includeRng, includeRng() % 512, true);
    };
    fuzz(seeds({".hhp", ".h", ".hh"}), 1, [&](const std::string& input) {
        Project p = parseProject(input, "/x/p.hhp", includes, reporter);
        (void)p;
    });
}

TEST(Fuzz, SitemapReaderNeverCrashes) {
    fuzz(seeds({".hhc", ".hhk"}), 2, [](const std::string& input) {
        Sitemap map = parseSitemap(input);
        for (const SitemapEntry& e : map.entries)
            (void)e.locals();
    });
}

TEST(Fuzz, LinkScannerNeverCrashes) {
    fuzz(seeds({".htm", ".html", ".css"}), 3, [](const std::string& input) {
        for (const char* charset : {"GBK", "UTF-8", "windows-31j", "windows-1251"}) {
            PageLinks links = scanPage(input, charset);
            for (const std::string& l : links.links)
                (void)joinProjectPath("a/b", l);
            (void)scanStyleSheet(input, charset);
        }
        (void)declaredCharset(input);
        (void)qm::html::decodeEntities(input);
    });
}

TEST(Fuzz, ContextLinesNeverCrash) {
    fuzz(seeds({".h"}), 4, [](const std::string& input) {
        bool block = false;
        std::size_t start = 0;
        while (start <= input.size()) {
            std::size_t end = input.find('\n', start);
            std::string line =
                input.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::string stripped = stripComment(line, block);
            (void)parseAliasLine(stripped);
            (void)parseMapLine(stripped);
            (void)includeTarget(stripped);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    });
}
