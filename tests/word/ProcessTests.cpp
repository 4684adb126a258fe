#include "platform/Process.h"

#include "support/TempDir.h"
#include "word/LibreOfficeConverter.h"
#include "word/StopFlag.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qm {
namespace {

using namespace std::chrono_literals;

// True while the process exists and has not ended (a zombie has ended).
bool isRunning(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// The number a program wrote into file, once it is there.
long pidFrom(const std::string& file) {
    long pid = 0;
    for (int i = 0; i < 500 && pid == 0; ++i) {
        std::ifstream(file) >> pid;
        if (pid == 0)
            std::this_thread::sleep_for(10ms);
    }
    return pid;
}

// SIGKILL is delivered asynchronously; give the kernel a moment.
bool ends(long pid) {
    for (int i = 0; i < 300 && isRunning(pid); ++i)
        std::this_thread::sleep_for(10ms);
    return !isRunning(pid);
}

// A program that starts a helper of its own and waits for it, as LibreOffice's launcher
// does; it writes its own and the helper's process id into dir.
std::vector<std::string> launcher(const test::TempDir& dir) {
    return {"-c", "echo $$ > '" + (dir / "self.pid").string() + "'; sleep 300 & echo $! > '" +
                      (dir / "helper.pid").string() + "'; wait"};
}

TEST(ChildProcess, ReportsHowTheProgramEnded) {
    EXPECT_EQ(runChildProcess("/no/such/program", {}, 10s).ending,
              ProcessResult::Ending::NotStarted);
    EXPECT_EQ(runChildProcess("no-such-program-anywhere", {}, 10s).ending,
              ProcessResult::Ending::NotStarted);

    ProcessResult exited = runChildProcess("sh", {"-c", "exit 3"}, 10s);
    EXPECT_EQ(exited.ending, ProcessResult::Ending::Exited);
    EXPECT_EQ(exited.exitCode, 3);
    EXPECT_TRUE(runChildProcess("true", {}, 10s).succeeded());

    EXPECT_EQ(runChildProcess("sh", {"-c", "kill -SEGV $$"}, 10s).ending,
              ProcessResult::Ending::Signalled);
}

TEST(ChildProcess, SetsItsEnvironmentOverOurs) {
    ::setenv("QM_CHILD_TEST", "ours", 1);
    EXPECT_TRUE(runChildProcess("sh",
                                {"-c", "test \"$QM_CHILD_TEST\" = theirs && test -n \"$PATH\""},
                                10s, {"QM_CHILD_TEST=theirs"})
                    .succeeded());
    EXPECT_TRUE(runChildProcess("sh", {"-c", "test \"$QM_CHILD_TEST\" = ours"}, 10s).succeeded());
    ::unsetenv("QM_CHILD_TEST");
}

TEST(ChildProcess, ATimeLimitEndsTheWholeProcessGroup) {
    test::TempDir dir;
    ProcessResult r = runChildProcess("sh", launcher(dir), 300ms);
    EXPECT_EQ(r.ending, ProcessResult::Ending::TimedOut);
    long helper = pidFrom((dir / "helper.pid").string());
    ASSERT_NE(helper, 0);
    EXPECT_TRUE(ends(helper));
}

TEST(ChildProcess, TheStopFlagEndsTheWholeProcessGroup) {
    test::TempDir dir;
    StopFlag stop;
    std::thread user([&] {
        pidFrom((dir / "helper.pid").string());
        stop.set();
    });
    ProcessResult r =
        runChildProcess("sh", launcher(dir), 600s, {}, {[&] { return stop.isSet(); }, {}});
    user.join();
    EXPECT_EQ(r.ending, ProcessResult::Ending::Stopped);
    EXPECT_TRUE(ends(pidFrom((dir / "helper.pid").string())));
}

TEST(ChildProcess, TheProgramAndItsHelpersDieWithAKilledCaller) {
    // A caller killed outright (SIGKILL, the OOM killer) cannot end the group itself.
    test::TempDir dir;
    pid_t caller = ::fork();
    ASSERT_GE(caller, 0);
    if (caller == 0) {
        runChildProcess("sh", launcher(dir), 600s);
        ::_exit(0);
    }
    long program = pidFrom((dir / "self.pid").string());
    long helper = pidFrom((dir / "helper.pid").string());
    ::kill(caller, SIGKILL);
    ::waitpid(caller, nullptr, 0);
    ASSERT_NE(program, 0);
    ASSERT_NE(helper, 0);
    EXPECT_TRUE(ends(program));
    EXPECT_TRUE(ends(helper));
}

TEST(ChildProcess, HelpersLeftBehindAreEnded) {
    // A program that ends but leaves a helper running in its group: the helper could
    // hold LibreOffice's profile and swallow the next conversion.
    test::TempDir dir;
    const std::string pidFile = (dir / "helper.pid").string();
    ProcessResult r = runChildProcess("sh", {"-c", "sleep 300 & echo $! > '" + pidFile + "'"}, 10s);
    EXPECT_TRUE(r.succeeded());
    long helper = 0;
    std::ifstream(pidFile) >> helper;
    ASSERT_NE(helper, 0);
    EXPECT_TRUE(ends(helper));
}

TEST(LibreOfficeConverter, WithoutLibreOfficeNothingIsWritten) {
    test::TempDir dir;
    test::writeFile(dir / "a.doc", "{\\rtf1 hello}");
    LibreOfficeConverter converter(10s, "/no/such/soffice");
    EXPECT_FALSE(converter.available());
    EXPECT_FALSE(converter.convert(dir / "a.doc", dir / "a.htm", false));
    EXPECT_FALSE(converter.convert(dir / "a.doc", dir / "a.htm", true));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.htm"));
    EXPECT_EQ(test::readFile(dir / "a.doc"), "{\\rtf1 hello}");
}

TEST(LibreOfficeConverter, AStopEndsTheConversionAndWritesNothing) {
    test::TempDir dir;
    test::writeFile(dir / "a.doc", "{\\rtf1 hello}");
    // A LibreOffice that never finishes, and says when it has started.
    const std::filesystem::path started = dir / "started";
    test::writeFile(dir / "soffice",
                    "#!/bin/sh\ntouch '" + started.string() + "'\nexec sleep 600\n");
    std::filesystem::permissions(dir / "soffice", std::filesystem::perms::owner_all);
    LibreOfficeConverter converter(600s, dir / "soffice");
    StopFlag stop;
    converter.watch(&stop);

    stop.set();
    EXPECT_FALSE(converter.convert(dir / "a.doc", dir / "a.htm", false));
    EXPECT_FALSE(std::filesystem::exists(started));

    stop.clear();
    std::thread user([&] {
        for (int i = 0; i < 1000 && !std::filesystem::exists(started); ++i)
            std::this_thread::sleep_for(5ms);
        stop.set();
    });
    EXPECT_FALSE(converter.convert(dir / "a.doc", dir / "a.htm", false));
    user.join();
    EXPECT_TRUE(std::filesystem::exists(started));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.htm"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.files"));
}

} // namespace
} // namespace qm
