// A disk that fills up (or breaks) during a run: whichever file the run is writing when
// it happens, that file keeps the bytes of the run before, no half-written or temporary
// file is left, and the run says what the system said.
#include "run/RunFakes.h"
#include "support/FailingDevice.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <cstring>
#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FailingDevice;
using Step = FailingDevice::Step;

// The document before and after an edit: the first topic keeps its page name with other
// text, a topic is added, the picture changes, so every file of the project changes.
const std::string kEarlier = "<h1>概述</h1>甲<h2>安装</h2>乙";
const std::string kLater = "<h1>概述</h1>甲甲甲<h2>安装</h2>乙乙<h2>卸载</h2>丙";
constexpr const char* kFirstPage = "概述.";

// Where in a file's writing the disk fails.
enum class Point { FirstByte, Midway, LastByte, Close, Rename };

struct Case {
    const char* file; // the file's name, or kFirstPage for the first topic's page
    Point point;
};

std::string pointName(Point point) {
    switch (point) {
    case Point::FirstByte:
        return "FirstByte";
    case Point::Midway:
        return "Midway";
    case Point::LastByte:
        return "LastByte";
    case Point::Close:
        return "Close";
    case Point::Rename:
        return "Rename";
    }
    return {};
}

std::string utf8Name(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return {name.begin(), name.end()};
}

// Every file under folder, by its path inside it, with its bytes.
std::map<std::string, std::string> filesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(folder).generic_string()] =
                test::readFile(entry.path());
    return files;
}

// Writes the document (and its pictures folder) and runs it, with the compiler's log.
struct Project {
    test::TempDir dir;
    std::unique_ptr<FakeListener> host;
    FakeCompiler compiler;

    RunOutcome run(const std::string& body, const std::string& picture) {
        test::writeFile(dir / "doc.htm", wordPage(body));
        fs::create_directories(dir / "doc.files");
        test::writeFile(dir / "doc.files" / "p.png", picture);
        host = std::make_unique<FakeListener>();
        compiler.logLines = {"  note: " + picture}; // so that doc.log is written
        compiler.timestamp = 1700000000;            // so that the CHM's size is known
        Generator gen(*host, nullptr, &compiler);
        gen.openFiles({dir / "doc.htm"});
        return gen.generationRun(RunSettings());
    }
    // The path (inside dir) of the file the case names.
    std::string pathOf(std::string_view file) {
        for (const auto& [path, bytes] : filesUnder(dir.path()))
            if (file == kFirstPage ? path.starts_with("doc.Content/" + std::string(file))
                                   : fs::path(path).filename() == file)
                return path;
        return {};
    }
};

// The later project's files and their sizes, written once on a sound disk.
const std::map<std::string, std::string>& laterFiles() {
    static const std::map<std::string, std::string> files = [] {
        Project sound;
        sound.run(kLater, "later picture");
        return filesUnder(sound.dir.path());
    }();
    return files;
}

FailingDevice deviceFor(const std::string& path, Point point) {
    const std::string name = utf8Name(path);
    const std::uint64_t size = laterFiles().at(path).size();
    switch (point) {
    case Point::FirstByte:
        return FailingDevice(name, Step::Write, 0);
    case Point::Midway:
        return FailingDevice(name, Step::Write, size / 2);
    case Point::LastByte:
        return FailingDevice(name, Step::Write, size - 1);
    case Point::Close:
        return FailingDevice(name, Step::Close, 0, EIO);
    case Point::Rename:
        return FailingDevice(name, Step::Rename, 0, EIO);
    }
    return FailingDevice(name, Step::Write);
}

// The system's reason, in its words and in the user's.
bool tellsWhy(const std::string& text, int error) {
    const std::string words = g(error == ENOSPC ? "磁盘已满" : "读写错误");
    return text.find(std::strerror(error)) != std::string::npos &&
           text.find(words) != std::string::npos;
}

class DiskFull : public ::testing::TestWithParam<Case> {};

