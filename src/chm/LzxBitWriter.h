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
        if (count == 0)
            return;
        buffer_ = (buffer_ << count) | (value & ((1u << count) - 1u));
        pending_ += count;
        while (pending_ >= 16) {
            pending_ -= 16;
            auto word = static_cast<std::uint16_t>(buffer_ >> pending_);
            out_.push_back(static_cast<char>(word & 0xFF));
            out_.push_back(static_cast<char>(word >> 8));
        }
        buffer_ &= (std::uint64_t{1} << pending_) - 1u;
    }

    // Pads with zero bits to the next 16-bit boundary, as a frame's end requires.
    void alignToWord() {
        if (pending_ > 0)
            put(0, 16 - pending_);
    }

    std::size_t bytesWritten() const { return out_.size(); }
    std::string& bytes() { return out_; }

private:
    std::uint64_t buffer_ = 0;
    unsigned pending_ = 0;
    std::string out_;
};

} // namespace qm::chm::lzx
