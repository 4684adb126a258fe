#include "LzxParser.h"

namespace qm::chm::lzx {

const std::vector<Token>& parseInterval(const std::uint8_t* data, std::size_t size,
                                        std::size_t hardEnd, const ParseOptions& options,
                                        ParseWorkspace& workspace) {
    parseOptimal(data, size, hardEnd, options.optimalDepth, workspace.tree, workspace.nodes,
                 workspace.tokens);
    return workspace.tokens;
}

} // namespace qm::chm::lzx
