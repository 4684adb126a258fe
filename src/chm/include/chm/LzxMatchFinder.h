#pragma once

#include "chm/LzxConstants.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qm::chm::lzx {

// Bytes that agree at a and b, up to limit; eight at a time.
inline unsigned commonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned limit) {
    unsigned n = 0;
    while (n + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (const std::uint64_t diff = x ^ y)
            return n + static_cast<unsigned>(__builtin_ctzll(diff) / 8);
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

// Both match finders find their candidates by a hash of the next three bytes.
inline constexpr unsigned kHashBits = 15;
inline std::uint32_t hashOfThree(const std::uint8_t* p) {
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) |
                            static_cast<std::uint32_t>(p[1]) << 8 |
                            static_cast<std::uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Hash chains over one reset interval: every position is inserted in order, and the
// earlier positions with the same three bytes are walked newest first. reset() starts
// over on another interval, keeping the tables' memory. Positions are 16-bit, as an
// interval is at most 64 KiB and the last three positions are never inserted.
class MatchFinder {
public:
    MatchFinder() = default;
    MatchFinder(const std::uint8_t* data, std::size_t size) { reset(data, size); }

    void reset(const std::uint8_t* data, std::size_t size);

    void insert(std::size_t pos);

    // Bytes that agree at pos and from, up to limit.
    unsigned matchLength(std::size_t pos, std::size_t from, unsigned limit) const {
        return commonLength(data_ + pos, data_ + from, limit);
    }

    // Calls found(length, offset) for each earlier position (at most depth of them,
    // not further back than the decoder allows) whose match is longer than all found
    // before; stops at a match of niceLength or limit bytes.
    template <typename Found>
    void forEachLonger(std::size_t pos, unsigned limit, unsigned depth, unsigned niceLength,
                       Found&& found) const {
        if (limit < 3 || pos + 3 > size_)
            return;
        unsigned longest = 2;
        for (std::uint16_t cand = head_[hashAt(pos)]; cand != kNone && depth-- > 0;
             cand = prev_[cand]) {
            const std::size_t from = cand;
            const auto offset = static_cast<std::uint32_t>(pos - from);
            if (offset > kMaxOffset)
                break;
            if (data_[from + longest] != data_[pos + longest])
                continue;
            const unsigned len = matchLength(pos, from, limit);
            if (len <= longest)
                continue;
            longest = len;
            found(len, offset);
            if (len >= niceLength || len == limit)
                break;
        }
    }

private:
    std::uint32_t hashAt(std::size_t pos) const { return hashOfThree(data_ + pos); }

    static constexpr std::uint16_t kNone = 0xFFFF; // the end of a chain
    static_assert(kResetInterval - 3 < kNone);
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::uint16_t> head_;
    std::vector<std::uint16_t> prev_;
};

} // namespace qm::chm::lzx
