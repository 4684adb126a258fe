#pragma once

#include <cstdint>
#include <string>

namespace qm::chm::lzx {

// LZX's bit order: bits fill 16-bit little-endian words from the most significant
// bit down.
class BitWriter {
public:
    // Appends the low count bits of value (count ≤ 24), most significant first.
    void put(std::uint32_t value, unsigned count) {
        buffer_ = (buffer_ << count) | (value & ((1u << count) - 1u));
        pending_ += count;
        if (pending_ >= 32) { // two words at a time; the bits above pending_ are stale
            pending_ -= 32;
            const auto bits = static_cast<std::uint32_t>(buffer_ >> pending_);
            const char word[4] = {static_cast<char>(bits >> 16), static_cast<char>(bits >> 24),
                                  static_cast<char>(bits), static_cast<char>(bits >> 8)};
            out_.append(word, 4);
        }
    }

    // Pads with zero bits to the next 16-bit boundary, as a frame's end requires, and
    // writes out the words held.
    void alignToWord() {
        if (pending_ % 16 != 0)
            put(0, 16 - pending_ % 16);
        if (pending_ == 16) {
            const auto bits = static_cast<std::uint32_t>(buffer_);
            const char word[2] = {static_cast<char>(bits), static_cast<char>(bits >> 8)};
            out_.append(word, 2);
            pending_ = 0;
        }
    }

    // Bytes written out (after alignToWord(), every bit put so far).
    std::size_t bytesWritten() const { return out_.size(); }
    std::string& bytes() { return out_; }

private:
    std::uint64_t buffer_ = 0;
    unsigned pending_ = 0; // bits in buffer_ not yet written out, fewer than 32
    std::string out_;
};

} // namespace qm::chm::lzx
