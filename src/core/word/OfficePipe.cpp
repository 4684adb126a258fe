#include "word/OfficePipe.h"

#include "platform/Files.h"
#include "platform/Process.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>

namespace qm {
namespace {

constexpr std::array<std::uint32_t, 64> kShifts = {
    7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
    14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
    4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};

std::uint32_t rotate(std::uint32_t x, std::uint32_t n) {
    return (x << n) | (x >> (32 - n));
}

// One 64-byte block into the state (RFC 1321).
void md5Block(std::array<std::uint32_t, 4>& state, const unsigned char* block) {
    static const std::array<std::uint32_t, 64> sines = [] {
        std::array<std::uint32_t, 64> k{};
        for (std::size_t i = 0; i < 64; ++i)
            k[i] = static_cast<std::uint32_t>(
                std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
        return k;
    }();
    std::array<std::uint32_t, 16> m{};
    for (std::size_t i = 0; i < 16; ++i)
        m[i] = static_cast<std::uint32_t>(block[i * 4]) |
               static_cast<std::uint32_t>(block[i * 4 + 1]) << 8 |
               static_cast<std::uint32_t>(block[i * 4 + 2]) << 16 |
               static_cast<std::uint32_t>(block[i * 4 + 3]) << 24;
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (std::size_t i = 0; i < 64; ++i) {
        std::uint32_t f = 0;
        std::size_t g = 0;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = d;
        d = c;
        c = b;
        b += rotate(a + f + sines[i] + m[g], kShifts[i]);
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

std::string md5(std::string_view bytes) {
    std::array<std::uint32_t, 4> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::string padded(bytes);
    padded += '\x80';
    while (padded.size() % 64 != 56)
        padded += '\0';
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i)
        padded += static_cast<char>((bits >> (8 * i)) & 0xff);
    for (std::size_t at = 0; at < padded.size(); at += 64)
        md5Block(state, reinterpret_cast<const unsigned char*>(padded.data() + at));
    std::string digest;
    for (std::uint32_t word : state)
        for (int i = 0; i < 4; ++i)
            digest += static_cast<char>((word >> (8 * i)) & 0xff);
    return digest;
}

std::filesystem::path officePipePath(const std::filesystem::path& folder,
                                     std::string_view profileUrl) {
    // The office hashes the URL's UTF-16 code units (little-endian in memory) and writes
    // each byte of the digest in hexadecimal without a leading zero.
    std::string utf16;
    for (char c : profileUrl) { // the URL is ASCII: every other byte is percent-encoded
        utf16 += c;
        utf16 += '\0';
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hash;
    for (char ch : md5(utf16)) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 16)
            hash += kHex[b >> 4];
        hash += kHex[b & 15];
    }
    return folder / ("OSL_PIPE_" + std::to_string(currentUserId()) + "_SingleOfficeIPC_" + hash);
}

bool removeOfficePipe(std::string_view profileUrl) {
    bool gone = true;
    for (const char* folder : {"/tmp", "/var/tmp"}) {
        const std::filesystem::path pipe = officePipePath(folder, profileUrl);
        const SocketState state = localSocketState(pipe);
        std::error_code ec;
        if (state == SocketState::Dead)
            std::filesystem::remove(pipe, ec);
        gone = gone && state != SocketState::Listening;
    }
    return gone;
}

} // namespace qm
