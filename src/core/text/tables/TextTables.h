#pragma once

#include <string>
#include <string_view>

// The text platform (text/TextPlatform.h) from tables made from ICU by make-text-tables:
// what the Windows build uses. The Linux tests hold it against ICU. Besides the Windows
// code pages, charsets that pages declare (GB18030, EUC-JP, ISO-8859-x, KOI8, Mac Roman, DOS
// code pages) are read as ICU reads them; they are never written, and encode() to them
// gives only their one- and two-byte characters.
namespace qm::tables {

bool isKnownCharset(const char* name);
std::u16string decode(std::string_view bytes, const char* name);
std::string encode(std::u16string_view text, const char* name);
std::string foldCase(std::string_view utf8);
char32_t toLower(char32_t c);
bool isAlphanumeric(char32_t c);
bool isCombiningMark(char32_t c);

} // namespace qm::tables
