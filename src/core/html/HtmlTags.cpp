#include "html/HtmlTags.h"

#include <algorithm>

namespace qm::html {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool equalsLower(std::string_view text, std::string_view lowerText) {
    return text.size() == lowerText.size() &&
           std::equal(text.begin(), text.end(), lowerText.begin(),
                      [](char a, char b) { return lower(a) == b; });
}

const Attribute* Tag::attribute(std::string_view lowerName) const {
    for (const Attribute& a : attributes)
        if (a.name == lowerName)
            return &a;
    return nullptr;
}

bool TagReader::next() {
    std::size_t start = pos_;
    std::size_t search = pos_;
    while (true) {
        std::size_t lt = text_.find('<', search);
        if (lt == npos) {
            textBefore_ = text_.substr(start);
            pos_ = text_.size();
            return false;
        }
        textBefore_ = text_.substr(start, lt - start);
        if (readTag(lt))
            return true;
        search = lt + 1; // a lone '<' is text
    }
}

bool TagReader::readTag(std::size_t lt) {
    const std::size_t n = text_.size();
    std::size_t p = lt + 1;
    if (p >= n)
        return false;
    tag_.closing = false;
    tag_.attributes.clear();
    tag_.offset = lt;
    if (text_.compare(p, 3, "!--") == 0) {
        // Searching from the opening's own dashes makes "<!-->" and "<!--->" the empty
        // comments they are, as in "<!--[if !IE]><!-->".
        std::size_t end = text_.find("-->", p + 1);
        tag_.name = "!--";
        if (readConditional_ && p + 6 <= n && text_[p + 3] == '[' && lower(text_[p + 4]) == 'i' &&
            lower(text_[p + 5]) == 'f') {
            std::size_t open = text_.find("]>", p + 6);
            if (open != npos && (end == npos || open < end)) {
                pos_ = tag_.end = open + 2;
                return true;
            }
        }
        pos_ = tag_.end = end == npos ? n : end + 3;
        return true;
    }
    if (text_[p] == '!' || text_[p] == '?') {
        std::size_t end = text_.find('>', p);
        pos_ = tag_.end = end == npos ? n : end + 1;
        tag_.name = "!";
        return true;
    }
    if (text_[p] == '/') {
        tag_.closing = true;
        ++p;
    }
    if (p >= n || !isAsciiLetter(text_[p]))
        return false;
    tag_.name.clear();
    while (p < n && !isSpace(text_[p]) && text_[p] != '>' && text_[p] != '/')
        tag_.name.push_back(lower(text_[p++]));
    pos_ = tag_.end = readAttributes(p);
    return true;
}

// Reads the attributes from p to the end of the tag; returns the offset after ">".
std::size_t TagReader::readAttributes(std::size_t p) {
    const std::size_t n = text_.size();
    while (p < n) {
        while (p < n && (isSpace(text_[p]) || text_[p] == '/'))
            ++p;
        if (p >= n)
            break;
        if (text_[p] == '>')
            return p + 1;
        Attribute attribute;
        while (p < n && !isSpace(text_[p]) && text_[p] != '=' && text_[p] != '>' && text_[p] != '/')
            attribute.name.push_back(lower(text_[p++]));
        attribute.valueOffset = p;
        std::size_t look = p;
        while (look < n && isSpace(text_[look]))
            ++look;
        if (look < n && text_[look] == '=') {
            p = look + 1;
            while (p < n && isSpace(text_[p]))
                ++p;
            if (p < n && (text_[p] == '"' || text_[p] == '\'')) {
                attribute.quote = text_[p++];
                std::size_t close = text_.find(attribute.quote, p);
                if (close == npos)
                    close = n;
                attribute.valueOffset = p;
                attribute.value = text_.substr(p, close - p);
                p = std::min(close + 1, n);
            } else {
                std::size_t begin = p;
                while (p < n && !isSpace(text_[p]) && text_[p] != '>')
                    ++p;
                attribute.valueOffset = begin;
                attribute.value = text_.substr(begin, p - begin);
            }
        }
        // A stray "=" gives a value without a name, which no one asks for.
        if (!attribute.name.empty())
            tag_.attributes.push_back(std::move(attribute));
    }
    return n;
}

// The "<" of "</name" followed by white space, ">" or the end, from the reading
// position on; the text's end when there is none.
std::size_t TagReader::findEndTag(std::string_view lowerName) const {
    const std::size_t n = text_.size();
    for (std::size_t p = pos_; (p = text_.find("</", p)) != npos; p += 2) {
        std::size_t q = p + 2;
        std::size_t k = 0;
        while (k < lowerName.size() && q + k < n && lower(text_[q + k]) == lowerName[k])
            ++k;
        if (k == lowerName.size() && (q + k >= n || text_[q + k] == '>' || isSpace(text_[q + k])))
            return p;
    }
    return n;
}

void TagReader::skipRawText(std::string_view lowerName) {
    pos_ = findEndTag(lowerName);
}

std::string_view TagReader::rawTextUntilClose(std::string_view lowerName) {
    const std::size_t n = text_.size();
    std::size_t close = findEndTag(lowerName);
    std::string_view content = text_.substr(pos_, close - pos_);
    std::size_t gt = close < n ? text_.find('>', close + 2 + lowerName.size()) : npos;
    pos_ = gt == npos ? n : gt + 1;
    return content;
}

void forEachTag(std::string_view text, const std::function<bool(const Tag&)>& visit) {
    TagReader reader(text);
    while (reader.next()) {
        const Tag& tag = reader.tag();
        if (tag.name[0] == '!')
            continue;
        if (!visit(tag))
            return;
        // Style sheets and scripts hold "<" and quotes that are no markup.
        if (!tag.closing && (tag.is("style") || tag.is("script")))
            reader.skipRawText(tag.name);
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
