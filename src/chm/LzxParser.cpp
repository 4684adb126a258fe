#include "LzxParser.h"

#include <algorithm>

namespace qm::chm::lzx {
namespace {

struct Candidate {
    unsigned length = 0;
    std::uint32_t offset = 0;
    int repeat = -1; // 0..2 when the offset is one of the repeat offsets
    int gain = 0;    // estimated bits saved against literals
};

// Rough prices before any statistics exist: a literal costs about 8 bits, a match its
// symbol and footer.
int gainOf(const Candidate& c) {
    if (c.length == 0)
        return 0;
    const int offsetCost =
        c.repeat >= 0 ? 3 + c.repeat : 7 + kSlots.extraBits[positionSlot(c.offset + 2)];
    const int lengthCost = c.length >= 9 ? 5 : 0;
    return static_cast<int>(c.length) * 8 - offsetCost - lengthCost - 2;
}

class LazyParser {
public:
    LazyParser(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
               const ParseOptions& options, MatchFinder& finder)
        : data_(data), size_(size), hardEnd_(std::min(hardEnd, size)), options_(options),
          finder_(finder) {
        finder_.reset(data, size);
    }

    void run(std::vector<Token>& tokens) {
        tokens.clear(); // its capacity, kept from interval to interval, is what text needs
        std::size_t pos = 0;
        Candidate pending; // a match found one position back, for lazy evaluation
        bool havePending = false;
        while (pos < size_) {
            Candidate current = havePending ? pending : find(pos);
            havePending = false;
            finder_.insert(pos);
            if (current.length >= kMinMatch && options_.chainDepth > 0 &&
                current.length < options_.niceLength &&
                pos + 1 < segmentEnd(pos, size_, hardEnd_)) {
                Candidate next = find(pos + 1);
                if (next.gain > current.gain) {
                    tokens.push_back(Token::literal(data_[pos]));
                    ++pos;
                    pending = next;
                    havePending = true;
                    continue;
                }
            }
            if (current.length < kMinMatch || current.gain <= 0) {
                tokens.push_back(Token::literal(data_[pos]));
                ++pos;
                continue;
            }
            tokens.push_back(Token::match(current.length, current.repeat, current.offset));
            updateRepeats(repeats_, current.repeat, current.offset);
            for (std::size_t k = 1; k < current.length; ++k)
                finder_.insert(pos + k);
            pos += current.length;
        }
    }

private:
    Candidate find(std::size_t pos) {
        Candidate best;
        const unsigned limit = static_cast<unsigned>(
            std::min<std::size_t>(kMaxMatch, segmentEnd(pos, size_, hardEnd_) - pos));
        if (limit < kMinMatch)
            return best;
        for (int r = 0; r < 3; ++r) {
            const std::uint32_t off = repeats_[r];
            if (off > pos)
                continue;
            Candidate c;
            c.length = finder_.matchLength(pos, pos - off, limit);
            c.offset = off;
            c.repeat = r;
            c.gain = gainOf(c);
            if (c.length >= kMinMatch && c.gain > best.gain)
                best = c;
        }
        finder_.forEachLonger(pos, limit, options_.chainDepth, options_.niceLength,
                              [&](unsigned length, std::uint32_t offset) {
                                  Candidate c;
                                  c.length = length;
                                  c.offset = offset;
                                  for (int r = 0; r < 3; ++r)
                                      if (repeats_[r] == offset)
                                          c.repeat = r;
                                  c.gain = gainOf(c);
                                  if (c.gain > best.gain)
                                      best = c;
                              });
        return best;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t hardEnd_;
    ParseOptions options_;
    MatchFinder& finder_;
    std::uint32_t repeats_[3] = {1, 1, 1};
};

} // namespace

void parseLazy(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
               const ParseOptions& options, MatchFinder& finder, std::vector<Token>& tokens) {
    LazyParser(data, size, hardEnd, options, finder).run(tokens);
}

const std::vector<Token>& parseInterval(const std::uint8_t* data, std::size_t size,
                                        std::size_t hardEnd, const ParseOptions& options,
                                        ParseWorkspace& workspace) {
    ParseWorkspace& w = workspace;
    parseLazy(data, size, hardEnd, options, w.finder, w.tokens);
    for (unsigned pass = 0; pass < options.optimalPasses; ++pass) {
        const TokenPrices prices = TokenPrices::fromTokens(w.tokens);
        parseOptimal(data, size, hardEnd, prices, options.optimalDepth, w.tree, w.nodes, w.tokens);
    }
    return w.tokens;
}

} // namespace qm::chm::lzx
