#pragma once

#include "LzxToken.h"
#include "chm/LzxTreeMatchFinder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

// What each symbol costs in bits.
struct TokenPrices {
    std::array<std::uint32_t, kMainSymbols> main{};
    std::array<std::uint32_t, kLengthSymbols> length{};

    // The code lengths the counts would get; an unused symbol is priced as a long code.
    static TokenPrices fromCounts(const std::array<std::uint32_t, kMainSymbols>& main,
                                  const std::array<std::uint32_t, kLengthSymbols>& length);
    // Adds counts guessed before any symbol is counted: literals by how often each
    // byte occurs in data, matches as text usually has them.
    static void guessCounts(const std::uint8_t* data, std::size_t size,
                            std::array<std::uint32_t, kMainSymbols>& main,
                            std::array<std::uint32_t, kLengthSymbols>& length);
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

// Splits one reset interval (at most 64 KiB, starting with fresh repeat offsets and
// an empty window) into tokens: in stretches of 8 KiB, each the cheapest split found
// under the prices of the symbols before it (a shortest path over the positions,
// where a step is a literal or a match of any length up to the longest found, the
// repeat offsets following the path). No token crosses a 32 KiB frame boundary, the
// position hardEnd (the end of the real data before the zero padding) or the end of
// a stretch. depth: tree nodes visited per position. finder and nodes are working
// memory, kept by the caller for the next interval; tokens receives the result.
void parseOptimal(const std::uint8_t* data, std::size_t size, std::size_t hardEnd, unsigned depth,
                  TreeMatchFinder& finder, std::vector<PathNode>& nodes,
                  std::vector<Token>& tokens);

} // namespace qm::chm::lzx
