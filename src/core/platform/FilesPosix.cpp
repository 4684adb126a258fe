#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qm {

ReadableFile::ReadableFile(const std::filesystem::path& path, AtLink atLink) {
    // O_NONBLOCK: a FIFO given by mistake must not hang the open; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                                      (atLink == AtLink::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error_ = S_ISDIR(st.st_mode) ? EISDIR : 0;
        ::close(fd);
        return;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadableFile::~ReadableFile() {
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));
}

std::int64_t ReadableFile::readAt(char* buffer, std::size_t count, std::uint64_t offset) const {
    for (;;) {
        ssize_t n = ::pread(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

std::filesystem::path ReadableFile::openedPath() const {
    std::error_code ec;
    std::filesystem::path opened = std::filesystem::read_symlink(
        std::filesystem::path("/proc/self/fd") / std::to_string(handle_), ec);
    return ec ? std::filesystem::path() : opened;
}

int openForWriting(const std::filesystem::path& path) {
    ::unlink(path.c_str());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

std::int64_t writeSome(int fd, const char* bytes, std::size_t count) {
    return ::write(fd, bytes, count);
}

int closeWritten(int fd) {
    return ::close(fd);
}

void keepMode(int fd, const std::filesystem::path& target) {
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 0777);
}

int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str());
}

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{
        static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::uint64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::filesystem::path makePrivateFolder(const std::filesystem::path& parent,
                                        const std::string& prefix) {
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    return ::mkdtemp(pattern.data()) != nullptr ? std::filesystem::path(pattern)
                                                : std::filesystem::path();
}

bool isOwnFolder(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

SocketState localSocketState(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid())
        return SocketState::Absent;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path)
        return SocketState::Absent;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SocketState::Listening; // cannot tell: leave it
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int error = errno;
    ::close(fd);
    return listening || error != ECONNREFUSED ? SocketState::Listening : SocketState::Dead;
}

namespace {

EntryKind kindOf(std::filesystem::file_type type) {
    switch (type) {
    case std::filesystem::file_type::regular:
        return EntryKind::File;
    case std::filesystem::file_type::directory:
        return EntryKind::Folder;
    case std::filesystem::file_type::symlink:
        return EntryKind::Link;
    default:
        return EntryKind::Other;
    }
}

} // namespace

std::optional<EntryKind> entryKind(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(status))
        return std::nullopt;
    return kindOf(status.type());
}

std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    std::vector<FolderEntry> entries;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        entries.push_back({it->path().filename(), kindOf(it->symlink_status(ec).type())});
    }
    return entries;
}

std::filesystem::path systemTextPath(const char* text) {
    return std::filesystem::path(text);
}

std::filesystem::path executableFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

} // namespace qm
