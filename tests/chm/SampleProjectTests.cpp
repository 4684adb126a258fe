// Real HTML Help Workshop projects from public repositories (shared/samples/hhp):
// English, Chinese, Japanese and Russian, with their quirks. The expectations are
// worked out here from the project files themselves, not with the compiler's code.
#include "chm/Compiler.h"

#include "ChmChecks.h"
#include "ChmInspect.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Charset.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>

using namespace qm::chm;
using qm::test::RecordingListener;
using qm::test::TempDir;

namespace {

struct SampleCase {
    std::string folder;
    std::string projectFile;
};

std::vector<SampleCase> sampleCases() {
    std::vector<SampleCase> cases;
    std::filesystem::path samples = qm::test::samplesDir();
    if (samples.empty())
        return cases;
    std::ifstream manifest(samples / "hhp" / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // header
    while (std::getline(manifest, line)) {
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        cases.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1)});
    }
    return cases;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string trim(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    return s.substr(b);
}

// The project file's sections, line by line, decoded from its code page to UTF-8.
struct ProjectText {
    std::map<std::string, std::vector<std::string>> sections; // lower-case name → lines
    std::string charset;
    std::string option(const std::string& key) const {
        auto it = sections.find("options");
        if (it == sections.end())
            return {};
        for (const std::string& l : it->second) {
            std::size_t eq = l.find('=');
            if (eq != std::string::npos && lowerAscii(trim(l.substr(0, eq))) == key)
                return trim(l.substr(eq + 1));
        }
        return {};
    }
};

std::string charsetOf(const std::string& language) {
    unsigned long lcid = std::strtoul(language.c_str(), nullptr, 0);
    switch (lcid & 0x3FF) {
    case 0x04:
        return "GBK";
    case 0x11:
        return "windows-31j";
    case 0x19:
    case 0x22:
        return "windows-1251";
    default:
        return "windows-1252";
    }
}

ProjectText readProject(const std::filesystem::path& hhp) {
    std::string raw = qm::test::readFile(hhp);
    ProjectText p;
    std::smatch m;
    std::regex lang(R"(Language=(0x[0-9A-Fa-f]+))");
    p.charset = std::regex_search(raw, m, lang) ? charsetOf(m[1]) : "windows-1252";
    std::string text = qm::charset::toUtf8(raw, p.charset.c_str());
    std::string section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line =
            trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() : end + 1;
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = lowerAscii(trim(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!line.empty() && line[0] != ';')
            p.sections[section].push_back(line);
    }
    return p;
}

// A file by its project path, ignoring letter case when the exact name is missing, as
// "/relative" (letter case as on disk), or empty.
std::string findOnDisk(const std::filesystem::path& root, std::string reference) {
    std::replace(reference.begin(), reference.end(), '\\', '/');
    std::filesystem::path current = root;
    std::string name;
    std::size_t start = 0;
    while (start <= reference.size()) {
        std::size_t slash = reference.find('/', start);
        std::string part =
            reference.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? reference.size() + 1 : slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (name.empty())
                return {};
            current = current.parent_path();
            name = name.substr(0, name.rfind('/'));
            continue;
        }
        std::string actual;
        std::error_code ec;
        if (std::filesystem::exists(current / part, ec))
            actual = part;
        else
            for (const auto& e : std::filesystem::directory_iterator(current, ec))
                if (lowerAscii(e.path().filename().string()) == lowerAscii(part))
                    actual = e.path().filename().string();
        if (actual.empty())
            return {};
        current /= actual;
        name += "/" + actual;
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(current, ec) ? name : std::string();
}

// Local, ASCII references of the quoted src= and href= attributes of a page.
std::vector<std::string> pageReferences(const std::string& page) {
    std::vector<std::string> out;
    std::regex attribute(R"rx((?:src|href)\s*=\s*"([^"]*)")rx", std::regex::icase);
    for (std::sregex_iterator it(page.begin(), page.end(), attribute), end; it != end; ++it) {
        std::string ref = (*it)[1];
        std::size_t cut = ref.find_first_of("#?");
        if (cut != std::string::npos)
            ref.resize(cut);
        if (ref.empty() || ref.find(':') != std::string::npos || ref.rfind("//", 0) == 0 ||
            std::any_of(ref.begin(), ref.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80 || c == '%' || c == '&';
            }))
            continue;
        out.push_back(ref);
    }
    return out;
}

class SampleProjects : public ::testing::TestWithParam<SampleCase> {};

// The sample copied deep enough into dir that outputs like ..\..\Bin\Help\x.chm stay
// inside it, without the CHMs it ships; its root folder.
std::filesystem::path copySample(const SampleCase& c, const std::filesystem::path& dir) {
    std::filesystem::path root = dir / "a" / "b" / "c" / c.folder;
    std::filesystem::create_directories(root.parent_path());
    std::filesystem::copy(qm::test::samplesDir() / "hhp" / c.folder, root,
                          std::filesystem::copy_options::recursive);
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.path().extension() == ".chm")
            std::filesystem::remove(e.path());
    return root;
}

