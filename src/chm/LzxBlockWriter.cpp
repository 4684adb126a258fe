#include "LzxBlockWriter.h"

#include "chm/HuffmanCode.h"
#include "chm/LzxConstants.h"

namespace qm::chm::lzx {
namespace {

struct PretreeSymbol {
    std::uint8_t symbol;
    std::uint8_t extraBits;
    std::uint8_t extra;
};

std::uint8_t delta(std::uint8_t previous, std::uint8_t length) {
    return static_cast<std::uint8_t>((previous + 17 - length) % 17);
}

// Pretree symbols: 0-16 a length as (previous - new) mod 17, 17 a run of 4-19 zeros,
// 18 a run of 20-51 zeros, 19 a run of 4-5 equal lengths followed by the symbol of the
// change, taken against the first length of the run.
void writeLengths(BitWriter& out, const std::uint8_t* lengths, const std::uint8_t* previous,
                  unsigned first, unsigned last) {
    std::vector<PretreeSymbol> symbols;
    unsigned i = first;
    while (i < last) {
        const std::uint8_t len = lengths[i];
        unsigned run = 1;
        while (i + run < last && lengths[i + run] == len && run < (len == 0 ? 51u : 5u))
            ++run;
        if (len == 0 && run >= 20) {
            symbols.push_back({18, 5, static_cast<std::uint8_t>(run - 20)});
            i += run;
        } else if (len == 0 && run >= 4) {
            unsigned r = run > 19 ? 19 : run;
            symbols.push_back({17, 4, static_cast<std::uint8_t>(r - 4)});
            i += r;
        } else if (len != 0 && run >= 4) {
            symbols.push_back({19, 1, static_cast<std::uint8_t>(run - 4)});
            symbols.push_back({delta(previous[i], len), 0, 0});
            i += run;
        } else {
            symbols.push_back({delta(previous[i], len), 0, 0});
            ++i;
        }
    }
    std::array<std::uint32_t, kPretreeSymbols> frequencies{};
    for (const PretreeSymbol& s : symbols)
        frequencies[s.symbol]++;
    std::array<std::uint8_t, kPretreeSymbols> pretree{};
    std::array<std::uint32_t, kPretreeSymbols> codes{};
    buildCodeLengths(frequencies, kMaxPretreeLength, pretree);
    canonicalCodes(pretree, codes);
    for (unsigned s = 0; s < kPretreeSymbols; ++s)
        out.put(pretree[s], 4);
    for (const PretreeSymbol& s : symbols) {
        out.put(codes[s.symbol], pretree[s.symbol]);
        out.put(s.extra, s.extraBits);
    }
}

// The block header and the trees, against the previous block's lengths.
void writeHeader(BitWriter& out, const BlockCodes& codes, std::uint32_t size,
                 const std::uint8_t* previousMain, const std::uint8_t* previousLength) {
    out.put(codes.alignedBlock ? kAligned : kVerbatim, 3);
    out.put(size >> 8, 16);
    out.put(size & 0xFF, 8);
    if (codes.alignedBlock)
        for (unsigned s = 0; s < kAlignedSymbols; ++s)
            out.put(codes.aligned[s], 3);
    writeLengths(out, codes.main.data(), previousMain, 0, kNumChars);
    writeLengths(out, codes.main.data(), previousMain, kNumChars, kMainSymbols);
    writeLengths(out, codes.length.data(), previousLength, 0, kLengthSymbols);
}

} // namespace

void SymbolCounts::add(const SymbolCounts& other) {
    for (unsigned s = 0; s < kMainSymbols; ++s)
        main[s] += other.main[s];
    for (unsigned s = 0; s < kLengthSymbols; ++s)
        length[s] += other.length[s];
    for (unsigned s = 0; s < kAlignedSymbols; ++s)
        aligned[s] += other.aligned[s];
    footerBits += other.footerBits;
    alignedUses += other.alignedUses;
}

BlockCodes BlockCodes::fromCounts(const SymbolCounts& counts) {
    BlockCodes codes;
    buildCodeLengths(counts.main, kMaxCodeLength, codes.main);
    buildCodeLengths(counts.length, kMaxCodeLength, codes.length);
    buildCodeLengths(counts.aligned, kMaxAlignedLength, codes.aligned);
    std::uint64_t bits = 0, alignedBits = 3 * kAlignedSymbols;
    for (unsigned s = 0; s < kMainSymbols; ++s)
        bits += std::uint64_t{counts.main[s]} * codes.main[s];
    for (unsigned s = 0; s < kLengthSymbols; ++s)
        bits += std::uint64_t{counts.length[s]} * codes.length[s];
    for (unsigned s = 0; s < kAlignedSymbols; ++s)
        alignedBits += std::uint64_t{counts.aligned[s]} * codes.aligned[s];
    codes.alignedBlock = alignedBits < 3 * counts.alignedUses;
    codes.tokenBits = bits + counts.footerBits;
    if (codes.alignedBlock)
        codes.tokenBits = codes.tokenBits - 3 * counts.alignedUses + alignedBits;
    return codes;
}

std::uint64_t blockHeaderBits(const BlockCodes& codes, const BlockCodes* previous) {
    static constexpr BlockCodes kFresh{};
    const BlockCodes& before = previous ? *previous : kFresh;
    BitWriter scratch;
    writeHeader(scratch, codes, 0, before.main.data(), before.length.data());
    scratch.alignToWord();
    return 8 * scratch.bytesWritten();
}

void BlockWriter::writeBlock(const Token* tokens, std::size_t count, std::uint32_t size,
                             const BlockCodes& codes, std::vector<std::size_t>& frameStarts) {
    writeHeader(out_, codes, size, previousMain_.data(), previousLength_.data());
    previousMain_ = codes.main;
    previousLength_ = codes.length;

    std::array<std::uint32_t, kMainSymbols> mainCodes;
    std::array<std::uint32_t, kLengthSymbols> lengthCodes;
    std::array<std::uint32_t, kAlignedSymbols> alignedCodes;
    canonicalCodes(codes.main, mainCodes);
    canonicalCodes(codes.length, lengthCodes);
    canonicalCodes(codes.aligned, alignedCodes);
    std::uint32_t produced = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (produced > 0 && produced % kFrameSize == 0 && produced < size) {
            out_.alignToWord();
            frameStarts.push_back(out_.bytesWritten());
        }
        produced += tokens[k].length();
        const TokenCode t = tokens[k].code();
        out_.put(mainCodes[t.mainSymbol], codes.main[t.mainSymbol]);
        if (t.lengthSymbol != TokenCode::kNoLength)
            out_.put(lengthCodes[t.lengthSymbol], codes.length[t.lengthSymbol]);
        if (codes.alignedBlock && t.extraBits >= 3) {
            out_.put(t.extra >> 3, t.extraBits - 3u);
            const unsigned low = t.extra & 7u;
            out_.put(alignedCodes[low], codes.aligned[low]);
        } else {
            out_.put(t.extra, t.extraBits);
        }
    }
}

} // namespace qm::chm::lzx
