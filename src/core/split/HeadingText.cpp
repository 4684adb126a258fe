#include "split/HeadingText.h"

#include "html/HtmlTags.h"
#include "text/ByteString.h"
#include "text/Gbk.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace qm {
namespace {

constexpr std::size_t kMaxHeadingBytes = 512;

struct NamedReference {
    std::string_view name;
    char32_t codePoint;
};

// The references Word and LibreOffice write into headings.
constexpr std::array<NamedReference, 24> kNamedReferences{{
    {"nbsp", U' '},        {"amp", U'&'},         {"lt", U'<'},         {"gt", U'>'},
    {"quot", U'"'},        {"apos", U'\''},       {"copy", U'\u00A9'},  {"reg", U'\u00AE'},
    {"trade", U'\u2122'},  {"hellip", U'\u2026'}, {"mdash", U'\u2014'}, {"ndash", U'\u2013'},
    {"lsquo", U'\u2018'},  {"rsquo", U'\u2019'},  {"ldquo", U'\u201C'}, {"rdquo", U'\u201D'},
    {"middot", U'\u00B7'}, {"bull", U'\u2022'},   {"laquo", U'\u00AB'}, {"raquo", U'\u00BB'},
    {"deg", U'\u00B0'},    {"plusmn", U'\u00B1'}, {"times", U'\u00D7'}, {"sect", U'\u00A7'},
}};

// The GBK bytes of a code point; a character GBK cannot hold stays the reference
// "&#N;", which pages, sitemaps and the window read as that character.
std::string gbkOf(char32_t c) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return "?";
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    return gbk::fromUtf8(Utf8Of(c));
}

// Decodes the reference at text[i] ('&'); returns its length, 0 when it is none.
std::size_t decodeReference(std::string_view text, std::size_t i, std::string& out) {
    std::size_t semicolon = text.find(';', i);
    if (semicolon == std::string_view::npos || semicolon - i > 10)
        return 0;
    std::string_view body = text.substr(i + 1, semicolon - i - 1);
    if (body.size() > 1 && body[0] == '#') {
        bool hex = body[1] == 'x' || body[1] == 'X';
        std::string_view digits = body.substr(hex ? 2 : 1);
        std::uint32_t value = 0;
        auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return 0;
        out += value == 0xA0 ? " " : gbkOf(value);
        return semicolon - i + 1;
    }
    for (const NamedReference& ref : kNamedReferences) {
        if (body == ref.name) {
            out += gbkOf(ref.codePoint);
            return semicolon - i + 1;
        }
    }
    return 0;
}

bool isBlank(unsigned char b) {
    return b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == '\f';
}

// Tags that part the words on either side, as a browser shows them: breaks, paragraphs,
// cells and other blocks. Inline tags (Word's runs: span, font, b, a, o:p, ...) part
// nothing: "第<span lang=EN-US>1</span>章" reads "第1章".
bool partsWords(std::string_view tag) {
    std::size_t start = tag.size() > 1 && tag[1] == '/' ? 2 : 1;
    std::size_t end = start;
    while (end < tag.size() &&
           (std::isalnum(static_cast<unsigned char>(tag[end])) || tag[end] == ':'))
        ++end;
    std::string name(tag.substr(start, end - start));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::array<std::string_view, 27> kBlocks{
        "br",    "p",     "div", "td", "th", "tr",      "li",  "table",      "tbody",
        "thead", "tfoot", "h1",  "h2", "h3", "h4",      "h5",  "h6",         "hr",
        "ul",    "ol",    "dl",  "dt", "dd", "caption", "pre", "blockquote", "center"};
    return std::find(kBlocks.begin(), kBlocks.end(), name) != kBlocks.end();
}

// The text outside tags and comments, references still raw.
std::string textOutsideMarkup(std::string_view markup) {
    std::string text;
    for (std::size_t i = 0; i < markup.size();) {
        if (markup[i] != '<') {
            text += markup[i++];
            continue;
        }
        const bool comment = markup.compare(i, 4, "<!--") == 0;
        std::size_t end = comment ? markup.find("-->", i + 4) : markup.find('>', i + 1);
        if (end == std::string_view::npos)
            break;
        if (!comment && partsWords(markup.substr(i, end - i)))
            text += ' ';
        i = end + (comment ? 3 : 1);
    }
    return text;
}

