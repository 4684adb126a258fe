#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

// A literal or a match, already in LZX's terms.
struct Token {
    static constexpr std::uint16_t kNoLength = 0xFFFF;
    std::uint16_t mainSymbol = 0;           // literal byte, or 256 + slot * 8 + length header
    std::uint16_t lengthSymbol = kNoLength; // length tree symbol of a long match
    std::uint32_t extra = 0;                // position footer of a new offset
    std::uint8_t extraBits = 0;             // its width
    std::uint16_t length = 1;               // bytes of output the token stands for
};

struct ParseOptions {
    unsigned chainDepth = 48; // hash-chain candidates looked at per position
    unsigned niceLength = 96; // a match this long ends the search
    bool lazy = true;         // look one position ahead before taking a match
};

// Splits one reset interval (at most 64 KiB, starting with fresh repeat offsets and
// an empty window) into tokens. No token crosses a 32 KiB frame boundary or the
// position `hardEnd` (the end of the real data before the zero padding), because
// chmlib decodes frame by frame and libmspack stops at the data's end. frameStarts
// receives the index of the first token of each frame.
std::vector<Token> parseInterval(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                                 const ParseOptions& options,
                                 std::vector<std::size_t>& frameStarts);

} // namespace qm::chm::lzx
