#include "CliProcess.h"

#include "addcode/AdditionalCodeFile.h"
#include "split/PageFrame.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qm {
namespace {

using test::RunProgram;

std::vector<std::string> sectionLines(const std::string& hhp, const std::string& section) {
    std::vector<std::string> lines;
    std::istringstream in(hhp);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = line == section;
            continue;
        }
        if (inside && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Cli, RealFilteredWordPageBecomesACompleteProject) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    test::TempDir dir;
    std::filesystem::copy(test::samplesDir() / "html" / "rstartree_rtree_filtered_cn", dir.path(),
                          std::filesystem::copy_options::recursive);
    std::filesystem::path source = dir / "R星树算法实现文档.htm";
    std::string original = test::readFile(source);

    auto r = RunProgram("quillmark", {"--no-compile", "-q", source.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::readFile(source), original);

    // The body slice: after the first div start tag in the body, up to the last </div>.
    std::size_t body = original.find("<body");
    std::size_t div = original.find("<div", body);
    std::size_t sliceStart = original.find('>', div) + 1;
    std::size_t sliceEnd = original.rfind("</div>");
    std::string slice = original.substr(sliceStart, sliceEnd - sliceStart);

    std::string hhp = test::readFile(dir / "R星树算法实现文档.hhp");
    std::vector<std::string> files = sectionLines(hhp, "[FILES]");
    std::string joined;
    for (const std::string& line : files) {
        std::string rel = line;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        std::filesystem::path page = dir.path() / gbk::toPath(rel);
        ASSERT_TRUE(std::filesystem::exists(page)) << gbk::toUtf8(line);
        std::string bytes = test::readFile(page);
        std::size_t start = bytes.find(creditLine()) + creditLine().size();
        joined += bytes.substr(start, bytes.size() - start - pageFrameTail().size());
    }
    // The pages are the slice cut, with links to anchors now naming the page that holds
    // them: compared by their anchor.
    std::regex pageLink("href=\"[^\"#]*\\.htm#");
    EXPECT_EQ(std::regex_replace(joined, pageLink, "href=\"#"), slice);
    EXPECT_NE(joined.find(".htm#_Toc"), std::string::npos);

    // One node per heading (and a home topic for the text before the first one).
    std::size_t headings = 0;
    for (char d = '1'; d <= '9'; ++d)
        headings += count(slice, std::string("<h") + d);
    std::string hhc = test::readFile(dir / "R星树算法实现文档.hhc");
    std::size_t entries = count(hhc, "<LI> <OBJECT");
    EXPECT_EQ(entries, files.size());
    EXPECT_TRUE(entries == headings || entries == headings + 1) << entries << " vs " << headings;
    EXPECT_GE(headings, 23u);
    EXPECT_EQ(count(test::readFile(dir / "R星树算法实现文档.hhk"), "<LI> <OBJECT"), entries);
    EXPECT_TRUE(std::filesystem::exists(dir / "R星树算法实现文档.Content" /
                                        "R星树算法实现文档.files" / "image001.gif"));
    EXPECT_TRUE(std::filesystem::exists(dir / "R星树算法实现文档.Content" / "HelpID.h"));
    EXPECT_TRUE(std::filesystem::exists(dir / "R星树算法实现文档.txt"));
    EXPECT_EQ(
        sectionLines(hhp, "[MAP]"),
        (std::vector<std::string>{gbk::fromUtf8("#include R星树算法实现文档.Content\\HelpID.h")}));
}

TEST(Cli, UsageAndVersion) {
    EXPECT_EQ(RunProgram("quillmark", {}).exitCode, 2);
    EXPECT_EQ(RunProgram("quillmark", {"--level", "12", "x.htm"}).exitCode, 2);
    EXPECT_EQ(RunProgram("quillmark", {"--bogus", "x.htm"}).exitCode, 2);
    auto help = RunProgram("quillmark", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: quillmark"), std::string::npos);
    EXPECT_EQ(RunProgram("quillmark", {"--version"}).exitCode, 0);
}

TEST(Cli, BadInputIsAClearErrorAndTouchesNothing) {
    test::TempDir dir;
    auto missing = RunProgram("quillmark", {(dir / "nothere.htm").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Cannot open file " + (dir / "nothere.htm").string()),
              std::string::npos);

    // A FIFO as the page or as the additional code is refused at once, never read.
    ASSERT_EQ(mkfifo((dir / "fifo.htm").c_str(), 0600), 0);
    auto fifo = RunProgram("quillmark", {(dir / "fifo.htm").string()});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_NE(fifo.err.find("fifo.htm"), std::string::npos) << fifo.err;
    auto fifoCode = RunProgram("quillmark", {"--addcode", (dir / "fifo.htm").string(), "x.htm"});
    EXPECT_EQ(fifoCode.exitCode, 1);

    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage.push_back(static_cast<char>(i * 131 % 256));
    test::writeFile(dir / "garbage.htm", garbage);
    auto bin = RunProgram("quillmark", {(dir / "garbage.htm").string()});
    EXPECT_EQ(bin.exitCode, 1);
    EXPECT_FALSE(bin.err.empty());
    EXPECT_EQ(test::readFile(dir / "garbage.htm"), garbage);

    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    // The project's lock file stays for the next run (see RunLock).
    EXPECT_EQ(names, (std::vector<std::string>{".garbage.lock", "fifo.htm", "garbage.htm"}));
}

TEST(Cli, ReadOnlyTargetFolderIsAnError) {
    test::TempDir dir;
    std::filesystem::path folder = dir / "ro";
    test::writeFile(folder / "m.htm", "<html><body><div><h1>A</h1>x</div></body></html>");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    std::filesystem::permissions(
        folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                    std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                    std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    std::filesystem::permissions(folder / "m.htm", std::filesystem::perms::all);
    auto r = RunProgram("quillmark", {"--no-compile", (folder / "m.htm").string()}, true);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Cannot create file"), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(folder / "m.htm"), "<html><body><div><h1>A</h1>x</div></body></html>");
}

TEST(Cli, MissingCompilerMeansNoChmAndTheProjectStays) {
    test::TempDir dir;
    test::writeFile(dir / "m.htm", "<html><body><div><h1>A</h1>x</div></body></html>");
    auto r = RunProgram("quillmark", {"-q", (dir / "m.htm").string()});
    // Without the compiler library the run ends with the system's load error; with it
    // the CHM is built. Either way the project files are on disk.
    if (r.exitCode == 1)
        EXPECT_NE(r.err.find("System Error.  Code: 126."), std::string::npos) << r.err;
    else
        EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "m.hhp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "m.hhk"));
}

// Every Word-saved page of the samples, in whatever charset it was saved, becomes a
// project of GBK pages; the source is never changed and no working file stays.
TEST(Cli, WordPagesInEveryCharsetBecomeGbkProjects) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    for (const auto& folder : std::filesystem::directory_iterator(test::samplesDir() / "html")) {
        if (!folder.is_directory())
            continue;
        test::TempDir dir;
        std::filesystem::copy(folder.path(), dir.path(), std::filesystem::copy_options::recursive);
        std::filesystem::path source;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().extension() == ".htm" || e.path().extension() == ".html")
                source = e.path();
        ASSERT_FALSE(source.empty()) << folder.path();
        std::filesystem::path page = source;
        page.replace_extension(".htm");
        if (!std::filesystem::exists(page)) // an .html source is read from its .htm sibling
            std::filesystem::copy_file(source, page);
        std::string original = test::readFile(page);

        auto r = RunProgram("quillmark", {"--no-compile", "-q", source.string()});
        ASSERT_EQ(r.exitCode, 0) << folder.path() << "\n" << r.err;
        EXPECT_EQ(test::readFile(page), original) << folder.path();
        std::filesystem::path content = page;
        content.replace_extension(".Content");
        std::size_t pages = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
            std::string name = e.path().filename().string();
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << e.path();
            EXPECT_EQ(name.find(".gbk"), std::string::npos) << e.path();
            if (e.path().parent_path() == content && e.path().extension() == ".htm") {
                ++pages;
                std::string bytes = test::readFile(e.path());
                EXPECT_EQ(bytes.find('\0'), std::string::npos) << e.path();
                // No page may still claim the charset it was saved in.
                std::string lower = bytes.substr(0, 4096);
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                for (const char* other :
                     {"charset=utf-8", "charset=big5", "charset=windows-125", "charset=unicode"})
                    EXPECT_EQ(lower.find(other), std::string::npos) << e.path() << " " << other;
            }
        }
        EXPECT_GE(pages, 1u) << folder.path();
    }
}

// Starts quillmark in the background, its output discarded, for a test to signal.
pid_t startQuillmark(const std::vector<std::string>& args) {
    std::string exe = (test::binaryDir() / "quillmark").string();
    std::vector<char*> argv{exe.data()};
    std::vector<std::string> copies = args;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(126);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Sends the signal once ready() holds (or after about `patience` milliseconds) and
// gives the wait status of the stopped program.
int signalWhenReady(pid_t pid, int signal, const std::function<bool()>& ready, int patience) {
    for (int i = 0; i < patience && !ready(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Ctrl-C and SIGTERM stop a run: the run log gets a name of its own, so the ID list of
// the finished project before stays; no working file is left; the next run works.
TEST(Cli, InterruptStopsTheRunAndKeepsTheFinishedProject) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        test::TempDir dir;
        test::writeFile(dir / "big.htm", "<html><body><div><h1>Old</h1>x</div></body></html>");
        ASSERT_EQ(
            RunProgram("quillmark", {"-q", "--no-compile", (dir / "big.htm").string()}).exitCode,
            0);
        std::string idList = test::readFile(dir / "big.txt");
        std::string page = "<html><body><div>";
        for (int i = 0; i < 5000; ++i)
            page += "<h1>T" + std::to_string(i) + "</h1><p>" + std::string(6000, 'x') + "</p>\r\n";
        page += "</div></body></html>";
        test::writeFile(dir / "big.htm", page);

        pid_t pid = startQuillmark({"--no-compile", (dir / "big.htm").string()});
        // Once the scan has begun (its first pages appear), stop it.
        const int status = signalWhenReady(
            pid, signal,
            [&] {
                std::error_code ec;
                return std::filesystem::exists(dir / "big.Content" / "T0.2.htm", ec);
            },
            20000);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 0)
            GTEST_SKIP() << "the run ended before the signal arrived";
        EXPECT_EQ(WEXITSTATUS(status), 130);
        EXPECT_EQ(test::readFile(dir / "big.txt"), idList);
        std::string log = test::readFile(dir / "big.run.txt");
        EXPECT_TRUE(log.ends_with(gbk::fromUtf8("用户中断操作。") + "\r\n")) << log;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
        EXPECT_EQ(
            RunProgram("quillmark", {"-q", "--no-compile", (dir / "big.htm").string()}).exitCode,
            0);
    }
}

// A stop during the compile ends it soon: the earlier CHM stays as it was, nothing
// half-written is left, and the next run builds the help.
TEST(Cli, InterruptDuringTheCompileKeepsTheEarlierChm) {
    test::TempDir dir;
    test::writeFile(dir / "big.htm", "<html><body><div><h1>Old</h1>x</div></body></html>");
    ASSERT_EQ(RunProgram("quillmark", {"-q", (dir / "big.htm").string()}).exitCode, 0);
    std::string earlier = test::readFile(dir / "big.chm");
    // About 24 MB of varied text in one topic: seconds of compression.
    std::string page = "<html><body><div><h1>Big</h1><p>";
    std::uint32_t seed = 7;
    while (page.size() < 24'000'000) {
        seed = seed * 1103515245u + 12345u;
        page += "w" + std::to_string(seed % 100000) + (seed % 7 == 0 ? ".\r\n" : " ");
    }
    page += "</p></div></body></html>";
    test::writeFile(dir / "big.htm", page);

    pid_t pid = startQuillmark({(dir / "big.htm").string()});
    // The project of the big page is written just before the compile starts.
    const int status = signalWhenReady(
        pid, SIGTERM,
        [&] {
            std::error_code ec;
            return std::filesystem::exists(dir / "big.hhp", ec) &&
                   test::readFile(dir / "big.hhp").find("Big.") != std::string::npos;
        },
        60000);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 0)
        GTEST_SKIP() << "the compile ended before the signal arrived";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(test::readFile(dir / "big.chm"), earlier);
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(e.path().string().find(".part"), std::string::npos) << e.path();
    EXPECT_EQ(RunProgram("quillmark", {"-q", (dir / "big.htm").string()}).exitCode, 0);
    EXPECT_NE(test::readFile(dir / "big.chm"), earlier);
}

// Document names are the user's: a name GBK cannot write is refused before anything is
// written; any other becomes a project whose files cannot break or inject into the
// project files, and whose CHM lies where the summary says.
TEST(Cli, HostileDocumentNamesGiveSoundProjectsOrAClearRefusal) {
    struct Case {
        std::string name;
        std::string project; // "" = refused
    } cases[] = {
        {"#hash.htm", "hash"},
        {"..\\..\\evil.htm", "evil"},
        {"new\nline.htm", "newline"},
        {"quote\"&amp;.htm", "quoteamp"},
        {" leading  blanks .htm", "leading blanks"},
        {"한국어.htm", ""},
        {"emoji😀.htm", ""},
        {"bad\xff\xfe.htm", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::filesystem::path source = dir / c.name;
        std::string page = "<html><body><div><h1>A</h1>x<h1>B</h1>y</div></body></html>";
        test::writeFile(source, page);
        auto r = RunProgram("quillmark", {source.string()});
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
            ++files;
        EXPECT_EQ(test::readFile(source), page);
        if (c.project.empty()) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_NE(r.err.find("GBK"), std::string::npos) << r.err;
            EXPECT_EQ(files, 1u);
            continue;
        }
        const std::string& project = c.project;
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::filesystem::path chm = dir / (project + ".chm");
        EXPECT_TRUE(std::filesystem::exists(chm)) << r.out;
        EXPECT_NE(r.out.find(chm.string()), std::string::npos) << r.out;
        std::string hhp = test::readFile(dir / (project + ".hhp"));
        EXPECT_EQ(sectionLines(hhp, "[FILES]").size(), 2u);
        EXPECT_EQ(hhp.find("Compiled file=" + project + ".chm \r\n"), hhp.find("Compiled file="));
    }
}

// Every file under a folder with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        files[e.path().lexically_relative(folder).string()] =
            e.is_regular_file() ? test::readFile(e.path()) : "<folder>";
    return files;
}

