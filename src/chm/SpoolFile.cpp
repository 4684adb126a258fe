#include "chm/SpoolFile.h"

#include "text/Error.h"

#include <algorithm>
#include <cerrno>
#include <string>

namespace qm::chm {
namespace {

constexpr std::size_t kCopyChunk = 1 << 16;

// error: the errno value of a failed write, or 0 when the system gave none.
[[noreturn]] void failTemporary(int error = 0) {
    throw Error(withSystemReason("Cannot write a temporary file", error));
}

} // namespace

SpoolFile::SpoolFile() : file_(std::tmpfile()) {
    if (!file_)
        throw Error(withSystemReason("Cannot create a temporary file", errno));
}

void SpoolFile::write(std::string_view bytes) {
    if (!atEnd_ && std::fseek(file_.get(), 0, SEEK_END) != 0)
        failTemporary();
    atEnd_ = true;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        failTemporary(errno);
    size_ += bytes.size();
}

void SpoolFile::copyTo(ByteSink& sink) {
    if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0)
        failTemporary(errno);
    std::string chunk(kCopyChunk, '\0');
    std::uint64_t left = size_;
    while (left > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
        if (std::fread(chunk.data(), 1, want, file_.get()) != want)
            failTemporary();
        sink.write(std::string_view(chunk.data(), want));
        left -= want;
    }
    if (std::fseek(file_.get(), 0, SEEK_END) != 0)
        failTemporary();
    atEnd_ = true;
}

void SpoolFile::readAt(std::uint64_t offset, std::uint64_t length, std::string& out) {
    if (offset > size_ || length > size_ - offset)
        failTemporary();
    if (atEnd_ && std::fflush(file_.get()) != 0)
        failTemporary(errno);
    atEnd_ = false;
    // fseek takes a long, 32 bits on Windows: far offsets are reached in steps.
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0)
        failTemporary();
    for (std::uint64_t left = offset; left > 0;) {
        const auto step = static_cast<long>(std::min<std::uint64_t>(left, 0x40000000));
        if (std::fseek(file_.get(), step, SEEK_CUR) != 0)
            failTemporary();
        left -= static_cast<std::uint64_t>(step);
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(length));
    if (std::fread(out.data() + at, 1, static_cast<std::size_t>(length), file_.get()) != length)
        failTemporary();
}

} // namespace qm::chm
