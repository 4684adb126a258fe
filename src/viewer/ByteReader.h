#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace qm::viewer {

// A CHM's own files are untrusted input: every read of a little-endian number is
// checked against the end, and a read past it throws DamagedFile.
class DamagedFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline unsigned byteAt(std::string_view s, std::size_t at) {
    if (at >= s.size())
        throw DamagedFile("read past the end of a CHM's file");
    return static_cast<unsigned char>(s[at]);
}

inline std::uint32_t readU16(std::string_view s, std::size_t at) {
    return byteAt(s, at) | byteAt(s, at + 1) << 8;
}

inline std::uint32_t readU32(std::string_view s, std::size_t at) {
    return readU16(s, at) | readU16(s, at + 2) << 16;
}

} // namespace qm::viewer
