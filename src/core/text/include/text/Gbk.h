#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// GBK (code page 936) is the text of the whole core: document bytes, titles, memo
// texts, project files. These helpers are the only way across to Unicode.
namespace qm::gbk {

// GBK bytes to UTF-8 (malformed bytes become U+FFFD).
std::string toUtf8(std::string_view gbk);

// UTF-8 to GBK bytes; characters GBK cannot hold become "&#N;".
std::string fromUtf8(std::string_view utf8);

// GBK text to UTF-8 for showing it: the "&#N;" references that stand for characters
// GBK cannot hold become those characters again.
std::string toDisplayUtf8(std::string_view gbk);

// A path on disk named by GBK text (UTF-8 on Linux), and the GBK text of a path.
std::filesystem::path toPath(std::string_view gbk);
std::string fromPath(const std::filesystem::path& path);

// True for a byte that opens a GBK double-byte character.
constexpr bool isLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
// True for a byte that can close a GBK double-byte character.
constexpr bool isTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

} // namespace qm::gbk
