#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The LZX format as CHM files use it (the "LZXC" transform): a 64 KiB window, output
// in frames of 32 KiB, the decoder's state reset every two frames.
namespace qm::chm::lzx {

constexpr std::size_t kFrameSize = 0x8000;
constexpr std::size_t kWindowSize = 0x10000;
constexpr std::size_t kResetInterval = 2 * kFrameSize; // bytes between resets

constexpr unsigned kNumChars = 256;
constexpr unsigned kPositionSlots = 32; // for a 64 KiB window
constexpr unsigned kMainSymbols = kNumChars + 8 * kPositionSlots;
constexpr unsigned kLengthSymbols = 249;
constexpr unsigned kAlignedSymbols = 8;
constexpr unsigned kPretreeSymbols = 20;

constexpr unsigned kMinMatch = 2;
constexpr unsigned kMaxMatch = 257;
constexpr unsigned kNumPrimaryLengths = 7;
// The decoder may not copy from further back than the window less three bytes.
constexpr std::size_t kMaxOffset = kWindowSize - 3;

constexpr unsigned kMaxCodeLength = 16;    // main, length trees
constexpr unsigned kMaxPretreeLength = 15; // 4-bit lengths
constexpr unsigned kMaxAlignedLength = 7;  // 3-bit lengths

enum BlockType : unsigned { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };

struct SlotTables {
    std::array<std::uint32_t, kPositionSlots> base{};
    std::array<std::uint8_t, kPositionSlots> extraBits{};
    constexpr SlotTables() {
        std::uint32_t b = 0;
        for (unsigned k = 0; k < kPositionSlots; ++k) {
            extraBits[k] = static_cast<std::uint8_t>(k < 4 ? 0 : (k - 2) / 2);
            base[k] = b;
            b += 1u << extraBits[k];
        }
    }
};
inline constexpr SlotTables kSlots{};

// The position slot of a formatted offset (match offset + 2; 0..2 are the repeats).
inline unsigned positionSlot(std::uint32_t formatted) {
    if (formatted < 4)
        return formatted;
    unsigned log = 31u - static_cast<unsigned>(__builtin_clz(formatted));
    return 2 * log + ((formatted >> (log - 1)) & 1u);
}

} // namespace qm::chm::lzx

namespace qm::chm::lzx {

// Where a token starting at pos must end at the latest: the end of its 32 KiB frame
// (chmlib decodes frame by frame) and, inside the real data, the data's end (libmspack
// stops there), so that no token runs into the zero padding either.
inline std::size_t segmentEnd(std::size_t pos, std::size_t size, std::size_t hardEnd) {
    std::size_t end = (pos / kFrameSize + 1) * kFrameSize;
    if (end > size)
        end = size;
    if (pos < hardEnd && hardEnd < end)
        end = hardEnd;
    return end;
}

} // namespace qm::chm::lzx
