#include "MemoryLimit.h"

#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {
namespace {

std::size_t mappedBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

} // namespace

bool sanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

int runWithMemoryLimit(std::size_t headroom, const std::function<int()>& fn) {
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (!sanitizedBuild()) {
            const rlimit limit{mappedBytes() + headroom, mappedBytes() + headroom};
            setrlimit(RLIMIT_AS, &limit);
        }
        int status = 125;
        try {
            status = fn();
        } catch (...) {
            status = 126;
        }
        _exit(status); // not the parent's atexit handlers and test framework
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace qm::test
