#pragma once

#include <string>
#include <string_view>

// The Unicode services the text layer and the CHM compiler need: charset conversion,
// case folding and character classes. ICU provides them on Linux; on Windows they come
// from tables made from the build machine's ICU (tables/), so that both builds give the
// same bytes.
namespace qm::text {

// True when the charset name is known ("GBK", "windows-1251", "UTF-16LE", ...). The
// tables know the Windows code pages 874, 932, 936, 949, 950 and 1250-1258 by their ICU
// names and aliases, UTF-8 and UTF-16, and, for reading, GB18030, EUC-JP, ISO-8859-2 to -15,
// KOI8-R/U, Mac Roman and the DOS code pages 437, 850 and 866.
bool isKnownCharset(const char* name);

// Bytes in the charset to UTF-16; malformed or unmapped bytes become a substitute.
// Unknown charsets throw qm::Error.
std::u16string decode(std::string_view bytes, const char* name);

// UTF-16 to bytes in the charset; what it cannot hold becomes "&#N;" (decimal code
// point). Unknown charsets throw qm::Error.
std::string encode(std::u16string_view text, const char* name);

// Unicode full case folding of UTF-8 text (malformed bytes become U+FFFD).
std::string foldCase(std::string_view utf8);

// Simple lower-case mapping of one code point.
char32_t toLower(char32_t c);

// Letters and digits (ICU's u_isalnum).
bool isAlphanumeric(char32_t c);

// Combining marks: a nonzero combining class, or a nonspacing or spacing mark.
bool isCombiningMark(char32_t c);

} // namespace qm::text
