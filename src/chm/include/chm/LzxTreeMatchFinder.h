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

// The match finder finds its candidates by a hash of the next three bytes.
inline constexpr unsigned kHashBits = 15;
inline std::uint32_t hashOfThree(const std::uint8_t* p) {
    const std::uint32_t v = static_cast<std::uint32_t>(p[0]) |
                            static_cast<std::uint32_t>(p[1]) << 8 |
                            static_cast<std::uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

// A binary-tree match finder over one reset interval, for the cost-based parse: the
// earlier positions with the same three-byte hash form a tree ordered by the bytes
// that follow them, so one walk down it meets the longest matches with few
// comparisons, where a hash chain walks every candidate in turn. Positions are passed
// to find() or skip() in increasing order; each inserts its position as the walk
// re-roots the tree there, and one never passed is never found. Positions are 16-bit,
// as an interval is at most 64 KiB.
class TreeMatchFinder {
public:
    // depth: nodes visited at most per position. niceLength: the tree is kept in
    // order over this many bytes; a candidate that agrees that far ends the walk and is
    // reported at its full length, so a longer match elsewhere may go unseen.
    void reset(const std::uint8_t* data, std::size_t size, unsigned depth,
               unsigned niceLength = kMaxMatch);

    // Calls found(length, offset) for each earlier position whose match is longer
    // than every one found before, lengths capped at limit (kMinMatch + 1 at least to
    // report anything); then inserts pos.
    template <typename Found> void find(std::size_t pos, unsigned limit, Found&& found) {
        unsigned reported = 2;
        walk(pos, [&](unsigned length, std::uint32_t offset) {
            const unsigned capped = length < limit ? length : limit;
            if (capped > reported) {
                reported = capped;
                found(capped, offset);
            }
        });
    }

    // Inserts pos without reporting matches.
    void skip(std::size_t pos) {
        walk(pos, [](unsigned, std::uint32_t) {});
    }

private:
    template <typename Report> void walk(std::size_t pos, Report&& report);

    static constexpr std::uint16_t kNone = 0xFFFF;
    static_assert(kResetInterval - 3 < kNone);
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    unsigned depth_ = 0;
    unsigned niceLength_ = kMaxMatch;
    std::vector<std::uint16_t> head_;
    // Two a position: the roots of the subtrees of smaller and of larger suffixes.
    std::vector<std::uint16_t> children_;
};

template <typename Report> void TreeMatchFinder::walk(std::size_t pos, Report&& report) {
    if (pos + 3 > size_)
        return;
    // The tree is kept in order over the nice length or what the data allows, so that
    // caps for frames and the end of real data do not disturb it.
    const std::size_t left = size_ - pos;
    const unsigned room = static_cast<unsigned>(left < kMaxMatch ? left : kMaxMatch);
    const unsigned treeLimit = room < niceLength_ ? room : niceLength_;
    const std::uint32_t h = hashOfThree(data_ + pos);
    std::uint16_t candidate = head_[h];
    head_[h] = static_cast<std::uint16_t>(pos);
    std::uint16_t* smaller = &children_[2 * pos];    // where the next smaller node goes
    std::uint16_t* larger = &children_[2 * pos + 1]; // where the next larger node goes
    unsigned smallerLength = 0, largerLength = 0;    // bytes known equal on each side
    unsigned longest = 0;
    const std::uint8_t* here = data_ + pos;
    for (unsigned visits = depth_; candidate != kNone; --visits) {
        const std::size_t offset = pos - candidate;
        if (visits == 0 || offset > kMaxOffset)
            break;
        const std::uint8_t* there = data_ + candidate;
        std::uint16_t* pair = &children_[2 * std::size_t{candidate}];
        const unsigned known = smallerLength < largerLength ? smallerLength : largerLength;
        unsigned length = known + commonLength(here + known, there + known, treeLimit - known);
        if (length == treeLimit && treeLimit < room)
            length += commonLength(here + length, there + length, room - length);
        if (length > longest) {
            longest = length;
            report(length, static_cast<std::uint32_t>(offset));
        }
        if (length >= treeLimit) {
            // Equal as far as it can tell: pos takes the candidate's place.
            *smaller = pair[0];
            *larger = pair[1];
            return;
        }
        if (there[length] < here[length]) {
            *smaller = candidate;
            smaller = &pair[1];
            candidate = pair[1];
            smallerLength = length;
        } else {
            *larger = candidate;
            larger = &pair[0];
            candidate = pair[0];
            largerLength = length;
        }
    }
    *smaller = kNone;
    *larger = kNone;
}

} // namespace qm::chm::lzx
