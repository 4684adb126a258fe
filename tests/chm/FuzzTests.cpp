// The parsers meet garbage: random bytes and mutations of real inputs, replayed with
// fixed seeds. They must neither crash nor hang (the sanitizer build checks memory).
#include "chm/ContextIds.h"
#include "chm/DiskLookup.h"
#include "chm/HtmlTokenizer.h"
#include "chm/LinkScanner.h"
#include "chm/ProjectReader.h"
#include "chm/Sitemap.h"

#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

using namespace qm::chm;

namespace {

constexpr int kRounds = 400;

std::string randomBytes(std::mt19937& rng, std::size_t size, bool markup) {
    static const char kMarkup[] = "<>=\"'/ \r\n[]#&;%\\abcdefhilmoprstuvAOBJECTPARMLI0x1";
    std::string out(size, '\0');
    for (char& c : out)
        c = markup && rng() % 2 ? kMarkup[rng() % (sizeof kMarkup - 1)]
                                : static_cast<char>(rng() & 0xFF);
    return out;
}

std::string mutate(std::mt19937& rng, std::string s) {
    int edits = 1 + static_cast<int>(rng() % 16);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        std::size_t at = rng() % s.size();
        switch (rng() % 4) {
        case 0:
            s[at] = static_cast<char>(rng() & 0xFF);
            break;
        case 1:
            s.erase(at, rng() % 64);
            break;
        case 2:
            s.insert(at, s.substr(rng() % s.size(), rng() % 64));
            break;
        default:
            s.resize(at);
            break;
        }
    }
    return s;
}

// Seeds: the shared sample projects' own files, and small hand-written ones.
std::vector<std::string> seeds(const std::vector<std::string>& extensions) {
    std::vector<std::string> out{
        "[OPTIONS]\r\nLanguage=0x804\r\n[FILES]\r\na.htm\r\n[MAP]\r\n#include x.h\r\n",
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Local\" "
        "value=\"a.htm\"></OBJECT></UL>",
        "<html><head><meta charset=gb2312><title>t</title></head><body><img src=a.gif></body>"};
    std::filesystem::path samples = qm::test::samplesDir();
    if (samples.empty())
        return out;
    for (auto it = std::filesystem::recursive_directory_iterator(samples / "hhp");
         it != std::filesystem::recursive_directory_iterator() && out.size() < 60; ++it) {
        std::string ext = it->path().extension().string();
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (it->is_regular_file() &&
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end() &&
            it->file_size() < 200000)
            out.push_back(qm::test::readFile(it->path()));
    }
    return out;
}

template <typename Fn>
void fuzz(const std::vector<std::string>& seedTexts, std::uint32_t seed, Fn&& target) {
    std::mt19937 rng(seed);
    for (const std::string& s : seedTexts)
        target(s);
    for (int round = 0; round < kRounds; ++round) {
        target(randomBytes(rng, rng() % 2048, round % 2 == 0));
        const std::string& base = seedTexts[rng() % seedTexts.size()];
        target(mutate(rng, base));
    }
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
        (void)decodeEntities(input);
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
