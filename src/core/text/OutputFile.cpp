#include "text/OutputFile.h"

#include "text/Error.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#endif

namespace qm {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// Windows names files in UTF-16: the wide calls keep every character of a path.
#ifdef _WIN32
int openForWriting(const std::filesystem::path& path) {
    return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}
// The read-only attribute is the one mode bit Windows has; a replaced file keeps it
// through the temporary file's permissions at creation.
void keepMode(int, const std::filesystem::path&) {}
// rename() will not replace an existing file there.
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}
#else
// The temporary file is always a new file: a link left at its name (by a killed run or
// by someone else) is removed, never written through.
int openForWriting(const std::filesystem::path& path) {
    ::unlink(path.c_str());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}
// A replaced file keeps its permissions (a group-writable or read-only file stays so).
void keepMode(int fd, const std::filesystem::path& target) {
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 0777);
}
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str());
}
#endif

} // namespace

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
    temp_ = target_;
    temp_.replace_filename(
        std::filesystem::path(u8"." + target_.filename().u8string() + u8".part"));
    fd_ = openForWriting(temp_);
    if (fd_ < 0)
        throwCannotCreate(gbk::fromPath(target_), errno);
    keepMode(fd_, target_);
    buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
    }
}

void OutputFile::write(std::string_view bytes) {
    if (fd_ < 0)
        fail(0);
    if (buffer_.size() + bytes.size() > kBufferSize) {
        flush();
        if (bytes.size() >= kBufferSize) {
            buffer_.assign(bytes);
            flush();
            return;
        }
    }
    buffer_.append(bytes);
}

void OutputFile::flush() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        // Windows' write() takes an unsigned int count.
        const auto n =
            ::write(fd_, p, static_cast<unsigned>(std::min<std::size_t>(left, 1u << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC); // a write of nothing: the disk took no more
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::commit() {
    if (fd_ < 0)
        fail(0);
    flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || replaceFile(temp_, target_) != 0) {
        int error = errno;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        throwCannotWrite(gbk::fromPath(target_), error);
    }
}

void OutputFile::fail(int error) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
    }
    throwCannotWrite(gbk::fromPath(target_), error);
}

void writeLines(ByteSink& sink, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        sink.write(line);
        sink.write("\r\n");
    }
}

void saveLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    OutputFile file(path);
    writeLines(file, lines);
    file.commit();
}

void saveBytes(const std::filesystem::path& path, std::string_view bytes) {
    OutputFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace qm
