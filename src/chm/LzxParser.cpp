#include "chm/LzxParser.h"

#include "chm/LzxConstants.h"

#include <algorithm>
#include <cstring>

namespace qm::chm::lzx {
namespace {

constexpr unsigned kHashBits = 15;
constexpr std::int32_t kNil = -1;

struct Candidate {
    unsigned length = 0;
    std::uint32_t offset = 0;
    int repeat = -1; // 0..2 when the offset is one of the repeat offsets
    int gain = 0;    // estimated bits saved against literals
};

int offsetCost(const Candidate& c) {
    if (c.repeat >= 0)
        return 3 + c.repeat;
    unsigned slot = positionSlot(c.offset + 2);
    return 7 + kSlots.extraBits[slot];
}

int gainOf(const Candidate& c) {
    if (c.length == 0)
        return 0;
    int lengthCost = c.length >= 9 ? 5 : 0;
    return static_cast<int>(c.length) * 8 - offsetCost(c) - lengthCost - 2;
}

class Parser {
public:
    Parser(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
           const ParseOptions& options)
        : data_(data), size_(size), hardEnd_(std::min(hardEnd, size)), options_(options),
          head_(std::size_t{1} << kHashBits, kNil), prev_(size, kNil) {}

    std::vector<Token> run(std::vector<std::size_t>& frameStarts) {
        std::vector<Token> tokens;
        tokens.reserve(size_ / 3);
        std::size_t pos = 0;
        std::size_t nextFrame = 0;
        Candidate pending; // a match found one position back, for lazy evaluation
        bool havePending = false;
        while (pos < size_) {
            if (pos == nextFrame) {
                frameStarts.push_back(tokens.size());
                nextFrame += kFrameSize;
            }
            Candidate current = havePending ? pending : find(pos);
            havePending = false;
            insert(pos);
            if (current.length >= kMinMatch && options_.lazy &&
                current.length < options_.niceLength && pos + 1 < segmentEnd(pos)) {
                Candidate next = find(pos + 1);
                if (next.gain > current.gain) {
                    tokens.push_back(literal(data_[pos]));
                    ++pos;
                    pending = next;
                    havePending = true;
                    continue;
                }
            }
            if (current.length < kMinMatch || current.gain <= 0) {
                tokens.push_back(literal(data_[pos]));
                ++pos;
                continue;
            }
            tokens.push_back(match(current));
            for (std::size_t k = 1; k < current.length; ++k)
                insert(pos + k);
            pos += current.length;
        }
        return tokens;
    }

private:
    std::size_t segmentEnd(std::size_t pos) const {
        std::size_t frameEnd = (pos / kFrameSize + 1) * kFrameSize;
        std::size_t end = std::min(frameEnd, size_);
        if (pos < hardEnd_)
            end = std::min(end, hardEnd_);
        return end;
    }

    std::uint32_t hashAt(std::size_t pos) const {
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos]) |
                          static_cast<std::uint32_t>(data_[pos + 1]) << 8 |
                          static_cast<std::uint32_t>(data_[pos + 2]) << 16;
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    void insert(std::size_t pos) {
        if (pos + 3 > size_)
            return;
        std::uint32_t h = hashAt(pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<std::int32_t>(pos);
    }

    unsigned matchLength(std::size_t pos, std::size_t from, unsigned limit) const {
        unsigned n = 0;
        while (n + 8 <= limit) {
            std::uint64_t a, b;
            std::memcpy(&a, data_ + pos + n, 8);
            std::memcpy(&b, data_ + from + n, 8);
            std::uint64_t diff = a ^ b;
            if (diff != 0)
                return n + static_cast<unsigned>(__builtin_ctzll(diff) / 8);
            n += 8;
        }
        while (n < limit && data_[pos + n] == data_[from + n])
            ++n;
        return n;
    }

    Candidate find(std::size_t pos) {
        Candidate best;
        const std::size_t end = segmentEnd(pos);
        const unsigned limit = static_cast<unsigned>(std::min<std::size_t>(kMaxMatch, end - pos));
        if (limit < kMinMatch)
            return best;
        for (int r = 0; r < 3; ++r) {
            std::uint32_t off = repeat_[r];
            if (off == 0 || off > pos)
                continue;
            Candidate c;
            c.length = matchLength(pos, pos - off, limit);
            if (c.length < kMinMatch)
                continue;
            c.offset = off;
            c.repeat = r;
            c.gain = gainOf(c);
            if (c.gain > best.gain)
                best = c;
        }
        if (limit < 3 || pos + 3 > size_)
            return best;
        unsigned depth = options_.chainDepth;
        unsigned longest = 2;
        for (std::int32_t cand = head_[hashAt(pos)]; cand != kNil && depth-- > 0;
             cand = prev_[static_cast<std::size_t>(cand)]) {
            std::size_t from = static_cast<std::size_t>(cand);
            std::uint32_t off = static_cast<std::uint32_t>(pos - from);
            if (off > kMaxOffset)
                break;
            if (data_[from + longest] != data_[pos + longest])
                continue;
            unsigned len = matchLength(pos, from, limit);
            if (len <= longest)
                continue;
            longest = len;
            Candidate c;
            c.length = len;
            c.offset = off;
            for (int r = 0; r < 3; ++r)
                if (repeat_[r] == off)
                    c.repeat = r;
            c.gain = gainOf(c);
            if (c.gain > best.gain)
                best = c;
            if (len >= options_.niceLength || len == limit)
                break;
        }
        return best;
    }

    static Token literal(std::uint8_t byte) {
        Token t;
        t.mainSymbol = byte;
        t.length = 1;
        return t;
    }

    Token match(const Candidate& c) {
        Token t;
        unsigned slot;
        if (c.repeat >= 0) {
            slot = static_cast<unsigned>(c.repeat);
            std::swap(repeat_[0], repeat_[c.repeat]);
        } else {
            std::uint32_t formatted = c.offset + 2;
            slot = positionSlot(formatted);
            t.extra = formatted - kSlots.base[slot];
            t.extraBits = kSlots.extraBits[slot];
            repeat_[2] = repeat_[1];
            repeat_[1] = repeat_[0];
            repeat_[0] = c.offset;
        }
        unsigned lengthHeader = std::min(c.length - kMinMatch, kNumPrimaryLengths);
        if (lengthHeader == kNumPrimaryLengths)
            t.lengthSymbol = static_cast<std::uint16_t>(c.length - kMinMatch - kNumPrimaryLengths);
        t.mainSymbol = static_cast<std::uint16_t>(kNumChars + slot * 8 + lengthHeader);
        t.length = static_cast<std::uint16_t>(c.length);
        return t;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t hardEnd_;
    ParseOptions options_;
    std::vector<std::int32_t> head_;
    std::vector<std::int32_t> prev_;
    std::uint32_t repeat_[3] = {1, 1, 1};
};

} // namespace

std::vector<Token> parseInterval(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                                 const ParseOptions& options,
                                 std::vector<std::size_t>& frameStarts) {
    return Parser(data, size, hardEnd, options).run(frameStarts);
}

} // namespace qm::chm::lzx
