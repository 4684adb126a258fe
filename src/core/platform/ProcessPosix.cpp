#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the stop flag.
constexpr std::chrono::milliseconds kStopPoll{50};

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

enum class Wait { Ended, TimedOut, Stopped };

// Waits until the child has ended (without reaping it, so that its process group stays
// reserved for the kill that follows), the deadline has passed, stop is set or stalled
// says so.
Wait waitForEnd(pid_t pid, Clock::time_point deadline, const ProcessWatch& watch) {
    // A pidfd wakes us the moment the child ends; kernels without one get short naps.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    auto nap = std::chrono::milliseconds(1);
    Wait outcome = Wait::TimedOut;
    for (;;) {
        siginfo_t info{};
        int rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((rc == 0 && info.si_pid == pid) ||
            (rc != 0 && errno != EINTR)) { // the latter: gone already (reaped elsewhere)
            outcome = Wait::Ended;
            break;
        }
        if (watch.stopped && watch.stopped()) {
            outcome = Wait::Stopped;
            break;
        }
        if (watch.stalled && watch.stalled())
            break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        if (watch.stopped || watch.stalled)
            left = std::min(left, kStopPoll);
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
    return outcome;
}

// Everything below runs in a forked child of a process that may have other threads, whose
// locks it inherits: only async-signal-safe calls until exec or _exit.

void stdioToDevNull() {
    int null = ::open("/dev/null", O_RDWR);
    if (null < 0)
        return;
    for (int fd = 0; fd <= 2; ++fd)
        if (fd != null)
            ::dup2(null, fd);
    if (null > 2)
        ::close(null);
}

[[noreturn]] void execChild(const char* exe, char* const* argv, char* const* envp, pid_t parent,
                            int errorPipe) {
    // A group of its own, so that the helpers it starts can be ended with it; signals as a
    // fresh program expects them, whatever the caller caught, blocked or ignored.
    ::setpgid(0, 0);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s)
        ::sigaction(s, &byDefault, nullptr);
    // Should we be killed (nothing left to end the group), the program dies with us; had we
    // died already, it would have been adopted before the request took hold.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    stdioToDevNull();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(exe, argv, envp);
    int error = errno;
    [[maybe_unused]] ssize_t written = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

// The death signal reaches only the program itself, not the processes it starts
// (LibreOffice's launcher runs the office as its child). This guard, a process of its own
// that outlives ours, waits on a socket whose other end only we hold: when it closes
// without the word that all is done, we were killed, and the guard kills the child's group.
[[noreturn]] void guardGroup(pid_t group, int readEnd) {
    // Its signals stay blocked, as fork left them: Ctrl-C is for us, not for it.
    const auto end = static_cast<unsigned>(readEnd);
    if ((end > 3 && ::syscall(SYS_close_range, 3u, end - 1u, 0u) != 0) ||
        ::syscall(SYS_close_range, end + 1u, ~0u, 0u) != 0)
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != readEnd)
                ::close(fd);
    if (readEnd > 2)
        stdioToDevNull();
    char word = 0;
    ssize_t n = 0;
    do {
        n = ::read(readEnd, &word, 1);
    } while (n < 0 && errno == EINTR);
    if (n != 1)
        ::kill(-group, SIGKILL);
    ::_exit(0);
}

// Forks with every signal blocked, so that no handler of ours runs in the child.
template <typename Child> pid_t forkChild(Child child) {
    sigset_t all;
    sigset_t saved;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &saved);
    pid_t pid = ::fork();
    if (pid == 0)
        child();
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return pid;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Our environment with the entries of own set over it.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& own) {
    std::vector<std::string> merged = own;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string_view entry = *e;
        std::string_view name = entry.substr(0, entry.find('=') + 1);
        bool replaced = std::any_of(own.begin(), own.end(),
                                    [&](const std::string& o) { return o.starts_with(name); });
        if (!replaced)
            merged.emplace_back(entry);
    }
    return merged;
}

// Forks and executes the program in a group of its own; its id, or -1 when it could not
// be started (the exec's failure comes back through a pipe that closes on success).
pid_t startChild(const std::filesystem::path& exe, std::vector<std::string>& argStrings,
                 std::vector<std::string>& envStrings) {
    std::vector<char*> argv = pointers(argStrings);
    std::vector<char*> envp = pointers(envStrings);
    const pid_t parent = ::getpid();
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return -1;
    pid_t pid =
        forkChild([&] { execChild(exe.c_str(), argv.data(), envp.data(), parent, errorPipe[1]); });
    ::close(errorPipe[1]);
    if (pid > 0)
        ::setpgid(pid, pid); // also here, so that the group exists before any kill of ours
    int execError = 0;
    ssize_t n = 0;
    if (pid > 0)
        do {
            n = ::read(errorPipe[0], &execError, sizeof execError);
        } while (n < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (pid > 0 && n > 0) { // exec failed
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    return pid;
}

// The guard of a child's group (see guardGroup); an empty one when none could be made.
struct Guard {
    pid_t pid = -1;
    int tell = -1; // a socket rather than a pipe: telling a dead guard must not SIGPIPE us

    // Tells the guard that all is done, so it kills nothing.
    void release() const {
        if (tell >= 0) {
            const char done = 1;
            ::send(tell, &done, 1, MSG_NOSIGNAL);
            ::close(tell);
        }
    }
    void reap() const {
        if (pid > 0)
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
    }
};

Guard startGuard(pid_t group) {
    Guard guard;
    int line[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, line) != 0)
        return guard;
    guard.pid = forkChild([&] { guardGroup(group, line[0]); });
    ::close(line[0]);
    if (guard.pid > 0)
        guard.tell = line[1];
    else
        ::close(line[1]);
    return guard;
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

std::vector<std::filesystem::path> programFolders() {
    return {};
}

long currentProcessId() {
    return static_cast<long>(::getpid());
}

long currentUserId() {
    return static_cast<long>(::geteuid());
}

bool processIsGone(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

ProcessResult runChildProcess(const std::filesystem::path& program,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds timeLimit,
                              const std::vector<std::string>& environment,
                              const ProcessWatch& watch) {
    ProcessResult result;
    const std::filesystem::path exe = findProgram(program);
    if (exe.empty())
        return result;
    std::vector<std::string> strings{exe.string()};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = mergedEnvironment(environment);
    const pid_t pid = startChild(exe, strings, envStrings);
    if (pid <= 0)
        return result;
    const Guard guard = startGuard(pid);
    const Wait outcome = waitForEnd(pid, Clock::now() + timeLimit, watch);
    // The leader is not reaped yet, so its group id cannot have been reused.
    ::kill(-pid, SIGKILL);
    guard.release();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    guard.reap();
    if (outcome == Wait::TimedOut) {
        result.ending = ProcessResult::Ending::TimedOut;
    } else if (outcome == Wait::Stopped) {
        result.ending = ProcessResult::Ending::Stopped;
    } else if (WIFEXITED(status)) {
        result.ending = ProcessResult::Ending::Exited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.ending = ProcessResult::Ending::Signalled;
    }
    return result;
}

} // namespace qm
