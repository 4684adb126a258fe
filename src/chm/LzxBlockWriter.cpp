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

} // namespace

void BlockWriter::writeLengths(const std::vector<std::uint8_t>& lengths, std::uint8_t* previous,
                               unsigned first, unsigned last) {
    // Pretree symbols: 0-16 a length as (previous - new) mod 17, 17 a run of 4-19
    // zeros, 18 a run of 20-51 zeros, 19 a run of 4-5 equal lengths followed by the
    // symbol of the change, taken against the first length of the run.
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
    std::vector<std::uint32_t> frequencies(kPretreeSymbols, 0);
    for (const PretreeSymbol& s : symbols)
        frequencies[s.symbol]++;
    std::vector<std::uint8_t> pretree = buildCodeLengths(frequencies, kMaxPretreeLength);
    std::vector<std::uint32_t> codes = canonicalCodes(pretree);
    for (unsigned s = 0; s < kPretreeSymbols; ++s)
        out_.put(pretree[s], 4);
    for (const PretreeSymbol& s : symbols) {
        out_.put(codes[s.symbol], pretree[s.symbol]);
        out_.put(s.extra, s.extraBits);
    }
    for (unsigned k = first; k < last; ++k)
        previous[k] = lengths[k];
}

void BlockWriter::writeBlock(const Token* tokens, std::size_t count, std::uint32_t size,
                             std::vector<std::size_t>& frameStarts) {
    std::vector<std::uint32_t> mainFreq(kMainSymbols, 0), lengthFreq(kLengthSymbols, 0),
        alignedFreq(kAlignedSymbols, 0);
    for (std::size_t k = 0; k < count; ++k) {
        const TokenCode t = tokens[k].code();
        mainFreq[t.mainSymbol]++;
        if (t.lengthSymbol != TokenCode::kNoLength)
            lengthFreq[t.lengthSymbol]++;
        if (t.extraBits >= 3)
            alignedFreq[t.extra & 7u]++;
    }
    std::vector<std::uint8_t> mainLengths = buildCodeLengths(mainFreq, kMaxCodeLength);
    std::vector<std::uint8_t> lengthLengths = buildCodeLengths(lengthFreq, kMaxCodeLength);
    std::vector<std::uint8_t> alignedLengths = buildCodeLengths(alignedFreq, kMaxAlignedLength);

    std::uint64_t alignedUses = 0, alignedCost = 3 * kAlignedSymbols;
    for (unsigned s = 0; s < kAlignedSymbols; ++s) {
        alignedUses += alignedFreq[s];
        alignedCost += static_cast<std::uint64_t>(alignedFreq[s]) * alignedLengths[s];
    }
    const bool aligned = alignedCost < 3 * alignedUses;

    out_.put(aligned ? kAligned : kVerbatim, 3);
    out_.put(size >> 8, 16);
    out_.put(size & 0xFF, 8);
    if (aligned)
        for (unsigned s = 0; s < kAlignedSymbols; ++s)
            out_.put(alignedLengths[s], 3);
    writeLengths(mainLengths, previousMain_.data(), 0, kNumChars);
    writeLengths(mainLengths, previousMain_.data(), kNumChars, kMainSymbols);
    writeLengths(lengthLengths, previousLength_.data(), 0, kLengthSymbols);

    std::vector<std::uint32_t> mainCodes = canonicalCodes(mainLengths);
    std::vector<std::uint32_t> lengthCodes = canonicalCodes(lengthLengths);
    std::vector<std::uint32_t> alignedCodes = canonicalCodes(alignedLengths);
    std::uint32_t produced = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (produced > 0 && produced % kFrameSize == 0 && produced < size) {
            out_.alignToWord();
            frameStarts.push_back(out_.bytesWritten());
        }
        produced += tokens[k].length();
        const TokenCode t = tokens[k].code();
        out_.put(mainCodes[t.mainSymbol], mainLengths[t.mainSymbol]);
        if (t.lengthSymbol != TokenCode::kNoLength)
            out_.put(lengthCodes[t.lengthSymbol], lengthLengths[t.lengthSymbol]);
        if (aligned && t.extraBits >= 3) {
            out_.put(t.extra >> 3, t.extraBits - 3u);
            const unsigned low = t.extra & 7u;
            out_.put(alignedCodes[low], alignedLengths[low]);
        } else {
            out_.put(t.extra, t.extraBits);
        }
    }
}

} // namespace qm::chm::lzx
