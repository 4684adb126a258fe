#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qm {

enum class Origin { Beginning, Current, End };

// A read-only file stream with 64-bit positions and a buffer that serves both forward
// and backward byte reads, so that byte-at-a-time algorithms run at buffered speed.
// Opening a missing or unreadable file throws qm::Error "Cannot open file <path>".
class ReadStream {
public:
    explicit ReadStream(const std::filesystem::path& path);
    ReadStream(const ReadStream&) = delete;
    ReadStream& operator=(const ReadStream&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::int64_t size() const { return size_; }
    std::int64_t position() const { return pos_; }

    // Moves to offset relative to origin, clamped to [0, size]; returns the new position.
    std::int64_t seek(std::int64_t offset, Origin origin);

    // Reads the byte at the position and moves past it; false at the end.
    bool readByte(unsigned char& byte) {
        if (pos_ >= bufStart_ && pos_ < bufEnd_) {
            byte = static_cast<unsigned char>(buf_[static_cast<std::size_t>(pos_ - bufStart_)]);
            ++pos_;
            return true;
        }
        return readByteSlow(byte);
    }

    // The bytes of the buffer from the position on (at least one unless at the end),
    // without moving. For loops that scan spans and then skip() over them.
    std::string_view peekSpan();
    void skip(std::int64_t count) { pos_ += count; }

    // Reads up to count bytes from the position into out (appending); returns how many.
    std::int64_t read(std::string& out, std::int64_t count);

private:
    bool readByteSlow(unsigned char& byte);
    void fill(std::int64_t start);

    std::filesystem::path path_;
    ReadableFile file_;
    std::int64_t size_ = 0;
    std::int64_t pos_ = 0;
    std::string buf_;
    std::int64_t bufStart_ = 0;
    std::int64_t bufEnd_ = 0;
};

// The whole file's bytes. Throws qm::Error "Cannot open file <path>" when it cannot be
// opened (a folder, a FIFO or a device included) or read to its end.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace qm
