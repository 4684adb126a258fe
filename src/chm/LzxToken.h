#pragma once

#include "chm/LzxConstants.h"

#include <algorithm>
#include <cstdint>

namespace qm::chm::lzx {

// A token's LZX symbols: the main tree's symbol, the length tree's (or kNoLength) and
// the position footer of a new offset.
struct TokenCode {
    static constexpr std::uint8_t kNoLength = 0xFF; // the length tree has 249 symbols
    std::uint16_t mainSymbol = 0;                   // literal byte, or 256 + slot * 8 + header
    std::uint8_t lengthSymbol = kNoLength;
    std::uint8_t extraBits = 0; // the footer's width
    std::uint32_t extra = 0;    // the footer
};

// A literal or a match, in 32 bits, as a thread holds a reset interval's worth of
// them: bit 31 marks a match, bit 30 a repeated offset; a match keeps its length less
// two in bits 16-23 and its offset (or the repeat's index) in bits 0-15, a literal
// its byte. The symbols are worked out when they are needed.
class Token {
public:
    static Token literal(std::uint8_t byte) { return Token(byte); }
    // A match of `length` bytes: repeat is 0..2 for a repeated offset, -1 for a new one.
    static Token match(unsigned length, int repeat, std::uint32_t offset) {
        return Token(kMatch |
                     (repeat >= 0 ? kRepeat | static_cast<std::uint32_t>(repeat) : offset) |
                     (length - kMinMatch) << 16);
    }

    bool isMatch() const { return (bits_ & kMatch) != 0; }
    // Bytes of output the token stands for.
    unsigned length() const { return isMatch() ? ((bits_ >> 16) & 0xFFu) + kMinMatch : 1; }

    TokenCode code() const {
        TokenCode c;
        if (!isMatch()) {
            c.mainSymbol = static_cast<std::uint16_t>(bits_ & 0xFFu);
            return c;
        }
        unsigned slot;
        if ((bits_ & kRepeat) != 0) {
            slot = bits_ & 3u;
        } else {
            const std::uint32_t formatted = (bits_ & 0xFFFFu) + 2;
            slot = positionSlot(formatted);
            c.extra = formatted - kSlots.base[slot];
            c.extraBits = kSlots.extraBits[slot];
        }
        const unsigned header = std::min(length() - kMinMatch, kNumPrimaryLengths);
        if (header == kNumPrimaryLengths)
            c.lengthSymbol = static_cast<std::uint8_t>(length() - kMinMatch - kNumPrimaryLengths);
        c.mainSymbol = static_cast<std::uint16_t>(kNumChars + slot * 8 + header);
        return c;
    }

private:
    static constexpr std::uint32_t kMatch = 1u << 31;
    static constexpr std::uint32_t kRepeat = 1u << 30;
    explicit Token(std::uint32_t bits) : bits_(bits) {}
    std::uint32_t bits_;
};
static_assert(sizeof(Token) == 4);
static_assert(kMaxMatch - kMinMatch <= 0xFF && kMaxOffset <= 0xFFFF);

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
