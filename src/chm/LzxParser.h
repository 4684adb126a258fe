#pragma once

#include "LzxOptimalParser.h"
#include "LzxToken.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

struct ParseOptions {
    unsigned optimalDepth = 16; // tree nodes visited per position
};

// A thread's working memory for parsing (the match finder's tree, the shortest
// path's nodes, the tokens), kept from one interval to the next so that it is
// allocated once per thread rather than once per interval.
struct ParseWorkspace {
    TreeMatchFinder tree;
    std::vector<PathNode> nodes;
    std::vector<Token> tokens;
};

// Splits one reset interval (at most 64 KiB, starting with fresh repeat offsets and
// an empty window) into tokens. No token crosses a 32 KiB frame boundary or the
// position hardEnd (the end of the real data before the zero padding). The tokens are
// the workspace's, valid until it parses again.
const std::vector<Token>& parseInterval(const std::uint8_t* data, std::size_t size,
                                        std::size_t hardEnd, const ParseOptions& options,
                                        ParseWorkspace& workspace);

} // namespace qm::chm::lzx
