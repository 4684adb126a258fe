#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Little-endian integers and CHM's ENCINT, appended to or patched into byte strings.
// Every structure of the CHM container is little-endian except the ITSF time stamp
// and the ENCINTs of the directory, which are big-endian groups of seven bits.
namespace qm::chm::bytes {

inline void putU8(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
}

inline void putU16(std::string& out, std::uint32_t v) {
    putU8(out, v);
    putU8(out, v >> 8);
}

inline void putU32(std::string& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

inline void putU64(std::string& out, std::uint64_t v) {
    putU32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    putU32(out, static_cast<std::uint32_t>(v >> 32));
}

inline void putU32BigEndian(std::string& out, std::uint32_t v) {
    putU8(out, v >> 24);
    putU8(out, v >> 16);
    putU8(out, v >> 8);
    putU8(out, v);
}

inline void patchU32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void patchU64(std::string& out, std::size_t at, std::uint64_t v) {
    patchU32(out, at, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    patchU32(out, at + 4, static_cast<std::uint32_t>(v >> 32));
}

// A zero-terminated byte string.
inline void putSz(std::string& out, std::string_view text) {
    out.append(text);
    out.push_back('\0');
}

// CHM's variable-length integer: seven bits a byte, most significant group first, the
// high bit set on every byte but the last.
inline void putEncInt(std::string& out, std::uint64_t v) {
    char groups[10];
    int n = 0;
    do {
        groups[n++] = static_cast<char>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1)
        out.push_back(static_cast<char>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

inline std::size_t encIntSize(std::uint64_t v) {
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

inline std::uint32_t getU16(std::string_view in, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(in[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + 1])) << 8;
}

inline std::uint32_t getU32(std::string_view in, std::size_t at) {
    return getU16(in, at) | getU16(in, at + 2) << 16;
}

inline std::uint64_t getU64(std::string_view in, std::size_t at) {
    return static_cast<std::uint64_t>(getU32(in, at)) |
           static_cast<std::uint64_t>(getU32(in, at + 4)) << 32;
}

} // namespace qm::chm::bytes
