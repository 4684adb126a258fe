#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text at the compiler's edges. Inside, every text is UTF-8; a project's files (.hhp,
// .hhc, .hhk, .h) arrive in the ANSI code page of the project's Language, pages in
// their own charset, and the CHM's system files (#SYSTEM, #STRINGS, #URLSTR) leave in
// the project's code page again.
namespace qm::chm {

// The ANSI code page Windows uses for a locale: its number and the ICU name of the
// charset ("GBK" for 0x804, "windows-31j" for 0x411, "windows-1251" for 0x419, ...).
struct CodePage {
    std::uint32_t number;
    const char* charset;
};
CodePage codePageForLcid(std::uint32_t lcid);

// True for the code pages of Chinese, Japanese and Korean (double-byte character sets).
bool isDoubleByteCodePage(std::uint32_t codePage);

// Conversions between one charset and UTF-8. Pure ASCII passes through untouched
// (in the ASCII-compatible charsets);
// malformed bytes become U+FFFD; characters the charset lacks become "&#N;".
class TextCodec {
public:
    explicit TextCodec(std::string charset);

    const std::string& charset() const { return charset_; }
    // UTF-8, UTF-16 or UTF-32: a charset that holds every character.
    bool isUnicode() const { return utf8_ || !asciiCompatible_; }
    std::string toUtf8(std::string_view bytes) const;
    std::string fromUtf8(std::string_view utf8) const;
    // Each character of the charset that bytes hold; a byte that starts none (a lone
    // lead byte, a byte the code page leaves unmapped) is the Latin-1 character of its
    // number instead.
    std::string toUtf8OrLatin1(std::string_view bytes) const;

private:
    std::string charset_;
    bool utf8_;
    bool asciiCompatible_; // ASCII text is the same bytes (not so in UTF-16)
};

bool isAscii(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

// The ICU charset for a name found in a page ("gb2312", "shift_jis", "utf-8", ...),
// widened to the Windows superset a Windows author's page really uses (gb2312 →
// GBK, shift_jis → windows-31j, iso-8859-1 → windows-1252). Empty when unknown.
std::string charsetForHtmlName(std::string_view name);

// Unicode simple case folding of UTF-8 text, for matching names as Windows does.
std::string foldCase(std::string_view utf8);

// ASCII letters to lower case, nothing else.
std::string asciiLower(std::string_view text);

// Decodes the character references of UTF-8 text as HTML Help Workshop reads a
// project's texts in a code page (charset, the ICU name): a reference below 256 is that
// byte of the code page, so that a cp1251 project's "&Icirc;" (0xCE) is "О"; a run of
// such bytes is read as the code page's text (two bytes of a GBK character), and a byte
// that starts no character of it (a lone lead byte) stays the Latin-1 character. Other
// references are their Unicode characters. In a Unicode charset or none, the same as
// html::decodeEntities.
std::string decodeEntities(std::string_view utf8, const std::string& charset);

} // namespace qm::chm
