#include "split/HeadingText.h"

#include "html/Entities.h"
#include "html/HtmlTags.h"
#include "text/ByteString.h"
#include "text/Gbk.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <optional>

namespace qm {
namespace {

constexpr std::size_t kMaxHeadingBytes = 512;

// The GBK bytes of a code point; a character GBK cannot hold stays the reference
// "&#N;", which pages, sitemaps and the window read as that character.
std::string gbkOf(char32_t c) {
    if (!html::isCharacter(c))
        return "?";
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    return gbk::fromUtf8(utf8Of(c));
}

// Decodes the reference at text[i] ('&'); returns its length, 0 when it is none. A
// no-break space is a space: the heading's white space is collapsed.
std::size_t decodeReference(std::string_view text, std::size_t i, std::string& out) {
    std::optional<html::Reference> ref = html::readReference(text, i);
    if (!ref)
        return 0;
    out += ref->codePoint == 0xA0 ? " " : gbkOf(ref->codePoint);
    return ref->end - i;
}

bool isBlank(unsigned char b) {
    return b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == '\f';
}

// Tags that part the words on either side, as a browser shows them: breaks, paragraphs,
// cells and other blocks. Inline tags (Word's runs: span, font, b, a, o:p, ...) part
// nothing: "第<span lang=EN-US>1</span>章" reads "第1章".
bool partsWords(const html::Tag& tag) {
    static constexpr std::array<std::string_view, 27> kBlocks{
        "br",    "p",     "div", "td", "th", "tr",      "li",  "table",      "tbody",
        "thead", "tfoot", "h1",  "h2", "h3", "h4",      "h5",  "h6",         "hr",
        "ul",    "ol",    "dl",  "dt", "dd", "caption", "pre", "blockquote", "center"};
    return std::find(kBlocks.begin(), kBlocks.end(), tag.name) != kBlocks.end();
}

// The text outside tags and comments, references still raw.
std::string textOutsideMarkup(std::string_view markup) {
    std::string text;
    html::TagReader reader(markup);
    while (reader.next()) {
        text += reader.text();
        if (partsWords(reader.tag()))
            text += ' ';
    }
    text += reader.text();
    return text;
}

} // namespace

std::string readableHeading(std::string_view markup) {
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

bool hasPicture(std::string_view markup) {
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
    std::string decoded = percentDecode(address);
    bool ascii = std::all_of(decoded.begin(), decoded.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return readableHeading(ascii ? decoded : std::string(address));
}

} // namespace

std::string pictureName(std::string_view markup) {
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
                alt = readableHeading(a->value);
            return true;
        }
        const bool img = tag.is("img");
        if (!img && !tag.is("v:imagedata"))
            return true;
        if (const html::Attribute* a = tag.attribute(img ? "alt" : "o:title"); a && alt.empty())
            alt = readableHeading(a->value);
        if (const html::Attribute* src = tag.attribute("src"))
            file = fileNameOf(src->value);
        return false;
    });
    return alt.empty() ? file : alt;
}

} // namespace qm
