#pragma once

#include "chm/LzxToken.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

struct ParseOptions {
    unsigned chainDepth = 24;   // hash-chain candidates looked at per position (lazy pass)
    unsigned niceLength = 257;  // a match this long ends the search
    unsigned optimalDepth = 64; // candidates per position in the cost-based pass
    unsigned optimalPasses = 1; // each pass prices symbols by the codes of the one before
};

// Splits one reset interval (at most 64 KiB, starting with fresh repeat offsets and
// an empty window) into tokens. No token crosses a 32 KiB frame boundary or the
// position hardEnd (the end of the real data before the zero padding).
std::vector<Token> parseInterval(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                                 const ParseOptions& options);

// The lazy parse alone: each position takes the longest (cheapest) match unless the
// next position has a better one.
std::vector<Token> parseLazy(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                             const ParseOptions& options);

} // namespace qm::chm::lzx
