#include "word/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// Waits until the child has ended (without reaping it, so that its process group stays
// reserved for the kill that follows) or the deadline has passed; true when it ended.
bool waitForEnd(pid_t pid, Clock::time_point deadline) {
    // A pidfd wakes us the moment the child ends; kernels without one get short naps.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    auto nap = std::chrono::milliseconds(1);
    bool ended = false;
    for (;;) {
        siginfo_t info{};
        int rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (rc == 0 && info.si_pid == pid) {
            ended = true;
            break;
        }
        if (rc != 0 && errno != EINTR) { // the child is gone already (reaped elsewhere)
            ended = true;
            break;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count() + 1, INT_MAX)));
        } else {
            std::this_thread::sleep_for(std::min(nap, left));
            nap = std::min(nap * 2, std::chrono::milliseconds(50));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return ended;
}

} // namespace

std::filesystem::path findProgram(const std::filesystem::path& program) {
    if (program.empty())
        return {};
    if (program.native().find('/') != std::string::npos)
        return isExecutableFile(program) ? program : std::filesystem::path();
    const char* env = std::getenv("PATH");
    std::string_view path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    while (!path.empty()) {
        std::size_t colon = path.find(':');
        std::string_view dir = path.substr(0, colon);
        std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
        if (isExecutableFile(candidate))
            return candidate;
        path = colon == std::string_view::npos ? std::string_view() : path.substr(colon + 1);
    }
    return {};
}

ProcessResult runChildProcess(const std::filesystem::path& program,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds timeLimit,
                              const std::vector<std::string>& environment) {
    ProcessResult result;
    const std::filesystem::path exe = findProgram(program);
    if (exe.empty())
        return result;

    std::vector<std::string> strings{exe.string()};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings = environment;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string_view entry = *e;
        std::string_view name = entry.substr(0, entry.find('=') + 1);
        bool replaced = std::any_of(environment.begin(), environment.end(),
                                    [&](const std::string& own) { return own.starts_with(name); });
        if (!replaced)
            envStrings.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
    ::posix_spawnattr_init(&attr);
    // A group of its own, so that the helpers it starts can be ended with it; signals
    // as a fresh program expects them, whatever the caller blocked or ignored.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setflags(
        &attr,
        static_cast<short>(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    ::posix_spawnattr_setpgroup(&attr, 0);
    ::posix_spawnattr_setsigmask(&attr, &none);
    ::posix_spawnattr_setsigdefault(&attr, &all);

    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, exe.c_str(), &actions, &attr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return result;

    bool ended = waitForEnd(pid, Clock::now() + timeLimit);
    // The leader is not reaped yet, so its group id cannot have been reused.
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended) {
        result.ending = ProcessResult::Ending::TimedOut;
    } else if (WIFEXITED(status)) {
        result.ending = ProcessResult::Ending::Exited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.ending = ProcessResult::Ending::Signalled;
    }
    return result;
}

} // namespace qm