// -o sends every project into one folder; the sources' folder stays as it was.
TEST(Cli, OutputFolderTakesEverythingAndLeavesTheSourcesAlone) {
    test::TempDir dir;
    std::filesystem::path src = dir / "src";
    test::writeFile(src / "pics.htm",
                    "<html><head><title>t</title></head><body><div><h1>A</h1>"
                    "<img src=\"pics.files/a.png\"><h1>B</h1>b</div></body></html>");
    test::writeFile(src / "pics.files" / "a.png", "png");
    test::writeFile(src / "utf8.htm",
                    "<html><head><meta charset=\"utf-8\"><title>t</title></head><body><div>"
                    "<h1>概述</h1>x</div></body></html>");
    // LibreOffice's page: its pictures lie beside it.
    test::writeFile(src / "lo.htm", "<html><head><title>t</title></head><body><h1>A</h1>"
                                    "<p><img src=\"lo_htm_1.png\"></p><h1>B</h1>b</body></html>");
    test::writeFile(src / "lo_htm_1.png", "png");
    auto before = snapshot(src);
    std::filesystem::path out = dir / "out" / "help";
    auto r = RunProgram("quillmark", {"-q", "-o", out.string(), (src / "pics.htm").string(),
                                      (src / "utf8.htm").string(), (src / "lo.htm").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(src), before);
    for (const char* name : {"pics.chm", "pics.hhp", "pics.Content/pics.files/a.png", "utf8.chm",
                             "utf8.txt", "lo.chm", "lo.Content/lo_htm_1.png"})
        EXPECT_TRUE(std::filesystem::exists(out / name)) << name;
    // Two documents that would make one project are refused before anything starts.
    test::writeFile(dir / "other" / "pics.htm", "<html><body><div><h1>C</h1></div></body></html>");
    auto twice =
        RunProgram("quillmark", {"-o", (dir / "twice").string(), (src / "pics.htm").string(),
                                 (dir / "other" / "pics.htm").string()});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "twice" / "pics.hhp"));
}

