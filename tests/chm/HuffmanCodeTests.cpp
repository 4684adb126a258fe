#include "chm/HuffmanCode.h"

#include <gtest/gtest.h>
#include <random>

using namespace qm::chm;

namespace {

// Sum of 2^-length over the used symbols, scaled by 2^maxLength.
std::uint64_t kraft(const std::vector<std::uint8_t>& lengths, unsigned maxLength) {
    std::uint64_t sum = 0;
    for (std::uint8_t l : lengths)
        if (l)
            sum += std::uint64_t{1} << (maxLength - l);
    return sum;
}

} // namespace

TEST(HuffmanCode, CodesAreCompleteAndWithinTheLimit) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        std::size_t n = 2 + rng() % 600;
        unsigned maxLength = round % 3 == 0 ? 7 : round % 3 == 1 ? 15 : 16;
        if (maxLength == 7)
            n = 8;
        std::vector<std::uint32_t> freq(n);
        for (auto& f : freq)
            f = static_cast<std::uint32_t>(
                rng() % 4 == 0 ? 0 : (rng() % 2 ? rng() % 5 : 1u << (rng() % 20)));
        std::vector<std::uint8_t> lengths = buildCodeLengths(freq, maxLength);
        std::size_t used = 0;
        for (std::size_t s = 0; s < n; ++s) {
            EXPECT_LE(lengths[s], maxLength);
            if (freq[s]) {
                EXPECT_GT(lengths[s], 0);
            }
            used += lengths[s] ? 1u : 0u;
        }
        EXPECT_GE(used, 2u);
        EXPECT_EQ(kraft(lengths, maxLength), std::uint64_t{1} << maxLength) << "round " << round;
    }
}

TEST(HuffmanCode, ALoneSymbolGetsAPartner) {
    std::vector<std::uint32_t> freq(249, 0);
    freq[100] = 40;
    std::vector<std::uint8_t> lengths = buildCodeLengths(freq, 16);
    EXPECT_EQ(lengths[100], 1);
    EXPECT_EQ(kraft(lengths, 16), 1u << 16);
    std::vector<std::uint8_t> none = buildCodeLengths(std::vector<std::uint32_t>(20, 0), 15);
    EXPECT_EQ(kraft(none, 15), 1u << 15);
}

TEST(HuffmanCode, FrequentSymbolsGetShortCodes) {
    std::vector<std::uint32_t> freq{1000, 1, 1, 1, 500, 2};
    std::vector<std::uint8_t> lengths = buildCodeLengths(freq, 16);
    EXPECT_LE(lengths[0], lengths[4]);
    EXPECT_LE(lengths[4], lengths[1]);
}

TEST(HuffmanCode, CanonicalCodesArePrefixFree) {
    std::vector<std::uint8_t> lengths{3, 3, 3, 3, 3, 2, 4, 4};
    std::vector<std::uint32_t> codes = canonicalCodes(lengths);
    EXPECT_EQ(codes[5], 0u);  // "00"
    EXPECT_EQ(codes[0], 2u);  // "010"
    EXPECT_EQ(codes[4], 6u);  // "110"
    EXPECT_EQ(codes[6], 14u); // "1110"
    EXPECT_EQ(codes[7], 15u); // "1111"
}
