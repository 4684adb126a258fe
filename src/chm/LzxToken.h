#pragma once

#include "chm/LzxConstants.h"

#include <algorithm>
#include <cstdint>

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

inline Token literalToken(std::uint8_t byte) {
    Token t;
    t.mainSymbol = byte;
    return t;
}

// A match of `length` bytes: repeat is 0..2 for a repeated offset, -1 for a new one.
inline Token matchToken(unsigned length, int repeat, std::uint32_t offset) {
    Token t;
    unsigned slot;
    if (repeat >= 0) {
        slot = static_cast<unsigned>(repeat);
    } else {
        const std::uint32_t formatted = offset + 2;
        slot = positionSlot(formatted);
        t.extra = formatted - kSlots.base[slot];
        t.extraBits = kSlots.extraBits[slot];
    }
    const unsigned lengthHeader = std::min(length - kMinMatch, kNumPrimaryLengths);
    if (lengthHeader == kNumPrimaryLengths)
        t.lengthSymbol = static_cast<std::uint16_t>(length - kMinMatch - kNumPrimaryLengths);
    t.mainSymbol = static_cast<std::uint16_t>(kNumChars + slot * 8 + lengthHeader);
    t.length = static_cast<std::uint16_t>(length);
    return t;
}

// The repeat offsets after a match, as the decoder keeps them: a new offset pushes
// the others down, a repeat swaps with the first.
inline void updateRepeats(std::uint32_t (&repeats)[3], int repeat, std::uint32_t offset) {
    if (repeat >= 0) {
        std::swap(repeats[0], repeats[repeat]);
    } else {
        repeats[2] = repeats[1];
        repeats[1] = repeats[0];
        repeats[0] = offset;
    }
}

} // namespace qm::chm::lzx
