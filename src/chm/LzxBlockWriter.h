#pragma once

#include "LzxBitWriter.h"
#include "LzxToken.h"
#include "chm/LzxConstants.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::chm::lzx {

// How often each symbol of the three trees occurs in some tokens, and the footer bits
// they carry.
struct SymbolCounts {
    std::array<std::uint32_t, kMainSymbols> main{};
    std::array<std::uint32_t, kLengthSymbols> length{};
    std::array<std::uint32_t, kAlignedSymbols> aligned{}; // low 3 bits of long footers
    std::uint64_t footerBits = 0;
    std::uint64_t alignedUses = 0; // footers of 3 bits or more

    void add(const TokenCode& t) {
        main[t.mainSymbol]++;
        if (t.lengthSymbol != TokenCode::kNoLength)
            length[t.lengthSymbol]++;
        footerBits += t.extraBits;
        if (t.extraBits >= 3) {
            aligned[t.extra & 7u]++;
            ++alignedUses;
        }
    }
    void add(const SymbolCounts& other);
};

// The codes of one block, and what its tokens take in bits under them.
struct BlockCodes {
    std::array<std::uint8_t, kMainSymbols> main{};
    std::array<std::uint8_t, kLengthSymbols> length{};
    std::array<std::uint8_t, kAlignedSymbols> aligned{};
    bool alignedBlock = false; // the low 3 bits of long footers go through their own tree
    std::uint64_t tokenBits = 0;

    // Verbatim, or aligned offset when coding the low three footer bits with their own
    // tree is cheaper.
    static BlockCodes fromCounts(const SymbolCounts& counts);
};

// Bits of a block's header and trees with these codes, after a block with the codes
// previous (nullptr: the first block of a reset interval).
std::uint64_t blockHeaderBits(const BlockCodes& codes, const BlockCodes* previous);

// Writes LZX blocks for one reset interval. The code lengths of the main and length
// trees are sent as differences from the previous block's, so the writer keeps them
// between blocks; a reset interval starts from zeros.
class BlockWriter {
public:
    explicit BlockWriter(BitWriter& out) : out_(out) {}

    // One block of tokens standing for `size` bytes of output with the given codes
    // (made from these tokens' counts). A block may span frames: the bit stream is
    // padded to 16 bits wherever the output reaches a multiple of 32 KiB (no token
    // crosses one), and frameStarts receives the byte offset where each following
    // frame begins.
    void writeBlock(const Token* tokens, std::size_t count, std::uint32_t size,
                    const BlockCodes& codes, std::vector<std::size_t>& frameStarts);

private:
    BitWriter& out_;
    std::array<std::uint8_t, kMainSymbols> previousMain_{};
    std::array<std::uint8_t, kLengthSymbols> previousLength_{};
};

} // namespace qm::chm::lzx
