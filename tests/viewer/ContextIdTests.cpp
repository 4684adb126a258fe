// --mapid: the page a context number opens, held against the project's own [ALIAS] and
// [MAP] (its #include'd header), read here line by line.
#include "viewer/HelpFile.h"
#include "viewer/LinkTarget.h"

#include "SampleChms.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using qm::viewer::HelpFile;

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

// name → page of [ALIAS], and name → number of the #define lines of [MAP]'s headers.
struct ProjectIds {
    std::map<std::string, std::string> aliases;
    std::map<std::string, std::uint32_t> numbers;
};

ProjectIds projectIds(const std::filesystem::path& hhp) {
    ProjectIds ids;
    static const std::regex section(R"(^\s*\[([A-Za-z ]+)\])");
    static const std::regex alias(R"(^\s*([A-Za-z_]\w*)\s*=\s*(\S+))");
    static const std::regex include(R"(^\s*#include\s+(\S+))");
    static const std::regex define(R"(^\s*#define\s+(\w+)\s+(\d+))");
    std::istringstream lines(qm::test::readFile(hhp));
    std::string current;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, section))
            current = lower(m[1]);
        else if (current == "alias" && std::regex_search(line, m, alias))
            ids.aliases[m[1]] = m[2];
        else if (current == "map" && std::regex_search(line, m, include)) {
            std::string header = m[1];
            std::replace(header.begin(), header.end(), '\\', '/');
            const std::filesystem::path file = hhp.parent_path() / header;
            if (!std::filesystem::exists(file))
                continue; // a header the sample does not carry (windirstat's)
            std::istringstream defines(qm::test::readFile(file));
            for (std::string d; std::getline(defines, d);)
                if (std::regex_search(d, m, define))
                    ids.numbers[m[1]] = static_cast<std::uint32_t>(std::stoul(m[2]));
        }
    }
    return ids;
}

} // namespace

TEST(ContextIds, EveryMappedNumberOpensItsAliasPageAndAnUnknownOneNone) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    for (const char* name : {"windirstat-en", "teraterm-ja", "sakura-ja"}) {
        const qm::test::SampleChm* sample = qm::test::sampleChm(name);
        ASSERT_NE(sample, nullptr);
        SCOPED_TRACE(name);
        const auto help = HelpFile::open(sample->chm);
        const ProjectIds ids = projectIds(sample->project);
        // number → the pages its names alias (a header may give two names one number)
        std::map<std::uint32_t, std::set<std::string>> expected;
        for (const auto& [id, alias] : ids.aliases) {
            auto number = ids.numbers.find(id);
            std::string page = alias.substr(0, alias.find('#'));
            std::replace(page.begin(), page.end(), '\\', '/');
            if (number != ids.numbers.end() &&
                std::filesystem::exists(sample->project.parent_path() / page))
                expected[number->second].insert(lower(qm::viewer::normalizePath(page)));
        }
        std::size_t checked = 0;
        for (const auto& [number, pages] : expected) {
            const auto opened = help->pageForContextId(number);
            ASSERT_TRUE(opened) << number;
            EXPECT_TRUE(pages.count(lower(opened->path))) << number << " → " << opened->path;
            EXPECT_TRUE(help->findFile(opened->path)) << opened->path;
            ++checked;
        }
        for (const auto& [number, page] : help->contextIds())
            EXPECT_TRUE(help->findFile(page.path)) << number << " → " << page.path;
        EXPECT_FALSE(help->pageForContextId(0xFFFFFFF0u));
        std::cout << "[ figures ] " << name << ": " << checked
                  << " context numbers open their page\n";
    }
}
