#include "text/Gbk.h"

#include "text/Charset.h"

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

std::filesystem::path toPath(std::string_view gbk) {
    std::string utf8 = toUtf8(gbk);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromPath(const std::filesystem::path& path) {
    std::u8string u8 = path.u8string();
    return fromUtf8(std::string(u8.begin(), u8.end()));
}

} // namespace qm::gbk