// Every [FILES] entry that exists, the text-popup files, the contents and index files,
// every Local of the contents file, and what the listed pages refer to: "/name" → file.
std::map<std::string, std::filesystem::path>
expectedFiles(ProjectText& project, const std::filesystem::path& projectFolder) {
    std::map<std::string, std::filesystem::path> expected;
    auto expect = [&](const std::string& fromFolder, const std::string& reference) {
        std::string relative = fromFolder.empty() ? reference : fromFolder + "/" + reference;
        std::string found = findOnDisk(projectFolder, relative);
        if (!found.empty())
            expected[found] = projectFolder / found.substr(1);
        return found;
    };
    std::vector<std::string> pages;
    for (const std::string& file : project.sections["files"]) {
        std::string found = expect("", file);
        if (!found.empty() && (lowerAscii(found).find(".htm") != std::string::npos))
            pages.push_back(found);
    }
    for (const std::string& file : project.sections["text popups"])
        expect("", file);
    for (const char* key : {"contents file", "index file"}) {
        std::string found = expect("", project.option(key));
        if (found.empty())
            continue;
        std::string sitemap = qm::test::readFile(projectFolder / found.substr(1));
        std::regex local(R"rx(name="Local"\s+value="([^"]*)")rx", std::regex::icase);
        for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), local), end; it != end; ++it) {
            std::string ref = (*it)[1];
            if (ref.find(':') == std::string::npos &&
                std::all_of(ref.begin(), ref.end(),
                            [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
                expect("", ref.substr(0, ref.find('#')));
        }
    }
    for (const std::string& page : pages) {
        std::string folder = page.substr(1, page.rfind('/') == 0 ? 0 : page.rfind('/') - 1);
        for (const std::string& ref :
             pageReferences(qm::test::readFile(projectFolder / page.substr(1))))
            expect(ref.front() == '/' ? "" : folder, ref.front() == '/' ? ref.substr(1) : ref);
    }
    return expected;
}

// A project path as the CHM stores it: '/' between folders, in the project's code page,
// compared without ASCII case.
std::string inCodePage(const ProjectText& project, std::string utf8) {
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return lowerAscii(qm::charset::fromUtf8(utf8, project.charset.c_str()));
}

// #SYSTEM names the contents file, index file, default topic and title in the project's
// code page.
void checkSystemFile(const ProjectText& project, const std::filesystem::path& projectFolder,
                     qm::test::ChmContents& chm) {
    const qm::test::SystemRecords system = qm::test::parseSystem(chm["/#SYSTEM"]);
    if (!findOnDisk(projectFolder, project.option("contents file")).empty()) {
        EXPECT_EQ(lowerAscii(system.text(0)), inCodePage(project, project.option("contents file")));
    }
    if (!findOnDisk(projectFolder, project.option("index file")).empty()) {
        EXPECT_EQ(lowerAscii(system.text(1)), inCodePage(project, project.option("index file")));
    }
    if (!project.option("default topic").empty()) {
        EXPECT_EQ(lowerAscii(system.text(2)), inCodePage(project, project.option("default topic")));
    }
    EXPECT_EQ(system.text(3),
              qm::charset::fromUtf8(project.option("title"), project.charset.c_str()));
}

// The [MAP] lines with the headers they include (looked for from the project's folder up
// to the sample's root) read in.
std::string mapDefines(ProjectText& project, const std::filesystem::path& projectFolder,
                       const std::filesystem::path& root) {
    std::string defines;
    for (const std::string& line : project.sections["map"]) {
        if (line.rfind("#include", 0) == 0) {
            std::string name = trim(line.substr(8));
            std::replace(name.begin(), name.end(), '\\', '/');
            for (std::filesystem::path base = projectFolder; base != root.parent_path();
                 base = base.parent_path())
                if (std::filesystem::exists(base / name)) {
                    defines += qm::test::readFile(base / name) + "\n";
                    break;
                }
        } else {
            defines += line + "\n";
        }
    }
    return defines;
}

// Every context ID of [MAP] resolves through #IVB to the page [ALIAS] names.
void checkContextIds(ProjectText& project, const std::filesystem::path& projectFolder,
                     const std::filesystem::path& root, qm::test::ChmContents& chm) {
    std::map<std::string, std::string> aliasOf;
    for (const std::string& line : project.sections["alias"]) {
        std::size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '#')
            aliasOf.emplace(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
    }
    const std::string defines = mapDefines(project, projectFolder, root);
    std::map<std::uint32_t, std::string> ivb;
    for (auto [number, offset] : qm::test::parseIvb(chm["/#IVB"]))
        ivb[number] = qm::test::stringAt(chm["/#STRINGS"], offset);
    std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    int resolved = 0;
    std::set<std::uint32_t> seen; // a number defined twice (teraterm has two) keeps its first topic
    for (std::sregex_iterator it(defines.begin(), defines.end(), define), end; it != end; ++it) {
        auto alias = aliasOf.find((*it)[1]);
        if (alias == aliasOf.end() || findOnDisk(projectFolder, alias->second).empty())
            continue;
        std::uint32_t number = static_cast<std::uint32_t>(std::stoul((*it)[2]));
        if (!seen.insert(number).second)
            continue;
        ASSERT_TRUE(ivb.count(number)) << (*it)[1] << " = " << number;
        EXPECT_EQ(lowerAscii(ivb[number]), inCodePage(project, alias->second)) << (*it)[1];
        ++resolved;
    }
    if (!aliasOf.empty()) {
        EXPECT_GT(resolved, 0) << "no context ID was checked";
    }
}

} // namespace

TEST_P(SampleProjects, CompilesWithEveryFileInEveryReader) {
    TempDir dir;
    const std::filesystem::path root = copySample(GetParam(), dir.path());
    const std::filesystem::path hhp = root / GetParam().projectFile;
    const std::filesystem::path projectFolder = hhp.parent_path();

    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    CompileResult result = compileProject(hhp, listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    ASSERT_TRUE(std::filesystem::exists(result.chm));

    ProjectText project = readProject(hhp);
    const std::map<std::string, std::filesystem::path> expected =
        expectedFiles(project, projectFolder);
    ASSERT_FALSE(expected.empty());
    qm::test::AllReaders readers = qm::test::readWithAll(result.chm, dir / "7z");
    std::vector<std::string> problems = qm::test::compareWithDisk(readers, expected);
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems of " << expected.size()
                                  << " files: " << ::testing::PrintToString(problems);

    ASSERT_TRUE(readers.chmlib);
    checkSystemFile(project, projectFolder, *readers.chmlib);
    checkContextIds(project, projectFolder, root, *readers.chmlib);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleProjects, ::testing::ValuesIn(sampleCases()),
                         [](const ::testing::TestParamInfo<SampleCase>& param) {
                             std::string name = param.param.folder;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SampleProjects);

TEST(SampleProjectsOthello, HoldsTheSameFilesAsMicrosoftsCompilerPut) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    TempDir dir;
    std::filesystem::path root = dir / "othello";
    std::filesystem::copy(qm::test::samplesDir() / "hhp" / "othello-zh", root,
                          std::filesystem::copy_options::recursive);
    std::filesystem::path microsoft = root / "Othello.chm";
    RecordingListener listener;
    CompileOptions options;
    options.output = dir / "ours.chm";
    CompileResult result = compileProject(root / "Othello.hhp", listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    auto theirs = qm::test::readWithChmlib(microsoft);
    auto ours = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(theirs && ours);
    auto contentNames = [](const qm::test::ChmContents& c) {
        std::set<std::string> names;
        for (const auto& [name, bytes] : c)
            if (name.size() > 1 && name[0] == '/' && name[1] != '#' && name[1] != '$')
                names.insert(lowerAscii(name));
        return names;
    };
    // The names only: the repository's copies of the pages need not be the bytes
    // Microsoft's compiler saw.
    EXPECT_EQ(contentNames(*ours), contentNames(*theirs));
}

// Sakura Editor's dialog boxes show their help as text popups: 704 of its [MAP] IDs are
// defined by number in Cshelp.txt, and only the IDs whose text it lacks are warned of.
TEST(SampleProjectsSakura, PopupIdsAreNoWarningsButTheirFileIsInTheChm) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    TempDir dir;
    std::filesystem::copy(qm::test::samplesDir() / "hhp" / "sakura-ja", dir / "s",
                          std::filesystem::copy_options::recursive);
    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    CompileResult result = compileProject(dir / "s" / "sakura.hhp", listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    const std::string popups = qm::test::readFile(dir / "s" / "Cshelp.txt");
    EXPECT_EQ(qm::test::chmlibLookup(result.chm, "/Cshelp.txt"), popups);

    std::set<std::string> topics;
    std::regex topic(R"(\.topic\s+(\d+))");
    for (std::sregex_iterator it(popups.begin(), popups.end(), topic), end; it != end; ++it)
        topics.insert((*it)[1]);
    const std::string header = qm::test::readFile(dir / "s" / "sakura.hh");
    std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    int popupIds = 0;
    for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it) {
        if (!topics.count((*it)[2]))
            continue;
        ++popupIds;
        for (const std::string& w : listener.warnings)
            EXPECT_EQ(w.find(" " + (*it)[1].str() + " "), std::string::npos) << w;
    }
    EXPECT_GT(popupIds, 700);
    EXPECT_LT(listener.warnings.size(), 50u) << listener.allLog();
}
