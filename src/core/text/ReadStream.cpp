#include "text/ReadStream.h"

#include "text/Error.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cerrno>

namespace qm {
namespace {

constexpr std::int64_t kBufferSize = 1 << 16;

} // namespace

ReadStream::ReadStream(const std::filesystem::path& path) : path_(path), file_(path) {
    if (!file_.isOpen())
        throwCannotOpen(gbk::fromPath(path), file_.error());
    size_ = static_cast<std::int64_t>(file_.size());
    buf_.resize(static_cast<std::size_t>(kBufferSize));
}

std::int64_t ReadStream::seek(std::int64_t offset, Origin origin) {
    std::int64_t base = origin == Origin::Beginning ? 0 : origin == Origin::Current ? pos_ : size_;
    pos_ = std::clamp<std::int64_t>(base + offset, 0, size_);
    return pos_;
}

void ReadStream::fill(std::int64_t start) {
    bufStart_ = start;
    bufEnd_ = start;
    std::int64_t want = std::min(kBufferSize, size_ - start);
    std::int64_t got = 0;
    while (got < want) {
        std::int64_t n = file_.readAt(buf_.data() + got, static_cast<std::size_t>(want - got),
                                      static_cast<std::uint64_t>(start + got));
        if (n <= 0)
            break;
        got += n;
    }
    bufEnd_ = start + got;
}

bool ReadStream::readByteSlow(unsigned char& byte) {
    if (pos_ >= size_)
        return false;
    // Reading backwards lands just below the buffer: centre the new buffer on the
    // position so that both directions keep hitting it.
    std::int64_t start =
        pos_ < bufStart_ ? std::max<std::int64_t>(0, pos_ - kBufferSize / 2) : pos_;
    fill(start);
    if (pos_ >= bufEnd_)
        return false;
    return readByte(byte);
}

std::string_view ReadStream::peekSpan() {
    if (!(pos_ >= bufStart_ && pos_ < bufEnd_)) {
        if (pos_ >= size_)
            return {};
        fill(pos_);
    }
    return {buf_.data() + (pos_ - bufStart_), static_cast<std::size_t>(bufEnd_ - pos_)};
}

std::int64_t ReadStream::read(std::string& out, std::int64_t count) {
    std::int64_t done = 0;
    while (done < count) {
        std::string_view span = peekSpan();
        if (span.empty())
            break;
        auto n = std::min<std::int64_t>(count - done, static_cast<std::int64_t>(span.size()));
        out.append(span.data(), static_cast<std::size_t>(n));
        pos_ += n;
        done += n;
    }
    return done;
}

std::string readWholeFile(const std::filesystem::path& path) {
    ReadStream stream(path);
    std::string bytes;
    if (stream.read(bytes, stream.size()) != stream.size())
        throwCannotOpen(gbk::fromPath(path));
    return bytes;
}

} // namespace qm
