#include "text/Charset.h"

#include "text/TextPlatform.h"

namespace qm::charset {
using text::decode;
using text::encode;

std::string toUtf8(std::string_view bytes, const char* charsetName) {
    if (bytes.empty())
        return {};
    return encode(decode(bytes, charsetName), "UTF-8");
}

std::string fromUtf8(std::string_view utf8, const char* charsetName) {
    if (utf8.empty())
        return {};
    return encode(decode(utf8, "UTF-8"), charsetName);
}

bool isKnown(const char* charsetName) {
    return text::isKnownCharset(charsetName);
}

std::string utf8Of(char32_t c) {
    std::string out;
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
    return out;
}

} // namespace qm::charset
