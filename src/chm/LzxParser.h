#pragma once

#include "LzxOptimalParser.h"
#include "LzxToken.h"
#include "chm/LzxMatchFinder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

struct ParseOptions {
    unsigned chainDepth = 24;   // hash-chain candidates looked at per position (lazy pass)
    unsigned niceLength = 257;  // a match this long ends the search
    unsigned optimalDepth = 16; // tree nodes visited per position in the cost-based pass
    unsigned optimalPasses = 1; // each pass prices symbols by the codes of the one before
};

// A thread's working memory for parsing (hash chains, the shortest path's nodes, the
// token lists), kept from one interval to the next so that it is allocated once per
// thread rather than once per interval.
struct ParseWorkspace {
    MatchFinder finder;   // the lazy pass's
    TreeMatchFinder tree; // the cost-based passes'
    std::vector<PathNode> nodes;
    std::vector<Token> tokens; // each pass is priced from the one before, then replaces it
};

// Splits one reset interval (at most 64 KiB, starting with fresh repeat offsets and
// an empty window) into tokens. No token crosses a 32 KiB frame boundary or the
// position hardEnd (the end of the real data before the zero padding). The tokens are
// the workspace's, valid until it parses again.
const std::vector<Token>& parseInterval(const std::uint8_t* data, std::size_t size,
                                        std::size_t hardEnd, const ParseOptions& options,
                                        ParseWorkspace& workspace);

// The lazy parse alone: each position takes the longest (cheapest) match unless the
// next position has a better one. finder is working memory; tokens receives the result.
void parseLazy(const std::uint8_t* data, std::size_t size, std::size_t hardEnd,
               const ParseOptions& options, MatchFinder& finder, std::vector<Token>& tokens);

} // namespace qm::chm::lzx
