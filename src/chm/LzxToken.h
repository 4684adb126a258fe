#pragma once

#include "chm/LzxConstants.h"

#include <algorithm>
#include <cstdint>

namespace qm::chm::lzx {

// A literal or a match, already in LZX's terms. 8 bytes, as a thread holds a reset
// interval's worth of them.
struct Token {
    static constexpr std::uint8_t kNoLength = 0xFF; // the length tree has 249 symbols
    std::uint32_t extra = 0;                        // position footer of a new offset
    std::uint16_t mainSymbol = 0;          // literal byte, or 256 + slot * 8 + length header
    std::uint8_t lengthSymbol = kNoLength; // length tree symbol of a long match
    std::uint8_t extraBits = 0;            // the footer's width

    // Bytes of output the token stands for.
    unsigned length() const {
        if (mainSymbol < kNumChars)
            return 1;
        const unsigned header = (mainSymbol - kNumChars) & 7u;
        return header < kNumPrimaryLengths ? header + kMinMatch
                                           : lengthSymbol + kMinMatch + kNumPrimaryLengths;
    }
};
static_assert(sizeof(Token) == 8);

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
        t.lengthSymbol = static_cast<std::uint8_t>(length - kMinMatch - kNumPrimaryLengths);
    t.mainSymbol = static_cast<std::uint16_t>(kNumChars + slot * 8 + lengthHeader);
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
