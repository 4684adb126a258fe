#include "text/OutputFile.h"

#include "platform/Files.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace qm {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

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
