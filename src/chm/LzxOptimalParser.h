#pragma once

#include "LzxToken.h"
#include "chm/LzxTreeMatchFinder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

// What each symbol costs in bits, taken from the code lengths a first parse would get.
struct TokenPrices {
    std::array<std::uint32_t, kMainSymbols> main{};
    std::array<std::uint32_t, kLengthSymbols> length{};

    static TokenPrices fromTokens(const std::vector<Token>& tokens);
};

// The cheapest way found so far to reach a position. 16 bytes: offsets fit 16 bits in
// a 64 KiB window, and the step's start is its end less its length.
struct PathNode {
    static constexpr std::uint32_t kUnreached = 0xFFFFFFFF;
    std::uint32_t cost = kUnreached;
    std::uint16_t length = 0; // 0: reached by a literal
    std::uint16_t offset = 0;
    std::uint16_t repeats[3] = {1, 1, 1};
    std::int8_t repeat = -1;
};
static_assert(sizeof(PathNode) == 16);

// The cheapest split of one reset interval into tokens under the given prices: a
// shortest path over the positions, where a step is a literal or a match of any
// length up to the longest found, the repeat offsets following the path. The same
// limits as the lazy parse apply (no token crosses a frame or hardEnd), and no token
// crosses the end of one of the parse's 8 KiB stretches either. finder and
// nodes are working memory, kept by the caller for the next interval; tokens receives
// the result.
void parseOptimal(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                  const TokenPrices& prices, unsigned depth, TreeMatchFinder& finder,
                  std::vector<PathNode>& nodes, std::vector<Token>& tokens);

} // namespace qm::chm::lzx
