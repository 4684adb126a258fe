#include "platform/FileLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

// What the file holds: the holder's process id when it is one of ours, else nothing.
std::string holderIn(int fd) {
    char text[24] = {};
    ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::string id(text, got > 0 ? static_cast<std::size_t>(got) : 0);
    bool digits = !id.empty() &&
                  std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? id : std::string();
}

int openLockFile(const std::filesystem::path& file) {
    // Readable by all who can read the folder: another user's run must open it too, and a
    // lock on a read-only descriptor excludes as well as one on a writable one.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | flags, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(file.c_str(), O_RDONLY | flags);
    return fd;
}

} // namespace

FileLock::FileLock(const std::filesystem::path& file) {
    int fd = openLockFile(file);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            state_ = State::Busy;
            holder_ = holderIn(fd);
            if (holder_.empty())
                holder_.push_back('?');
        }
        ::close(fd);
        return;
    }
    handle_ = fd;
    state_ = State::Held;
    // The holder's number, for the message of a second run; only over a number of ours.
    const std::string pid = std::to_string(::getpid());
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size <= 20 && (st.st_size == 0 || !holderIn(fd).empty()))
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
            // Only a message depends on it.
        }
}

FileLock::~FileLock() {
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_)); // releases the lock
}

} // namespace qm
