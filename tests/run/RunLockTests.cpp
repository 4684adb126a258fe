#include "run/RunLock.h"
#include "support/TempDir.h"
#include "text/Error.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534; // nobody

// Runs take in a forked process as another user, on the project at root; its exit
// status. The child holds what it took until it is told, so that the parent can try too.
template <typename Take> int asOtherUser(Take take) {
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
            ::_exit(99);
        ::_exit(take());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool locked(const fs::path& root) {
    try {
        RunLock lock(root);
        return false;
    } catch (const Error&) {
        return true;
    }
}

// The lock is a hidden file beside the project, not a file of a shared temporary folder
// that another user could make first; it stays for the next run, and two users running
// on one shared project exclude each other whoever came first.
TEST(RunLock, IsAFileBesideTheProjectThatExcludesEveryUser) {
    test::TempDir dir;
    const fs::path root = dir / "manual";
    const fs::path file = RunLock::lockFileFor(root);
    EXPECT_EQ(file, dir / ".manual.lock");
    {
        RunLock mine(root);
        EXPECT_TRUE(locked(root));
        EXPECT_TRUE(fs::is_regular_file(file));
    }
    EXPECT_FALSE(locked(root));
    EXPECT_TRUE(fs::is_regular_file(file));

    if (::geteuid() != 0)
        GTEST_SKIP() << "another user's runs need root to act them out";
    fs::permissions(dir.path(), fs::perms::all);
    {
        RunLock mine(root);
        EXPECT_EQ(asOtherUser([&] { return locked(root) ? 0 : 1; }), 0)
            << "another user took the lock this run holds";
    }
    // The other user first, on a project whose lock file is not there yet.
    fs::remove(file);
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    pid_t holder = ::fork();
    if (holder == 0) {
        ::close(toChild[1]); // so that the parent's close ends the read below
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
            ::_exit(99);
        RunLock theirs(root);
        char c = 1;
        [[maybe_unused]] auto w = ::write(fromChild[1], &c, 1);
        [[maybe_unused]] auto r = ::read(toChild[0], &c, 1); // until told
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(fromChild[0], &c, 1), 1);
    EXPECT_TRUE(locked(root)) << "this run took the lock another user's run holds";
    ::close(toChild[1]);
    ::waitpid(holder, nullptr, 0);
    EXPECT_FALSE(locked(root));
}

} // namespace
} // namespace qm
