#pragma once

#include <string>
#include <string_view>

namespace qm::charset {

// Conversions between byte strings in a named charset (any name ICU knows: "GBK",
// "UTF-8", "UTF-16LE", "Big5", "windows-1251", ...) and UTF-8.
//
// Decoding replaces malformed bytes by U+FFFD. Encoding writes every character the
// target charset cannot hold as the decimal character reference "&#N;", which HTML
// readers turn back into the character. An unknown charset name throws qm::Error.
std::string toUtf8(std::string_view bytes, const char* charsetName);
std::string fromUtf8(std::string_view utf8, const char* charsetName);

// True when ICU knows the charset name.
bool isKnown(const char* charsetName);

} // namespace qm::charset
