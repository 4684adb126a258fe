#include "UntrustedXml.h"

#include "text/Charset.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <algorithm>
#include <climits>
#include <string>

namespace qm::xml {
namespace {

// How much of the offending line the error message shows, in characters.
constexpr std::size_t kShownCharacters = 40;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// The line'th line (1-based) of UTF-8 text, without its line break, cut to the first
// kShownCharacters characters.
std::string shownLine(std::string_view text, int line) {
    std::size_t begin = 0;
    for (int i = 1; i < line && begin != std::string_view::npos; ++i) {
        begin = text.find('\n', begin);
        if (begin != std::string_view::npos)
            ++begin;
    }
    if (line < 1 || begin == std::string_view::npos)
        return {};
    std::string_view rest = text.substr(begin);
    rest = rest.substr(0, std::min(rest.find('\n'), rest.find('\r')));
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < rest.size(); ++end) {
        bool startsCharacter = (static_cast<unsigned char>(rest[end]) & 0xC0) != 0x80;
        if (startsCharacter && ++characters > kShownCharacters)
            break;
    }
    return std::string(rest.substr(0, end));
}

// The message users of the file format have always seen: reason, the line number and
// the start of the line, separated by CR LF.
[[noreturn]] void fail(std::string_view reason, int line, std::string_view text) {
    while (!reason.empty() && static_cast<unsigned char>(reason.back()) <= ' ')
        reason.remove_suffix(1);
    throw XmlError(gbk::fromUtf8(reason) + "\r\nLine: " + std::to_string(line) + "\r\n" +
                       gbk::fromUtf8(shownLine(text, line)),
                   line);
}

// The value of the encoding pseudo-attribute of a leading XML declaration, or empty.
std::string_view declaredEncoding(std::string_view bytes) {
    // "<?xml-stylesheet" and the like are other processing instructions.
    if (!bytes.starts_with("<?xml") || bytes.size() < 6 ||
        (bytes[5] != ' ' && bytes[5] != '\t' && bytes[5] != '\r' && bytes[5] != '\n'))
        return {};
    std::string_view decl = bytes.substr(0, bytes.find("?>"));
    std::size_t i = decl.find("encoding");
    if (i == std::string_view::npos)
        return {};
    i += 8;
    auto skipBlanks = [&] {
        while (i < decl.size() &&
               (decl[i] == ' ' || decl[i] == '\t' || decl[i] == '\r' || decl[i] == '\n'))
            ++i;
    };
    skipBlanks();
    if (i >= decl.size() || decl[i] != '=')
        return {};
    ++i;
    skipBlanks();
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\''))
        return {};
    std::size_t end = decl.find(decl[i], i + 1);
    if (end == std::string_view::npos)
        return {};
    return decl.substr(i + 1, end - i - 1);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The charset to decode the file with: a byte-order mark wins, then the declaration,
// then UTF-8 (the XML default). Windows' "GB2312" is really code page 936, GBK.
std::string chooseCharset(std::string_view& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        return "UTF-8";
    }
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        return "UTF-16LE";
    }
    if (bytes.starts_with("\xFE\xFF")) {
        bytes.remove_prefix(2);
        return "UTF-16BE";
    }
    std::string_view declared = declaredEncoding(bytes);
    if (declared.empty())
        return "UTF-8";
    std::string name(declared);
    for (const char* alias : {"GB2312", "GBK", "CP936", "WINDOWS-936"})
        if (sameIgnoringCase(name, alias))
            return "GBK";
    if (name.find('\0') != std::string::npos || !charset::isKnown(name.c_str()))
        fail("Unsupported encoding " + name, 1, bytes);
    return name;
}

std::string decode(std::string_view bytes) {
    std::string name = chooseCharset(bytes);
    std::string utf8 = charset::toUtf8(bytes, name.c_str());
    // The decoder replaces bytes that are not text in the charset by U+FFFD; taking
    // them silently would load something else than the file holds.
    std::size_t bad = utf8.find(kReplacementCharacter);
    if (bad != std::string::npos) {
        auto line = std::count(utf8.begin(), utf8.begin() + static_cast<std::ptrdiff_t>(bad), '\n');
        fail("Invalid character for the encoding " + name, static_cast<int>(line) + 1, utf8);
    }
    return utf8;
}

} // namespace

Node parseUntrusted(std::string_view bytes) {
    std::string text = decode(bytes);
    try {
        return parseDocument(text);
    } catch (const ParseError& e) {
        fail(e.what(), e.line, text);
    }
}

} // namespace qm::xml
