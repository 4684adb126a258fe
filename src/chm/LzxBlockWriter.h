#pragma once

#include "LzxBitWriter.h"
#include "LzxToken.h"
#include "chm/LzxConstants.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

// Writes LZX blocks for one reset interval. The code lengths of the main and length
// trees are sent as differences from the previous block's, so the writer keeps them
// between blocks; a reset interval starts from zeros.
class BlockWriter {
public:
    explicit BlockWriter(BitWriter& out) : out_(out) {}

    // One block of tokens standing for `size` bytes of output: verbatim, or aligned
    // offset when coding the low three bits of the offsets with their own tree is
    // cheaper. A block may span frames: the bit stream is padded to 16 bits wherever
    // the output reaches a multiple of 32 KiB (no token crosses one), and frameStart
    // receives the byte offset where each following frame begins.
    void writeBlock(const Token* tokens, std::size_t count, std::uint32_t size,
                    std::vector<std::size_t>& frameStarts);

private:
    void writeLengths(const std::vector<std::uint8_t>& lengths, std::uint8_t* previous,
                      unsigned first, unsigned last);

    BitWriter& out_;
    std::array<std::uint8_t, kMainSymbols> previousMain_{};
    std::array<std::uint8_t, kLengthSymbols> previousLength_{};
};

} // namespace qm::chm::lzx
