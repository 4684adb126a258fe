#include "chm/SpoolFile.h"

#include "text/Error.h"

#include <algorithm>
#include <string>

namespace qm::chm {
namespace {

constexpr std::size_t kCopyChunk = 1 << 16;

[[noreturn]] void failTemporary() {
    throw Error("Cannot write a temporary file");
}

} // namespace

SpoolFile::SpoolFile() : file_(std::tmpfile()) {
    if (!file_)
        throw Error("Cannot create a temporary file");
}

void SpoolFile::write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        failTemporary();
    size_ += bytes.size();
}

void SpoolFile::copyTo(ByteSink& sink) {
    if (std::fflush(file_.get()) != 0 || std::fseek(file_.get(), 0, SEEK_SET) != 0)
        failTemporary();
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
}

} // namespace qm::chm
