#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// Appends the UTF-8 bytes of one code point (its range is the caller's to check).
inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The UTF-8 bytes of one code point.
inline std::string utf8Of(char32_t c) {
    std::string out;
    appendUtf8(out, c);
    return out;
}

// The code point at bytes[i], moving i past it; -1 for an ill-formed sequence, with i
// moved to the byte that breaks it, as ICU reads UTF-8, so that both text platforms
// agree on where the next character begins.
inline std::int32_t nextUtf8(std::string_view bytes, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80)
        return lead;
    int trail = 0;
    std::int32_t c = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the first trail byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        c = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        c = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return -1;
    }
    for (int k = 0; k < trail; ++k) {
        const auto t = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
        if (t < low || t > high)
            return -1;
        c = (c << 6) | (t & 0x3F);
        ++i;
        low = 0x80;
        high = 0xBF;
    }
    return c;
}

} // namespace qm