// --json: a line per document that a pipeline can read, true to the files on disk.
TEST(Cli, JsonLinesTellEachDocumentsOutcomeAndOutputs) {
    test::TempDir dir;
    test::writeFile(dir / "good.htm",
                    "<html><body><div><h1>A</h1>x<h1>B</h1>y</div></body></html>");
    test::writeFile(dir / "bad.htm", std::string("\0\1garbage", 9));
    auto r = RunProgram("quillmark",
                        {"--json", "-q", (dir / "good.htm").string(), (dir / "bad.htm").string()});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<std::string> lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    const std::string& good = lines[0];
    EXPECT_NE(good.find("\"source\":\"" + (dir / "good.htm").string() + "\""), std::string::npos);
    EXPECT_NE(good.find("\"outcome\":\"done\""), std::string::npos) << good;
    EXPECT_NE(good.find("\"topics\":2"), std::string::npos) << good;
    std::smatch size;
    ASSERT_TRUE(std::regex_search(good, size, std::regex("\"chm_size\":(\\d+)")));
    EXPECT_EQ(std::stoull(size[1]), std::filesystem::file_size(dir / "good.chm"));
    std::string outputs = good.substr(good.find("\"outputs\":["));
    outputs = outputs.substr(0, outputs.find(']'));
    std::regex quotedPath("\"(/[^\"]+)\"");
    int listed = 0;
    for (std::sregex_iterator it(outputs.begin(), outputs.end(), quotedPath), end; it != end;
         ++it, ++listed)
        EXPECT_TRUE(std::filesystem::exists(std::string((*it)[1]))) << (*it)[1];
    EXPECT_GE(listed, 7);
    EXPECT_NE(lines[1].find("\"outcome\":\"failed\""), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"warnings\":[\""), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"reason\":\"文件不是HTML网页"), std::string::npos) << lines[1];
    EXPECT_EQ(good.find("context_ids"), std::string::npos) << "no earlier IDs to compare with";

    // The next run after an edit tells which context IDs are new and which are gone.
    test::writeFile(dir / "good.htm",
                    "<html><body><div><h1>A</h1>x<h1>B</h1>y<h1>D</h1>w</div></body></html>");
    r = RunProgram("quillmark", {"--json", "-q", "--no-compile", (dir / "good.htm").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"context_ids\":{\"kept\":2,\"added\":[{\"id\":\"IDH_3\",\"number\":"
                         "1003,\"topic\":\"D\"}],\"retired\":[]}"),
              std::string::npos)
        << r.out;
}

