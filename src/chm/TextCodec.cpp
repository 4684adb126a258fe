#include "chm/TextCodec.h"

#include "html/Entities.h"
#include "text/Charset.h"
#include "text/Error.h"
#include "text/TextPlatform.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qm::chm {

CodePage codePageForLcid(std::uint32_t lcid) {
    const std::uint32_t primary = lcid & 0x3FF;
    switch (lcid) {
    case 0x0404: // Chinese (Taiwan)
    case 0x0C04: // Chinese (Hong Kong)
    case 0x1404: // Chinese (Macao)
        return {950, "windows-950"};
    case 0x0804: // Chinese (PRC)
    case 0x1004: // Chinese (Singapore)
        return {936, "GBK"};
    case 0x081A: // Serbian (Latin)
        return {1250, "windows-1250"};
    case 0x0C1A: // Serbian (Cyrillic)
        return {1251, "windows-1251"};
    default:
        break;
    }
    switch (primary) {
    case 0x04: // Chinese, other sublanguages
        return {936, "GBK"};
    case 0x11: // Japanese
        return {932, "windows-31j"};
    case 0x12: // Korean
        return {949, "windows-949"};
    case 0x19: // Russian
    case 0x22: // Ukrainian
    case 0x02: // Bulgarian
    case 0x23: // Belarusian
    case 0x2F: // Macedonian
    case 0x3F: // Kazakh
    case 0x44: // Tatar
    case 0x50: // Mongolian
        return {1251, "windows-1251"};
    case 0x05: // Czech
    case 0x0E: // Hungarian
    case 0x15: // Polish
    case 0x18: // Romanian
    case 0x1A: // Croatian
    case 0x1B: // Slovak
    case 0x1C: // Albanian
    case 0x24: // Slovenian
        return {1250, "windows-1250"};
    case 0x08: // Greek
        return {1253, "windows-1253"};
    case 0x1F: // Turkish
    case 0x2C: // Azeri (Latin)
        return {1254, "windows-1254"};
    case 0x0D: // Hebrew
        return {1255, "windows-1255"};
    case 0x01: // Arabic
    case 0x20: // Urdu
    case 0x29: // Farsi
        return {1256, "windows-1256"};
    case 0x25: // Estonian
    case 0x26: // Latvian
    case 0x27: // Lithuanian
        return {1257, "windows-1257"};
    case 0x2A: // Vietnamese
        return {1258, "windows-1258"};
    case 0x1E: // Thai
        return {874, "windows-874"};
    default:
        return {1252, "windows-1252"};
    }
}

bool isDoubleByteCodePage(std::uint32_t codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

TextCodec::TextCodec(std::string charset)
    : charset_(std::move(charset)), utf8_(asciiLower(charset_) == "utf-8"),
      asciiCompatible_(asciiLower(charset_).rfind("utf-16", 0) != 0 &&
                       asciiLower(charset_).rfind("utf-32", 0) != 0) {}

std::string TextCodec::toUtf8(std::string_view bytes) const {
    if ((asciiCompatible_ && isAscii(bytes)) || (utf8_ && isValidUtf8(bytes)))
        return std::string(bytes);
    return charset::toUtf8(bytes, charset_.c_str());
}

std::string TextCodec::fromUtf8(std::string_view utf8) const {
    if (utf8_ || (asciiCompatible_ && isAscii(utf8)))
        return std::string(utf8);
    return charset::fromUtf8(utf8, charset_.c_str());
}

std::string TextCodec::toUtf8OrLatin1(std::string_view bytes) const {
    auto substituted = [](const std::u16string& text) {
        return text.find_first_of(u"\uFFFD\u001A") != std::u16string::npos;
    };
    std::u16string wide;
    try {
        wide = text::decode(bytes, charset_.c_str());
    } catch (const Error&) { // a charset the platform does not know: Latin-1
        wide.assign(bytes.begin(), bytes.end());
        for (char16_t& c : wide)
            c &= 0xFF;
        return text::encode(wide, "UTF-8");
    }
    if (!substituted(wide))
        return text::encode(wide, "UTF-8");
    // Some bytes make no character: one character at a time, to find them.
    // The longest character of the charsets a project may use (GB 18030's).
    constexpr std::size_t kLongest = 4;
    wide.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t taken = 0;
        for (std::size_t length = 1; length <= kLongest && i + length <= bytes.size(); ++length) {
            const std::u16string one = text::decode(bytes.substr(i, length), charset_.c_str());
            const bool single =
                one.size() == 1 ||
                (one.size() == 2 && (one[0] & 0xFC00) == 0xD800 && (one[1] & 0xFC00) == 0xDC00);
            if (single && !substituted(one)) {
                wide += one;
                taken = length;
                break;
            }
        }
        if (taken == 0) {
            wide.push_back(static_cast<unsigned char>(bytes[i]));
            taken = 1;
        }
        i += taken;
    }
    return text::encode(wide, "UTF-8");
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3Fu);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string charsetForHtmlName(std::string_view name) {
    std::string key = asciiLower(name);
    while (!key.empty() && (key.back() == ' ' || key.back() == '"' || key.back() == '\''))
        key.pop_back();
    while (!key.empty() && (key.front() == ' ' || key.front() == '"' || key.front() == '\''))
        key.erase(key.begin());
    if (key.empty())
        return {};
    if (key == "gb2312" || key == "gbk" || key == "x-gbk" || key == "cp936" || key == "x-euc-cn" ||
        key == "euc-cn" || key == "windows-936")
        return "GBK";
    if (key == "gb18030")
        return "gb18030";
    if (key == "shift_jis" || key == "shift-jis" || key == "x-sjis" || key == "sjis" ||
        key == "cp932" || key == "windows-31j" || key == "ms_kanji")
        return "windows-31j";
    if (key == "big5" || key == "big-5" || key == "cp950" || key == "x-x-big5")
        return "windows-950";
    if (key == "euc-kr" || key == "ks_c_5601-1987" || key == "cp949")
        return "windows-949";
    if (key == "iso-8859-1" || key == "latin1" || key == "us-ascii" || key == "ascii")
        return "windows-1252";
    if (key == "utf8")
        return "UTF-8";
    if (key == "unicode" || key == "utf-16" || key == "utf-16le")
        return "UTF-16LE";
    if (key == "utf-16be" || key == "unicodefffe")
        return "UTF-16BE";
    if (charset::isKnown(key.c_str()))
        return key == "utf-8" ? "UTF-8" : key;
    return {};
}

std::string foldCase(std::string_view utf8) {
    if (isAscii(utf8))
        return asciiLower(utf8);
    return text::foldCase(utf8);
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string decodeEntities(std::string_view s, const std::string& charset) {
    const TextCodec codec(charset);
    if (s.find('&') == std::string_view::npos || charset.empty() || codec.isUnicode())
        return html::decodeEntities(s);
    std::string out;
    out.reserve(s.size());
    std::string run; // bytes of consecutive references below 256
    auto flush = [&] {
        out += codec.toUtf8OrLatin1(run);
        run.clear();
    };
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '&')
            if (std::optional<html::Reference> ref = html::readReference(s, i)) {
                if (ref->codePoint > 0 && ref->codePoint < 0x100) {
                    run.push_back(static_cast<char>(ref->codePoint));
                } else {
                    flush();
                    html::appendUtf8(out, ref->codePoint);
                }
                i = ref->end;
                continue;
            }
        flush();
        out.push_back(s[i++]);
    }
    flush();
    return out;
}

} // namespace qm::chm
