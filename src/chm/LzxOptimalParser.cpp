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

namespace {

// The shortest path over one interval's positions, stretch by stretch.
class ShortestPath {
public:
    ShortestPath(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                 TreeMatchFinder& finder, std::vector<PathNode>& nodes, std::vector<Token>& tokens)
        : data_(data), size_(size), hardEnd_(std::min(hardEnd, size)), finder_(finder),
          nodes_(nodes), tokens_(tokens) {}

    void run() {
        // The first stretch is priced by a guess from the bytes, each one after by
        // the symbols of the stretches before it.
        TokenPrices::guessCounts(data_, hardEnd_, mainCounts_, lengthCounts_);
        prices_ = TokenPrices::fromCounts(mainCounts_, lengthCounts_);
        tokens_.clear();
        // No token crosses a stretch's end (frames end on one too), so the cheapest
        // path runs through every stretch's end: each stretch is solved from the node
        // the one before ended on, and the nodes need cover only one stretch (base_ is
        // its start).
        nodes_.resize(std::min(size_, kStretch) + 1);
        PathNode start;
        start.cost = 0;
        for (std::size_t end; base_ < size_; base_ = end) {
            end = std::min(size_, base_ + kStretch);
            std::fill_n(nodes_.begin(), end - base_ + 1, PathNode{});
            nodes_[0] = start;
            for (std::size_t i = base_; i < end; ++i)
                expand(i, end);
            takePath(end);
            // Costs only compare within a stretch; the next one starts from zero.
            start = nodes_[end - base_];
            start.cost = 0;
        }
    }

private:
    // Every step from position i: a literal, the repeat offsets, the matches found.
    void expand(std::size_t i, std::size_t end) {
        // The zero padding after the real data needs no match finding: its best
        // match is the byte before, which is offered directly.
        const bool padding = i >= hardEnd_;
        if (i < skipUntil_) {
            // Only a match's first positions go into the tree: the rest seldom start a
            // better match, and in long runs of one byte each insertion would compare
            // the whole run.
            if (!padding && i < skipFrom_ + kInsertedOfWhole)
                finder_.skip(i);
            return;
        }
        const PathNode here = nodes_[i - base_];
        const unsigned limit = static_cast<unsigned>(
            std::min<std::size_t>(kMaxMatch, std::min(end, segmentEnd(i, size_, hardEnd_)) - i));
        relax(i, i + 1, here.cost + prices_.main[data_[i]], 0, -1, 0);
        unsigned longest = 0;
        if (limit >= kMinMatch) {
            longest = expandRepeats(i, here, limit);
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
                finder_.find(i, limit, offer);
            else if (i > hardEnd_ && limit >= 3)
                offer(limit, 1);
        } else if (!padding) {
            finder_.skip(i);
        }
        if (longest >= kTakeWhole) {
            skipFrom_ = i;
            skipUntil_ = i + longest;
        }
    }

    // The matches at the repeat offsets; returns the longest.
    unsigned expandRepeats(std::size_t i, const PathNode& here, unsigned limit) {
        unsigned longest = 0;
        for (int r = 0; r < 3; ++r) {
            const std::uint32_t off = here.repeats[r];
            // Most positions repeat no offset; two bytes tell at once.
            if (off > i || data_[i] != data_[i - off] || data_[i + 1] != data_[i + 1 - off])
                continue;
            const unsigned len = commonLength(data_ + i, data_ + i - off, limit);
            longest = std::max(longest, len);
            const unsigned first = len >= kTakeWhole ? len : kMinMatch;
            for (unsigned l = first; l <= len; ++l)
                relax(i, i + l, here.cost + matchPrice(static_cast<unsigned>(r), l), l, r, off);
        }
        return longest;
    }

    std::uint32_t matchPrice(unsigned slot, unsigned length) const {
        const unsigned header = std::min(length - kMinMatch, kNumPrimaryLengths);
        std::uint32_t price = prices_.main[kNumChars + slot * 8 + header];
        if (header == kNumPrimaryLengths)
            price += prices_.length[length - kMinMatch - kNumPrimaryLengths];
        return price;
    }

    void relax(std::size_t from, std::size_t to, std::uint32_t cost, unsigned length, int repeat,
               std::uint32_t offset) {
        PathNode& n = nodes_[to - base_];
        if (cost >= n.cost)
            return;
        n.cost = cost;
        n.length = static_cast<std::uint16_t>(length);
        n.repeat = static_cast<std::int8_t>(repeat);
        n.offset = static_cast<std::uint16_t>(offset);
        const PathNode& f = nodes_[from - base_];
        std::uint32_t repeats[3] = {f.repeats[0], f.repeats[1], f.repeats[2]};
        if (length > 0)
            updateRepeats(repeats, repeat, offset);
        for (int r = 0; r < 3; ++r)
            n.repeats[r] = static_cast<std::uint16_t>(repeats[r]);
    }

    // The stretch's tokens, read back from its end; their symbols price the next one.
    void takePath(std::size_t end) {
        const std::size_t first = tokens_.size();
        for (std::size_t at = end; at > base_;) {
            const PathNode& n = nodes_[at - base_];
            tokens_.push_back(n.length == 0 ? Token::literal(data_[at - 1])
                                            : Token::match(n.length, n.repeat, n.offset));
            at -= n.length == 0 ? 1 : n.length;
        }
        std::reverse(tokens_.begin() + static_cast<std::ptrdiff_t>(first), tokens_.end());
        for (std::size_t k = first; k < tokens_.size(); ++k) {
            const TokenCode t = tokens_[k].code();
            mainCounts_[t.mainSymbol]++;
            if (t.lengthSymbol != TokenCode::kNoLength)
                lengthCounts_[t.lengthSymbol]++;
        }
        if (end < size_)
            prices_ = TokenPrices::fromCounts(mainCounts_, lengthCounts_);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t hardEnd_;
    TreeMatchFinder& finder_;
    std::vector<PathNode>& nodes_;
    std::vector<Token>& tokens_;
    std::array<std::uint32_t, kMainSymbols> mainCounts_{};
    std::array<std::uint32_t, kLengthSymbols> lengthCounts_{};
    TokenPrices prices_;
    std::size_t base_ = 0;
    // Positions inside a match taken whole, [skipFrom_ + 1, skipUntil_), are not
    // expanded.
    std::size_t skipFrom_ = 0, skipUntil_ = 0;
};

} // namespace

void parseOptimal(const std::uint8_t* data, std::size_t size, std::size_t hardEnd, unsigned depth,
                  TreeMatchFinder& finder, std::vector<PathNode>& nodes,
                  std::vector<Token>& tokens) {
    finder.reset(data, size, depth, kTakeWhole);
    ShortestPath(data, size, hardEnd, finder, nodes, tokens).run();
}

} // namespace qm::chm::lzx