// Length of a decimal reference "&#N;" at text[i], or 0.
std::size_t numericReferenceLength(std::string_view text, std::size_t i) {
    std::size_t j = i + 2;
    if (text.compare(i, 2, "&#") != 0)
        return 0;
    while (j < text.size() && j - i < 10 && std::isdigit(static_cast<unsigned char>(text[j])))
        ++j;
    return j > i + 2 && j < text.size() && text[j] == ';' ? j - i + 1 : 0;
}

} // namespace

std::string ReadableHeading(std::string_view markup) {
    std::string raw = textOutsideMarkup(markup);
    std::string decoded;
    for (std::size_t i = 0; i < raw.size();) {
        auto b = static_cast<unsigned char>(raw[i]);
        if (gbk::isLeadByte(b) && i + 1 < raw.size()) {
            decoded.append(raw, i, 2);
            i += 2;
        } else if (b == '&') {
            std::size_t used = decodeReference(raw, i, decoded);
            if (used == 0)
                decoded += '&';
            i += std::max<std::size_t>(used, 1);
        } else {
            decoded += static_cast<char>(b < 32 ? ' ' : b);
            ++i;
        }
    }
    std::string out;
    bool pendingBlank = false;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        auto b = static_cast<unsigned char>(decoded[i]);
        if (isBlank(b)) {
            pendingBlank = !out.empty();
            continue;
        }
        std::size_t width = gbk::isLeadByte(b) && i + 1 < decoded.size() ? 2 : 1;
        if (out.size() + width + (pendingBlank ? 1 : 0) > kMaxHeadingBytes)
            break;
        if (pendingBlank)
            out += ' ';
        pendingBlank = false;
        out.append(decoded, i, width);
        i += width - 1;
    }
    return out;
}

bool HasPicture(std::string_view markup) {
    std::string lower(markup);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("<img") != std::string::npos ||
           lower.find("<v:imagedata") != std::string::npos;
}

namespace {

// The last part of a picture's address: "a.files/image001.png?x" → "image001.png". Escapes
// are undone only where they stand for ASCII, which reads the same in any charset.
std::string fileNameOf(std::string_view address) {
    address = address.substr(0, address.find_first_of("?#"));
    std::size_t slash = address.find_last_of("/\\");
    if (slash != std::string_view::npos)
        address.remove_prefix(slash + 1);
    std::string decoded = PercentDecode(address);
    bool ascii = std::all_of(decoded.begin(), decoded.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ReadableHeading(ascii ? decoded : std::string(address));
}

} // namespace

std::string PictureName(std::string_view markup) {
    // Word's VML pictures stand in comments ("<!--[if gte vml 1]>"): read them as tags.
    std::string tags(markup);
    for (std::string_view mark : {"<!--", "-->"})
        for (std::size_t at = tags.find(mark); at != std::string::npos; at = tags.find(mark, at))
            tags.replace(at, mark.size(), mark.size(), ' ');
    std::string alt;
    std::string file;
    html::forEachTag(tags, [&](const html::Tag& tag) {
        if (tag.closing)
            return true;
        if (tag.is("v:shape")) { // the frame of the VML image that follows
            if (const html::Attribute* a = tag.attribute("alt"))
                alt = ReadableHeading(a->value);
            return true;
        }
        const bool img = tag.is("img");
        if (!img && !tag.is("v:imagedata"))
            return true;
        if (const html::Attribute* a = tag.attribute(img ? "alt" : "o:title"); a && alt.empty())
            alt = ReadableHeading(a->value);
        if (const html::Attribute* src = tag.attribute("src"))
            file = fileNameOf(src->value);
        return false;
    });
    return alt.empty() ? file : alt;
}

std::string EscapeHtmlText(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        auto b = static_cast<unsigned char>(gbk[i]);
        if (gbk::isLeadByte(b) && i + 1 < gbk.size()) {
            out.append(gbk, i++, 2);
            continue;
        }
        if (std::size_t reference = b == '&' ? numericReferenceLength(gbk, i) : 0) {
            out.append(gbk, i, reference); // a character GBK cannot hold
            i += reference - 1;
            continue;
        }
        switch (b) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += static_cast<char>(b);
        }
    }
    return out;
}

} // namespace qm
