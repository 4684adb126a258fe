#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qm::chm {

// Code lengths for the given symbol frequencies, none longer than maxLength, forming
// a complete prefix code (Kraft sum exactly 1) as LZX decoders require. Symbols with
// frequency 0 get length 0, except that at least minUsed symbols (2 by default) get a
// code: a decoder's table must be full, so a lone symbol gets a partner. lengths has
// one slot a symbol.
void buildCodeLengths(std::span<const std::uint32_t> frequencies, unsigned maxLength,
                      std::span<std::uint8_t> lengths, unsigned minUsed = 2);
std::vector<std::uint8_t> buildCodeLengths(const std::vector<std::uint32_t>& frequencies,
                                           unsigned maxLength, unsigned minUsed = 2);

// The canonical codes for the lengths: shorter codes first, then in symbol order, as
// the decoders build their tables. codes has one slot a symbol.
void canonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint32_t> codes);
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths);

} // namespace qm::chm
