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

} // namespace qm::charset
