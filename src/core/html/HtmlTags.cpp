#include "html/HtmlTags.h"

#include <algorithm>

namespace qm::html {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Finds "</name" (any case) from pos on; npos when absent.
std::size_t findEndTag(std::string_view text, std::size_t pos, std::string_view lowerName) {
    while ((pos = text.find("</", pos)) != std::string_view::npos) {
        if (equalsLower(text.substr(pos + 2, lowerName.size()), lowerName))
            return pos;
        pos += 2;
    }
    return pos;
}

// Reads the attributes from pos to the end of the tag; returns the offset after ">".
std::size_t readAttributes(std::string_view text, std::size_t pos, Tag& tag) {
    const std::size_t n = text.size();
    while (pos < n) {
        while (pos < n && (isSpace(text[pos]) || text[pos] == '/'))
            ++pos;
        if (pos >= n)
            break;
        if (text[pos] == '>')
            return pos + 1;
        std::size_t nameStart = pos;
        while (pos < n && !isSpace(text[pos]) && text[pos] != '=' && text[pos] != '>' &&
               text[pos] != '/')
            ++pos;
        Attribute attr;
        attr.name = text.substr(nameStart, pos - nameStart);
        attr.valueOffset = pos;
        std::size_t look = pos;
        while (look < n && isSpace(text[look]))
            ++look;
        if (look < n && text[look] == '=') {
            pos = look + 1;
            while (pos < n && isSpace(text[pos]))
                ++pos;
            if (pos < n && (text[pos] == '"' || text[pos] == '\'')) {
                char quote = text[pos];
                std::size_t close = text.find(quote, pos + 1);
                if (close == std::string_view::npos)
                    close = n;
                attr.valueOffset = pos + 1;
                attr.quote = quote;
                attr.value = text.substr(pos + 1, close - pos - 1);
                pos = std::min(close + 1, n);
            } else {
                std::size_t valueStart = pos;
                while (pos < n && !isSpace(text[pos]) && text[pos] != '>')
                    ++pos;
                attr.valueOffset = valueStart;
                attr.value = text.substr(valueStart, pos - valueStart);
            }
        }
        if (!attr.name.empty())
            tag.attributes.push_back(attr);
    }
    return n;
}

} // namespace

bool equalsLower(std::string_view text, std::string_view lowerText) {
    return text.size() == lowerText.size() &&
           std::equal(text.begin(), text.end(), lowerText.begin(),
                      [](char a, char b) { return lower(a) == b; });
}

bool Tag::is(std::string_view lowerName) const {
    return equalsLower(name, lowerName);
}

const Attribute* Tag::attribute(std::string_view lowerName) const {
    for (const Attribute& a : attributes)
        if (equalsLower(a.name, lowerName))
            return &a;
    return nullptr;
}

void forEachTag(std::string_view text, const std::function<bool(const Tag&)>& visit) {
    const std::size_t n = text.size();
    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (text.substr(pos, 4) == "<!--") {
            std::size_t close = text.find("-->", pos + 4);
            pos = close == std::string_view::npos ? n : close + 3;
            continue;
        }
        std::size_t p = pos + 1;
        if (p < n && (text[p] == '!' || text[p] == '?')) {
            std::size_t close = text.find('>', p);
            pos = close == std::string_view::npos ? n : close + 1;
            continue;
        }
        Tag tag;
        tag.offset = pos;
        if (p < n && text[p] == '/') {
            tag.closing = true;
            ++p;
        }
        if (p >= n || !isAsciiLetter(text[p])) {
            pos = pos + 1; // a "<" in text, not a tag
            continue;
        }
        std::size_t nameStart = p;
        while (p < n && !isSpace(text[p]) && text[p] != '>' && text[p] != '/')
            ++p;
        tag.name = text.substr(nameStart, p - nameStart);
        tag.end = readAttributes(text, p, tag);
        if (!visit(tag))
            return;
        pos = tag.end;
        // Style sheets and scripts hold "<" and quotes that are no markup.
        if (!tag.closing && (tag.is("style") || tag.is("script"))) {
            std::size_t close = findEndTag(text, pos, tag.is("style") ? "style" : "script");
            pos = close == std::string_view::npos ? n : close;
        }
    }
}

std::string applyEdits(std::string_view text, std::vector<Edit> edits) {
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
    std::string out;
    out.reserve(text.size() + 256);
    std::size_t pos = 0;
    for (const Edit& e : edits) {
        if (e.offset < pos || e.offset > text.size())
            continue; // overlapping or out of range: keep the text as it is
        out.append(text.substr(pos, e.offset - pos));
        out.append(e.replacement);
        pos = e.offset + e.length;
    }
    out.append(text.substr(pos));
    return out;
}

} // namespace qm::html
