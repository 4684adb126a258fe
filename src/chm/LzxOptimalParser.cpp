#include "LzxOptimalParser.h"

#include "chm/HuffmanCode.h"

#include <algorithm>

namespace qm::chm::lzx {
namespace {

// A symbol never counted may still pay off; it is priced as a long code.
constexpr std::uint32_t kUnusedPrice = 17;
// The parse solves the interval in stretches of this many bytes, which no token
// crosses: the path's nodes take a stretch's worth of memory (128 KiB) rather than a
// frame's, for 0.1% of output.
constexpr std::size_t kStretch = 8192;
static_assert(kFrameSize % kStretch == 0);
// A match this long is taken whole: splitting it seldom pays, and the match finder
// orders its tree over no more bytes than this, which is most of its work.
constexpr unsigned kTakeWhole = 32;
// The guessed counts weigh as much as the symbols of 1/kGuessWeight of the data, so
// that counted symbols soon outweigh them.
constexpr std::size_t kGuessWeight = 32;
// How many of its first positions still go into the match finder's tree.
constexpr std::size_t kInsertedOfWhole = 8;

} // namespace

TokenPrices TokenPrices::fromCounts(const std::array<std::uint32_t, kMainSymbols>& main,
                                    const std::array<std::uint32_t, kLengthSymbols>& length) {
    std::array<std::uint8_t, kMainSymbols> mainLengths;
    std::array<std::uint8_t, kLengthSymbols> lengthLengths;
    buildCodeLengths(main, kMaxCodeLength, mainLengths);
    buildCodeLengths(length, kMaxCodeLength, lengthLengths);
    TokenPrices p;
    for (unsigned s = 0; s < kMainSymbols; ++s)
        p.main[s] = main[s] ? mainLengths[s] : kUnusedPrice;
    for (unsigned s = 0; s < kLengthSymbols; ++s)
        p.length[s] = length[s] ? lengthLengths[s] : kUnusedPrice;
    return p;
}

void TokenPrices::guessCounts(const std::uint8_t* data, std::size_t size,
                              std::array<std::uint32_t, kMainSymbols>& main,
                              std::array<std::uint32_t, kLengthSymbols>& length) {
    for (std::size_t i = 0; i < size; i += kGuessWeight)
        main[data[i]]++;
    // Matches as text usually has them: mostly short, near and repeated offsets
    // cheapest; about one match for every ten literals.
    const std::uint32_t matches = static_cast<std::uint32_t>(size / 10 / kGuessWeight) + 1;
    for (unsigned slot = 0; slot < kPositionSlots; ++slot)
        for (unsigned header = 0; header <= kNumPrimaryLengths; ++header)
            main[kNumChars + slot * 8 + header] +=
                matches / ((slot < 3 ? 8 : slot) * (header + 2)) + 1;
    for (unsigned s = 0; s < kLengthSymbols; ++s)
        length[s] += matches / (8 * (s + 1)) + 1;
}

void parseOptimal(const std::uint8_t* data, std::size_t size, std::size_t hardEnd, unsigned depth,
                  TreeMatchFinder& finder, std::vector<PathNode>& nodes,
                  std::vector<Token>& tokens) {
    hardEnd = std::min(hardEnd, size);
    // The first stretch is priced by a guess from the bytes, each one after by the
    // symbols of the stretches before it.
    std::array<std::uint32_t, kMainSymbols> mainCounts{};
    std::array<std::uint32_t, kLengthSymbols> lengthCounts{};
    TokenPrices::guessCounts(data, hardEnd, mainCounts, lengthCounts);
    TokenPrices prices = TokenPrices::fromCounts(mainCounts, lengthCounts);
    finder.reset(data, size, depth, kTakeWhole);
    tokens.clear();
    // No token crosses a stretch's end (frames end on one too), so the cheapest path
    // runs through every stretch's end: each stretch is solved from the node the one
    // before ended on, and the nodes need cover only one stretch (base is its start).
    nodes.resize(std::min(size, kStretch) + 1);
    PathNode start;
    start.cost = 0;
    std::size_t base = 0;

    auto matchPrice = [&](unsigned slot, unsigned length) {
        const unsigned header = std::min(length - kMinMatch, kNumPrimaryLengths);
        std::uint32_t price = prices.main[kNumChars + slot * 8 + header];
        if (header == kNumPrimaryLengths)
            price += prices.length[length - kMinMatch - kNumPrimaryLengths];
        return price;
    };
    auto relax = [&](std::size_t from, std::size_t to, std::uint32_t cost, unsigned length,
                     int repeat, std::uint32_t offset) {
        PathNode& n = nodes[to - base];
        if (cost >= n.cost)
            return;
        n.cost = cost;
        n.length = static_cast<std::uint16_t>(length);
        n.repeat = static_cast<std::int8_t>(repeat);
        n.offset = static_cast<std::uint16_t>(offset);
        const PathNode& f = nodes[from - base];
        std::uint32_t repeats[3] = {f.repeats[0], f.repeats[1], f.repeats[2]};
        if (length > 0)
            updateRepeats(repeats, repeat, offset);
        for (int r = 0; r < 3; ++r)
            n.repeats[r] = static_cast<std::uint16_t>(repeats[r]);
    };

    // Positions inside a match taken whole, [skipFrom + 1, skipUntil), are not expanded.
    std::size_t skipFrom = 0, skipUntil = 0;
    for (std::size_t end; base < size; base = end) {
        end = std::min(size, base + kStretch);
        std::fill_n(nodes.begin(), end - base + 1, PathNode{});
        nodes[0] = start;
        for (std::size_t i = base; i < end; ++i) {
            // The zero padding after the real data needs no match finding: its best
            // match is the byte before, which is offered directly.
            const bool padding = i >= hardEnd;
            if (i < skipUntil) {
                // Only a match's first positions go into the tree: the rest seldom start
                // a better match, and in long runs of one byte each insertion would
                // compare the whole run.
                if (!padding && i < skipFrom + kInsertedOfWhole)
                    finder.skip(i);
                continue;
            }
            const PathNode here = nodes[i - base];
            const unsigned limit = static_cast<unsigned>(
                std::min<std::size_t>(kMaxMatch, std::min(end, segmentEnd(i, size, hardEnd)) - i));
            relax(i, i + 1, here.cost + prices.main[data[i]], 0, -1, 0);
            unsigned longest = 0;
            if (limit >= kMinMatch) {
                for (int r = 0; r < 3; ++r) {
                    const std::uint32_t off = here.repeats[r];
                    // Most positions repeat no offset; two bytes tell at once.
                    if (off > i || data[i] != data[i - off] || data[i + 1] != data[i + 1 - off])
                        continue;
                    const unsigned len = commonLength(data + i, data + i - off, limit);
                    longest = std::max(longest, len);
                    const unsigned first = len >= kTakeWhole ? len : kMinMatch;
                    for (unsigned l = first; l <= len; ++l)
                        relax(i, i + l, here.cost + matchPrice(static_cast<unsigned>(r), l), l, r,
                              off);
                }
                unsigned previous = kMinMatch;
                auto offer = [&](unsigned len, std::uint32_t off) {
                    longest = std::max(longest, len);
                    const bool repeated =
                        off == here.repeats[0] || off == here.repeats[1] || off == here.repeats[2];
                    if (!repeated) {
                        const unsigned slot = positionSlot(off + 2);
                        const std::uint32_t footer = kSlots.extraBits[slot];
                        const unsigned first = len >= kTakeWhole ? len : previous + 1;
                        for (unsigned l = std::max(first, 3u); l <= len; ++l)
                            relax(i, i + l, here.cost + matchPrice(slot, l) + footer, l, -1, off);
                    }
                    previous = len;
                };
                if (!padding)
                    finder.find(i, limit, offer);
                else if (i > hardEnd && limit >= 3)
                    offer(limit, 1);
            } else if (!padding) {
                finder.skip(i);
            }
            if (longest >= kTakeWhole) {
                skipFrom = i;
                skipUntil = i + longest;
            }
        }

        const std::size_t first = tokens.size();
        for (std::size_t at = end; at > base;) {
            const PathNode& n = nodes[at - base];
            tokens.push_back(n.length == 0 ? Token::literal(data[at - 1])
                                           : Token::match(n.length, n.repeat, n.offset));
            at -= n.length == 0 ? 1 : n.length;
        }
        std::reverse(tokens.begin() + static_cast<std::ptrdiff_t>(first), tokens.end());
        for (std::size_t k = first; k < tokens.size(); ++k) {
            const TokenCode t = tokens[k].code();
            mainCounts[t.mainSymbol]++;
            if (t.lengthSymbol != TokenCode::kNoLength)
                lengthCounts[t.lengthSymbol]++;
        }
        if (end < size)
            prices = TokenPrices::fromCounts(mainCounts, lengthCounts);
        // Costs only compare within a stretch; the next one starts from zero.
        start = nodes[end - base];
        start.cost = 0;
    }
}

} // namespace qm::chm::lzx
