// Projects from Quillmark's own generator: the bundled example run through the
// quillmark program, and the 2,000-topic project.
#include "chm/Compiler.h"

#include "ChmChecks.h"
#include "ChmInspect.h"
#include "ProjectFixture.h"
#include "RecordingListener.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace qm::chm;
using qm::test::RecordingListener;
using qm::test::TempDir;

namespace {

// Every file under folder, as "/relative/name" → path, except what the filter rejects.
std::map<std::string, std::filesystem::path> filesUnder(const std::filesystem::path& root,
                                                        const std::filesystem::path& folder) {
    std::map<std::string, std::filesystem::path> out;
    for (auto it = std::filesystem::recursive_directory_iterator(folder);
         it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file())
            out["/" + it->path().lexically_relative(root).generic_string()] = it->path();
    return out;
}

// HelpID.h's numbers reach, through the CHM's #IVB, the pages Alias.h names.
void expectIdsReachTheirPages(const std::filesystem::path& content,
                              const qm::test::ChmContents& chm) {
    std::string helpIds = qm::test::readFile(content / "HelpID.h");
    std::string aliases = qm::gbk::toUtf8(qm::test::readFile(content / "Alias.h"));
    std::map<std::string, std::string> pageOfId;
    std::regex aliasLine(R"((IDH_\d+) = (.*\.htm))");
    for (std::sregex_iterator it(aliases.begin(), aliases.end(), aliasLine), end; it != end; ++it) {
        std::string page = (*it)[2];
        for (char& c : page)
            if (c == '\\')
                c = '/';
        pageOfId[(*it)[1]] = page;
    }
    auto ivb = qm::test::parseIvb(chm.at("/#IVB"));
    std::map<std::uint32_t, std::string> pageOfNumber;
    for (auto [number, offset] : ivb)
        pageOfNumber[number] = qm::gbk::toUtf8(qm::test::stringAt(chm.at("/#STRINGS"), offset));
    std::regex defineLine(R"(#define (IDH_\d+) (\d+))");
    int checked = 0;
    for (std::sregex_iterator it(helpIds.begin(), helpIds.end(), defineLine), end; it != end;
         ++it) {
        std::uint32_t number = static_cast<std::uint32_t>(std::stoul((*it)[2]));
        EXPECT_EQ(pageOfNumber[number], pageOfId[(*it)[1]]) << (*it)[1];
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace

TEST(GeneratedProject, TheBundledExampleCompilesWithItsPictures) {
    TempDir dir;
    std::filesystem::copy(qm::test::sourceDir() / "examples", dir.path(),
                          std::filesystem::copy_options::recursive);
    std::string output;
    int status = qm::test::runCommand(
        qm::test::shellQuote((qm::test::binaryDir() / "quillmark").string()) + " --no-compile -q " +
            qm::test::shellQuote((dir / "manual.htm").string()),
        &output);
    ASSERT_EQ(status, 0) << output;
    ASSERT_TRUE(std::filesystem::exists(dir / "manual.hhp")) << output;

    RecordingListener listener;
    CompileOptions options;
    options.timestamp = 1700000000;
    CompileResult result = compileProject(dir / "manual.hhp", listener, options);
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_TRUE(listener.warnings.empty()) << listener.allLog();

    // Every page and picture of the ContentFolder (except the context-ID headers), the
    // contents file and the index file.
    std::map<std::string, std::filesystem::path> expected =
        filesUnder(dir.path(), dir / "manual.Content");
    expected.erase("/manual.Content/Alias.h");
    expected.erase("/manual.Content/HelpID.h");
    expected["/manual.hhc"] = dir / "manual.hhc";
    expected["/manual.hhk"] = dir / "manual.hhk";
    bool hasPicture = false;
    for (const auto& [name, path] : expected)
        hasPicture |= name.find(".png") != std::string::npos ||
                      name.find(".gif") != std::string::npos ||
                      name.find(".jpg") != std::string::npos;
    EXPECT_TRUE(hasPicture) << "the example has a picture";
    qm::test::AllReaders readers = qm::test::readWithAll(result.chm, dir / "7z");
    std::vector<std::string> problems = qm::test::compareWithDisk(readers, expected);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

    ASSERT_TRUE(readers.chmlib);
    expectIdsReachTheirPages(dir / "manual.Content", *readers.chmlib);
}

TEST(GeneratedProject, TwoThousandTopicsInEveryReader) {
    TempDir dir;
    qm::test::FixtureOptions options;
    options.topics = 2000;
    options.pictures = 20;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), options);
    RecordingListener listener;
    CompileOptions compile;
    compile.timestamp = 1700000000;
    CompileResult result = compileProject(fixture.project, listener, compile);
    ASSERT_TRUE(result.written) << listener.allLog();
    EXPECT_EQ(result.files, 2000 + 20 + 2);

    std::map<std::string, std::filesystem::path> expected;
    for (const auto& t : fixture.topics)
        expected["/" + t.pageName] = dir / t.pageName;
    for (const auto& p : fixture.pictures)
        expected["/" + p] = dir / p;
    qm::test::AllReaders readers = qm::test::readWithAll(result.chm, dir / "7z");
    std::vector<std::string> problems = qm::test::compareWithDisk(readers, expected);
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first: "
                                  << (problems.empty() ? "" : problems.front());

    ASSERT_TRUE(readers.chmlib);
    auto ivb = qm::test::parseIvb((*readers.chmlib)["/#IVB"]);
    EXPECT_EQ(ivb.size(), 2000u);
    for (auto [number, offset] : ivb) {
        std::string page =
            qm::gbk::toUtf8(qm::test::stringAt((*readers.chmlib)["/#STRINGS"], offset));
        EXPECT_TRUE(readers.chmlib->count("/" + page)) << number << " → " << page;
    }
}

// A real manual edited between two runs: its topics keep their context IDs, the new
// heading gets a number never used, and the CHM maps every number to its topic's page.
TEST(GeneratedProject, ContextIdsStayWithTheirTopicsAcrossAnEdit) {
    if (qm::test::samplesDir().empty())
        GTEST_SKIP() << qm::test::kNoSamples;
    TempDir dir;
    std::filesystem::path sample = qm::test::samplesDir() / "html" / "rstartree_rtree_filtered_cn";
    std::filesystem::copy(sample, dir.path(), std::filesystem::copy_options::recursive);
    std::filesystem::path page;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().extension() == ".htm")
            page = e.path();
    ASSERT_FALSE(page.empty());
    std::filesystem::path base = page.parent_path() / page.stem();
    auto run = [&](std::vector<std::string> options) {
        options.push_back(page.string());
        std::string command = qm::test::shellQuote((qm::test::binaryDir() / "quillmark").string());
        for (const std::string& o : options)
            command += " " + qm::test::shellQuote(o);
        std::string output;
        EXPECT_EQ(qm::test::runCommand(command, &output), 0) << output;
    };
    auto file = [&](const char* suffix) { return qm::test::readFile(base.string() + suffix); };
    auto idsByKey = [&] {
        std::map<std::string, std::string> ids;
        std::istringstream lines(file(".ids"));
        for (std::string line; std::getline(lines, line);)
            if (line.find("\ttopic\t") != std::string::npos)
                ids[line.substr(line.rfind('\t') + 1)] = line.substr(0, line.find('\t'));
        return ids;
    };

    run({"-q"});
    std::string helpIds = file(".Content/HelpID.h");
    run({"-q", "--renumber"}); // without a map: the document order, as a first run
    EXPECT_EQ(file(".Content/HelpID.h"), helpIds);
    std::map<std::string, std::string> before = idsByKey();

    std::string text = qm::test::readFile(page);
    std::size_t firstEnd = text.find("</h1>");
    ASSERT_NE(firstEnd, std::string::npos);
    qm::test::writeFile(
        page, text.insert(firstEnd + 5, qm::gbk::fromUtf8("<h1>新增的一章</h1><p>x</p>")));
    run({"-q"});
    std::map<std::string, std::string> after = idsByKey();
    for (const auto& [key, k] : before)
        EXPECT_EQ(after[key], k) << key;
    EXPECT_EQ(after["新增的一章"], std::to_string(before.size() + 1));
    std::optional<qm::test::ChmContents> chm = qm::test::readWithChmlib(base.string() + ".chm");
    ASSERT_TRUE(chm.has_value());
    expectIdsReachTheirPages(base.string() + ".Content", *chm);
}
