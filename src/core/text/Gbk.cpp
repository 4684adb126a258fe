#include "text/Gbk.h"

#include "text/Charset.h"
#include "text/Utf8.h"
#include "text/Utf8Path.h"

#include <charconv>

namespace qm::gbk {
namespace {

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

// Most texts are plain ASCII (tags, numbers, paths); they need no converter.
std::string toUtf8(std::string_view gbk) {
    return isAscii(gbk) ? std::string(gbk) : charset::toUtf8(gbk, "GBK");
}

std::string fromUtf8(std::string_view utf8) {
    return isAscii(utf8) ? std::string(utf8) : charset::fromUtf8(utf8, "GBK");
}

std::string toDisplayUtf8(std::string_view gbk) {
    std::string utf8 = toUtf8(gbk);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t end = utf8.compare(i, 2, "&#") == 0 ? utf8.find(';', i) : std::string::npos;
        std::uint32_t code = 0;
        if (end != std::string::npos && end - i <= 9) {
            auto [stop, ec] = std::from_chars(utf8.data() + i + 2, utf8.data() + end, code);
            if (ec == std::errc() && stop == utf8.data() + end && code > 0 && code <= 0x10FFFF &&
                (code < 0xD800 || code > 0xDFFF)) {
                out += utf8Of(code);
                i = end + 1;
                continue;
            }
        }
        out += utf8[i++];
    }
    return out;
}

std::filesystem::path toPath(std::string_view gbk) {
    return text::utf8Path(toUtf8(gbk));
}

std::string fromPath(const std::filesystem::path& path) {
    return fromUtf8(text::utf8Text(path));
}

} // namespace qm::gbk
