// --mapid against Wine's hh.exe -mapid on the same CHMs: the page a context number
// opens, and none for a number the CHM does not map. Skips without Wine or xvfb-run.
#include "viewer/HelpFile.h"

#include "ChmReaders.h"
#include "SampleChms.h"
#include "support/Samples.h"

#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>

using qm::viewer::HelpFile;

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

// number → what Wine's trace names: "\"page\"" or "(null)".
std::map<std::uint32_t, std::string> wineMapIds(const std::filesystem::path& chm,
                                                const std::vector<std::uint32_t>& ids) {
    std::string command =
        "xvfb-run -a " +
        qm::test::shellQuote(
            (qm::test::sourceDir() / "tests" / "viewer" / "wine-mapid.sh").string()) +
        " " + qm::test::shellQuote((qm::test::binaryDir() / "wine-viewer-prefix").string()) + " " +
        qm::test::shellQuote(chm.string());
    for (std::uint32_t id : ids)
        command += " " + std::to_string(id);
    std::string output;
    qm::test::runCommand(command + " 2>/dev/null", &output);
    std::map<std::uint32_t, std::string> pages;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0 && line.find_first_not_of("0123456789") == tab)
            pages[static_cast<std::uint32_t>(std::stoul(line.substr(0, tab)))] =
                line.substr(tab + 1);
    }
    return pages;
}

} // namespace

TEST(WineMapId, ContextNumbersOpenThePagesWinesHhOpens) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    if (qm::test::runCommand("command -v wine && command -v xvfb-run") != 0)
        GTEST_SKIP() << "Wine or xvfb-run is not installed";
    for (const char* name : {"teraterm-ja", "sakura-ja"}) {
        SCOPED_TRACE(name);
        const qm::test::SampleChm* sample = qm::test::sampleChm(name);
        ASSERT_NE(sample, nullptr);
        const auto help = HelpFile::open(sample->chm);
        const auto& ids = help->contextIds();
        ASSERT_GT(ids.size(), 10u);
        // The first, a middle and the last number, and one the CHM does not map.
        std::vector<std::uint32_t> asked{
            ids.begin()->first,
            std::next(ids.begin(), static_cast<std::ptrdiff_t>(ids.size() / 2))->first,
            ids.rbegin()->first, ids.rbegin()->first + 1000};
        const auto wine = wineMapIds(sample->chm, asked);
        ASSERT_EQ(wine.size(), asked.size()) << "Wine's hh.exe said nothing";
        for (std::uint32_t id : asked) {
            const auto mine = help->pageForContextId(id);
            if (wine.at(id) == "(null)") {
                EXPECT_FALSE(mine) << id;
                continue;
            }
            ASSERT_TRUE(mine) << id;
            EXPECT_EQ("\"" + lower(mine->path.substr(1)) + "\"", lower(wine.at(id))) << id;
        }
        std::cout << "[ figures ] " << name << ": " << asked.size()
                  << " context numbers opened as Wine's hh.exe -mapid opens them\n";
    }
}
