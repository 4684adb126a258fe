#include "text/OutputFile.h"

#include "platform/Files.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cerrno>

namespace qm {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

} // namespace

OutputFile::OutputFile(std::filesystem::path target, OutputDevice& device)
    : device_(device), target_(std::move(target)) {
    temp_ = target_;
    temp_.replace_filename(
        std::filesystem::path(u8"." + target_.filename().u8string() + u8".part"));
    fd_ = device_.create(temp_, target_);
    if (fd_ < 0)
        throwCannotCreate(gbk::fromPath(target_), errno);
    buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
    discard();
}

// Closes and removes the temporary file, if it is still open.
void OutputFile::discard() {
    if (fd_ < 0)
        return;
    device_.close(fd_);
    fd_ = -1;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

void OutputFile::write(std::string_view bytes) {
    if (fd_ < 0)
        fail(0);
    if (buffer_.size() + bytes.size() > kBufferSize) {
        flush();
        if (bytes.size() >= kBufferSize) {
            writeOut(bytes); // no copy through the buffer
            return;
        }
    }
    buffer_.append(bytes);
}

void OutputFile::flush() {
    writeOut(buffer_);
    buffer_.clear();
}

void OutputFile::writeOut(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::int64_t n = device_.write(fd_, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC); // a write of nothing: the disk took no more
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void OutputFile::commit() {
    if (fd_ < 0)
        fail(0);
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (device_.close(fd) != 0 || device_.replace(temp_, target_) != 0) {
        const int error = errno;
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        throwCannotWrite(gbk::fromPath(target_), error);
    }
}

void OutputFile::fail(int error) {
    discard();
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

void copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    ReadableFile source(from);
    if (!source.isOpen())
        throwCannotOpen(gbk::fromPath(from), source.error());
    OutputFile out(to);
    std::string chunk(kBufferSize, '\0');
    for (std::uint64_t at = 0;;) {
        const std::int64_t got = source.readAt(chunk.data(), chunk.size(), at);
        if (got < 0)
            throwCannotOpen(gbk::fromPath(from), errno);
        if (got == 0)
            break;
        out.write(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
        at += static_cast<std::uint64_t>(got);
    }
    out.commit();
}

} // namespace qm
