#pragma once

#include "chm/LzxToken.h"

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

// The cheapest split of one reset interval into tokens under the given prices: a
// shortest path over the positions, where a step is a literal or a match of any
// length up to the longest found, the repeat offsets following the path. The same
// limits as the lazy parse apply (no token crosses a frame or hardEnd).
std::vector<Token> parseOptimal(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
                                const TokenPrices& prices, unsigned depth);

} // namespace qm::chm::lzx
