#include "word/ChildProcess.h"

#include "support/TempDir.h"
#include "word/LibreOfficeConverter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>

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
    // The program starts a helper of its own and waits for it, as LibreOffice's
    // launcher does: both must be gone when the call returns.
    test::TempDir dir;
    const std::string pidFile = (dir / "helper.pid").string();
    ProcessResult r =
        runChildProcess("sh", {"-c", "sleep 300 & echo $! > '" + pidFile + "'; wait"}, 300ms);
    EXPECT_EQ(r.ending, ProcessResult::Ending::TimedOut);

    long helper = 0;
    for (int i = 0; i < 100 && helper == 0; ++i) {
        std::ifstream(pidFile) >> helper;
        if (helper == 0)
            std::this_thread::sleep_for(20ms);
    }
    ASSERT_NE(helper, 0);
    // SIGKILL is delivered asynchronously; give the kernel a moment.
    for (int i = 0; i < 200 && isRunning(helper); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(isRunning(helper));
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
    for (int i = 0; i < 200 && isRunning(helper); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(isRunning(helper));
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

} // namespace
} // namespace qm