TEST_P(DiskFull, KeepsTheEarlierFileAndSaysWhy) {
    const Case c = GetParam();
    Project project;
    ASSERT_EQ(project.run(kEarlier, "earlier picture").chmsBuilt, 1);
    const std::map<std::string, std::string> earlier = filesUnder(project.dir.path());
    const std::string path = project.pathOf(c.file);
    ASSERT_FALSE(path.empty()) << c.file;
    ASSERT_TRUE(laterFiles().contains(path)) << path << " keeps its name in the later run";
    ASSERT_NE(laterFiles().at(path), earlier.at(path)) << path << " changes in the later run";

    FailingDevice device = deviceFor(path, c.point);
    RunOutcome outcome;
    {
        ScopedOutputDevice failing(device);
        outcome = project.run(kLater, "later picture");
    }
    ASSERT_TRUE(device.failed());
    const std::map<std::string, std::string> after = filesUnder(project.dir.path());
    EXPECT_EQ(after.at(path), earlier.at(path)) << path;
    for (const auto& [file, bytes] : after)
        EXPECT_FALSE(fs::path(file).filename().string().ends_with(".part")) << file;
    EXPECT_EQ(outcome.chmsBuilt, 0);

    const int error = c.point == Point::Close || c.point == Point::Rename ? EIO : ENOSPC;
    ASSERT_EQ(project.host->reports.size(), 1u);
    const FileReport& report = project.host->reports.front();
    if (utf8Name(path) == "doc.chm") {
        // The compiler's own error, among the warnings and in its log.
        std::string warnings;
        for (const std::string& warning : report.warnings)
            warnings += warning + "\n";
        EXPECT_TRUE(tellsWhy(warnings, error)) << gbk::toUtf8(warnings);
        EXPECT_TRUE(tellsWhy(after.at("doc.log"), error));
        EXPECT_EQ(report.outcome, FileReport::Outcome::NoChm);
    } else {
        EXPECT_EQ(report.outcome, FileReport::Outcome::Failed);
        EXPECT_TRUE(tellsWhy(report.reason, error)) << gbk::toUtf8(report.reason);
        EXPECT_TRUE(tellsWhy(outcome.summary, error)) << gbk::toUtf8(outcome.summary);
    }
}

std::vector<Case> everyWriterAtEveryPoint() {
    std::vector<Case> cases;
    for (const char* file : {"doc.ids", "Alias.h", "HelpID.h", "doc.hhp", "doc.txt", "doc.hhc",
                             "doc.hhk", kFirstPage, "p.png", "doc.log", "doc.chm"})
        for (Point point :
             {Point::FirstByte, Point::Midway, Point::LastByte, Point::Close, Point::Rename})
            cases.push_back({file, point});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = std::string_view(info.param.file) == kFirstPage ? "Page" : info.param.file;
    std::erase_if(name, [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); });
    return name + "_" + pointName(info.param.point);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, DiskFull, ::testing::ValuesIn(everyWriterAtEveryPoint()),
                         caseName);

// The ID map is written before the files that carry its numbers: when it cannot be
// written, the earlier project stands whole, every page it lists included.
TEST(DiskFullAtTheIdMap, TheEarlierProjectStandsWhole) {
    Project project;
    ASSERT_EQ(project.run(kEarlier, "earlier picture").chmsBuilt, 1);
    const std::map<std::string, std::string> earlier = filesUnder(project.dir.path());
    FailingDevice device("doc.ids", Step::Write, 10);
    {
        ScopedOutputDevice failing(device);
        project.run(kLater, "later picture");
    }
    ASSERT_TRUE(device.failed());
    const std::map<std::string, std::string> after = filesUnder(project.dir.path());
    for (const char* file : {"doc.ids", "doc.hhp", "doc.hhc", "doc.hhk", "doc.txt", "doc.chm",
                             "doc.Content/Alias.h", "doc.Content/HelpID.h"})
        EXPECT_EQ(after.at(file), earlier.at(file)) << file;
    for (const auto& [file, bytes] : earlier) {
        if (file.starts_with("doc.Content/") && file.ends_with(".htm")) {
            EXPECT_TRUE(after.contains(file)) << file;
        }
    }
}

// A stopped run still says it was stopped when its log cannot be written, and why the
// log is missing.
TEST(DiskFullAtTheRunLog, TheStoppedRunSaysWhyItsLogIsMissing) {
    test::TempDir dir;
    std::string body;
    for (int i = 0; i < 200; ++i)
        body += "<h1>T" + std::to_string(i) + "</h1><p>" + std::string(200, 'x') + "</p>";
    test::writeFile(dir / "big.htm", wordPage(body));
    FakeListener host;
    Generator gen(host, nullptr, nullptr);
    host.generator = &gen;
    host.abortAtNodes = 3;
    gen.openFiles({dir / "big.htm"});
    FailingDevice device("big.run.txt", Step::Write, 5);
    RunOutcome outcome;
    {
        ScopedOutputDevice failing(device);
        outcome = gen.generationRun(RunSettings());
    }
    ASSERT_TRUE(device.failed());
    EXPECT_EQ(outcome.ending, RunOutcome::Ending::Interrupted);
    EXPECT_TRUE(outcome.summary.starts_with(g("操作被用户中断。"))) << gbk::toUtf8(outcome.summary);
    EXPECT_TRUE(tellsWhy(outcome.summary, ENOSPC)) << gbk::toUtf8(outcome.summary);
    EXPECT_FALSE(fs::exists(dir / "big.run.txt"));
    EXPECT_FALSE(fs::exists(dir / ".big.run.txt.part"));
}

} // namespace
} // namespace qm
