// The binary-tree match finder against brute force: every match it reports is real,
// and with no limit on its walk it finds the longest match there is (with a nice
// length, at least as long a match as that length or the longest, whichever is
// shorter).
#include "chm/LzxTreeMatchFinder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using qm::chm::lzx::kMaxMatch;
using qm::chm::lzx::TreeMatchFinder;

// Text with many near repeats, as help pages have, plus runs of one byte.
std::vector<std::uint8_t> repetitiveData(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const std::vector<std::string> words = {
        "<p class=MsoNormal>", "帮助", "the ", "topic", "</p>\r\n", "窗口", "a", "ab", "abc"};
    std::vector<std::uint8_t> data;
    while (data.size() < size) {
        if (rng() % 50 == 0) {
            data.insert(data.end(), rng() % 400, static_cast<std::uint8_t>(rng()));
            continue;
        }
        const std::string& w = words[rng() % words.size()];
        data.insert(data.end(), w.begin(), w.end());
    }
    data.resize(size);
    return data;
}

unsigned longestByBruteForce(const std::vector<std::uint8_t>& data, std::size_t pos,
                             unsigned limit) {
    unsigned best = 0;
    for (std::size_t from = 0; from < pos; ++from) {
        unsigned n = 0;
        while (n < limit && data[from + n] == data[pos + n])
            ++n;
        best = std::max(best, n);
    }
    return best;
}

TEST(LzxTreeMatchFinder, ReportsRealMatchesAndTheLongestWithAnUnlimitedWalk) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const unsigned nice = seed == 3 ? 24 : kMaxMatch;
        const std::vector<std::uint8_t> data = repetitiveData(6000, seed);
        TreeMatchFinder finder;
        finder.reset(data.data(), data.size(), 1u << 16, nice);
        for (std::size_t pos = 0; pos < data.size(); ++pos) {
            // Caps below the data's end, as frames impose, on some positions.
            const unsigned room =
                static_cast<unsigned>(std::min<std::size_t>(kMaxMatch, data.size() - pos));
            const unsigned limit = pos % 7 == 0 ? std::min(room, 5u) : room;
            if (pos % 3 == 0) {
                finder.skip(pos);
                continue;
            }
            unsigned previous = 0, longest = 0;
            finder.find(pos, limit, [&](unsigned length, std::uint32_t offset) {
                ASSERT_GT(length, previous);
                ASSERT_LE(length, limit);
                ASSERT_GE(offset, 1u);
                ASSERT_LE(offset, pos);
                for (unsigned k = 0; k < length; ++k)
                    ASSERT_EQ(data[pos - offset + k], data[pos + k]) << "pos " << pos;
                previous = longest = length;
            });
            const unsigned expected =
                pos + 3 > data.size() ? 0 : longestByBruteForce(data, pos, limit);
            if (expected < 3)
                EXPECT_EQ(longest, 0u) << "seed " << seed << " pos " << pos;
            else
                EXPECT_TRUE(longest >= std::min(expected, nice) && longest <= expected)
                    << "seed " << seed << " pos " << pos << ": " << longest << " of " << expected;
        }
    }
}

TEST(LzxTreeMatchFinder, AShallowWalkStillReportsOnlyRealMatches) {
    const std::vector<std::uint8_t> data = repetitiveData(65536, 9);
    TreeMatchFinder finder;
    finder.reset(data.data(), data.size(), 4);
    std::size_t reported = 0;
    for (std::size_t pos = 0; pos < data.size(); ++pos) {
        const unsigned limit =
            static_cast<unsigned>(std::min<std::size_t>(kMaxMatch, data.size() - pos));
        finder.find(pos, limit, [&](unsigned length, std::uint32_t offset) {
            ++reported;
            ASSERT_LE(offset, qm::chm::lzx::kMaxOffset);
            ASSERT_EQ(0, std::memcmp(&data[pos - offset], &data[pos], length));
        });
    }
    EXPECT_GT(reported, data.size() / 4);
}

} // namespace