// A build log is no terminal: each step of a file is one line, however long the compiler
// works on a large page (it repeats its last line while it does); and the compiler speaks
// the program's Chinese.
TEST(Cli, ProgressOffATerminalGivesEachStepOnceAndTheCompilerSpeaksChinese) {
    test::TempDir dir;
    std::string body = "<img src=\"gone.png\">";
    for (int i = 0; i < 3; ++i)
        body += "<h1>T" + std::to_string(i) + "</h1><p>" + std::string(400000, 'x') + "</p>";
    test::writeFile(dir / "a.htm", "<html><body><div>" + body + "</div></body></html>");
    test::writeFile(dir / "b.htm", "<html><body><div>" + body + "</div></body></html>");
    auto r = RunProgram("quillmark", {(dir / "a.htm").string(), (dir / "b.htm").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, int> seen;
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
        if (line.rfind("(", 0) == 0)
            seen.clear(); // the next file's lines
        EXPECT_EQ(++seen[line], 1) << line << "\n" << r.err;
    }
    EXPECT_EQ(count(r.err, "正在压缩 5 个文件"), 2u) << r.err;
    EXPECT_EQ(count(r.err, "  警告：\"a.Content/"), 1u) << r.err;
    EXPECT_EQ(count(r.err, " 引用的 \"gone.png\"不存在，未编入。"), 2u) << r.err;
    EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
}

// A saved pair frames every page; a --suffix file replaces only its half.
TEST(Cli, AddcodeFramesEveryPage) {
    test::TempDir dir;
    std::string prefix = gbk::fromUtf8("<table><tr><td>页眉</td></tr><tr><td>\r\n");
    saveAdditionalCodeFile(dir / "frame.ahtml", {prefix, "</td></tr></table>"});
    test::writeFile(dir / "suffix.txt", "<p>end</p>");
    test::writeFile(dir / "m.htm", "<html><head><title>x</title></head><body><div>"
                                   "<h1>A</h1>a<h1>B</h1>b</div></body></html>");
    auto r = RunProgram("quillmark", {"--no-compile", "-q", "--addcode",
                                      (dir / "frame.ahtml").string(), (dir / "m.htm").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string page = test::readFile(dir / "m.Content" / "B.13.htm");
    EXPECT_NE(page.find("<div>" + prefix + creditLine() + "<h1>B</h1>b</td></tr></table>" +
                        pageFrameTail()),
              std::string::npos);

    r = RunProgram("quillmark",
                   {"--no-compile", "-q", "--addcode", (dir / "frame.ahtml").string(), "--suffix",
                    (dir / "suffix.txt").string(), (dir / "m.htm").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    page = test::readFile(dir / "m.Content" / "A.2.htm");
    EXPECT_TRUE(page.ends_with("a<p>end</p>" + pageFrameTail()));
    EXPECT_NE(page.find(prefix + creditLine()), std::string::npos);

    auto bad = RunProgram(
        "quillmark", {"--addcode", (dir / "missing.ahtml").string(), (dir / "m.htm").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("Cannot open file"), std::string::npos);
}

} // namespace
} // namespace qm
