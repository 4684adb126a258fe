#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <random>
#include <string>
#include <vector>

// Seeded fuzz loops: every run replays the same rounds; QM_FUZZ_SECONDS lets each target
// go on with further rounds for that long (the sanitizer build's longer budget).
namespace qm::test {

// QM_FUZZ_SECONDS, or 0 when unset.
double fuzzSeconds();
// QM_FUZZ_ROUND: the one round to replay, or -1 when unset.
long fuzzRound();

// Random bytes; with markup, half of them from the characters of HTML, sitemaps and
// project files.
std::string randomBytes(std::mt19937& rng, std::size_t size, bool markup);

// 1 to 16 edits: a byte changed, a stretch cut, copied elsewhere, or the rest cut off.
std::string mutate(std::mt19937& rng, std::string s);

// Seed texts: small hand-written ones and the files of the shared sample projects
// whose extensions (lower case, with the dot) are listed, up to 60 in all.
std::vector<std::string> sampleSeeds(const std::vector<std::string>& extensions);

// Calls round(rng) rounds times and then, while the budget lasts, again; each round with
// a generator of its own seeded from (seed, round), so that a failure names the round
// that replays it.
template <typename Round> void fuzzRounds(std::uint32_t seed, int rounds, Round&& round) {
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::duration<double> budget(fuzzSeconds());
    const long only = fuzzRound();
    for (std::uint32_t r = only >= 0 ? static_cast<std::uint32_t>(only) : 0;; ++r) {
        if (only >= 0 ? r > static_cast<std::uint32_t>(only)
                      : static_cast<int>(r) >= rounds &&
                            std::chrono::steady_clock::now() - start >= budget)
            break;
        std::seed_seq sequence{seed, r};
        std::mt19937 rng(sequence);
        SCOPED_TRACE("fuzz seed " + std::to_string(seed) + ", round " + std::to_string(r));
        try {
            round(rng);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "fuzz seed " << seed << ", round " << r << ": " << e.what();
        }
        if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure())
            break; // one failing round says it; the rest would repeat it
    }
}

} // namespace qm::test
