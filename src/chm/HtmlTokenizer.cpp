#include "chm/HtmlTokenizer.h"

#include "HtmlEntities.h"
#include "chm/TextCodec.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace qm::chm {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The character reference at s[at] ('&'): its code point and where it ends, or nullopt
// when there is none there (unknown names stay as they are).
std::optional<std::pair<std::uint32_t, std::size_t>> readReference(std::string_view s,
                                                                   std::size_t at) {
    // The longest reference worth reading: "&#x10FFFF;", "&thetasym;".
    constexpr std::size_t kLongest = 12;
    const std::size_t semi = s.find(';', at + 1);
    if (semi == std::string_view::npos || semi - at > kLongest)
        return std::nullopt;
    const std::string_view ref = s.substr(at + 1, semi - at - 1);
    if (ref.size() >= 2 && ref[0] == '#') {
        std::uint32_t cp = 0;
        const bool hex = ref[1] == 'x' || ref[1] == 'X';
        std::size_t k = hex ? 2 : 1;
        if (k >= ref.size())
            return std::nullopt;
        for (; k < ref.size(); ++k) {
            const char c = ref[k];
            const int digit = (c >= '0' && c <= '9')          ? c - '0'
                              : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                              : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                              : -1;
            if (digit < 0 || cp > 0x10FFFF)
                return std::nullopt;
            cp = cp * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
        }
        return std::pair{cp, semi + 1};
    }
    if (std::optional<std::uint32_t> cp = htmlEntity(ref))
        return std::pair{*cp, semi + 1};
    return std::nullopt;
}

} // namespace

const std::string_view* HtmlTag::attribute(std::string_view lowerName) const {
    for (const HtmlAttribute& a : attributes)
        if (a.name == lowerName)
            return &a.value;
    return nullptr;
}

bool HtmlTokenizer::next() {
    std::size_t start = pos_;
    std::size_t search = pos_;
    while (true) {
        std::size_t lt = text_.find('<', search);
        if (lt == std::string_view::npos) {
            textBefore_ = text_.substr(start);
            pos_ = text_.size();
            return false;
        }
        textBefore_ = text_.substr(start, lt - start);
        if (parseTag(lt))
            return true;
        search = lt + 1; // a lone '<' is text
    }
}

bool HtmlTokenizer::parseTag(std::size_t lt) {
    const std::size_t n = text_.size();
    std::size_t p = lt + 1;
    if (p >= n)
        return false;
    tag_.closing = false;
    tag_.attributes.clear();
    if (text_.compare(p, 3, "!--") == 0) {
        // Searching from the opening's own dashes makes "<!-->" and "<!--->" the empty
        // comments they are, as in "<!--[if !IE]><!-->".
        std::size_t end = text_.find("-->", p + 1);
        tag_.name = "!--";
        if (readConditional_ && p + 6 <= n && text_[p + 3] == '[' && lower(text_[p + 4]) == 'i' &&
            lower(text_[p + 5]) == 'f') {
            std::size_t open = text_.find("]>", p + 6);
            if (open != std::string_view::npos && (end == std::string_view::npos || open < end)) {
                pos_ = open + 2;
                return true;
            }
        }
        pos_ = end == std::string_view::npos ? n : end + 3;
        return true;
    }
    if (text_[p] == '!' || text_[p] == '?') {
        std::size_t end = text_.find('>', p);
        pos_ = end == std::string_view::npos ? n : end + 1;
        tag_.name = "!";
        return true;
    }
    if (text_[p] == '/') {
        tag_.closing = true;
        ++p;
    }
    if (p >= n || !isNameStart(text_[p]))
        return false;
    tag_.name.clear();
    while (p < n && !isSpace(text_[p]) && text_[p] != '>' && text_[p] != '/')
        tag_.name.push_back(lower(text_[p++]));
    while (p < n) {
        while (p < n && (isSpace(text_[p]) || text_[p] == '/'))
            ++p;
        if (p >= n)
            break;
        if (text_[p] == '>') {
            ++p;
            break;
        }
        HtmlAttribute attribute;
        while (p < n && !isSpace(text_[p]) && text_[p] != '=' && text_[p] != '>' &&
               !(text_[p] == '/' && p + 1 < n && text_[p + 1] == '>'))
            attribute.name.push_back(lower(text_[p++]));
        while (p < n && isSpace(text_[p]))
            ++p;
        if (p < n && text_[p] == '=') {
            ++p;
            while (p < n && isSpace(text_[p]))
                ++p;
            if (p < n && (text_[p] == '"' || text_[p] == '\'')) {
                char quote = text_[p++];
                std::size_t end = text_.find(quote, p);
                if (end == std::string_view::npos)
                    end = n;
                attribute.value = text_.substr(p, end - p);
                p = std::min(n, end + 1);
            } else {
                std::size_t begin = p;
                while (p < n && !isSpace(text_[p]) && text_[p] != '>')
                    ++p;
                attribute.value = text_.substr(begin, p - begin);
            }
        }
        if (attribute.name.empty()) {
            // A stray character such as a quote: step over it, but never past the end
            // (a stray "=" may already have taken a value up to it).
            p = std::min(n, p + 1);
            continue;
        }
        tag_.attributes.push_back(std::move(attribute));
    }
    pos_ = p;
    return true;
}

std::string_view HtmlTokenizer::rawTextUntilClose(std::string_view lowerName) {
    const std::size_t n = text_.size();
    std::size_t p = pos_;
    while (p < n) {
        std::size_t lt = text_.find("</", p);
        if (lt == std::string_view::npos)
            break;
        std::size_t q = lt + 2;
        std::size_t k = 0;
        while (k < lowerName.size() && q + k < n && lower(text_[q + k]) == lowerName[k])
            ++k;
        if (k == lowerName.size() && (q + k >= n || text_[q + k] == '>' || isSpace(text_[q + k]))) {
            std::string_view content = text_.substr(pos_, lt - pos_);
            std::size_t gt = text_.find('>', q + k);
            pos_ = gt == std::string_view::npos ? n : gt + 1;
            return content;
        }
        p = lt + 2;
    }
    std::string_view content = text_.substr(pos_);
    pos_ = n;
    return content;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    AppendUtf8(out, cp);
}

std::string decodeEntities(std::string_view s) {
    if (s.find('&') == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '&')
            if (auto ref = readReference(s, i)) {
                appendUtf8(out, ref->first);
                i = ref->second;
                continue;
            }
        out.push_back(s[i++]);
    }
    return out;
}

std::string decodeEntities(std::string_view s, const std::string& charset) {
    const TextCodec codec(charset);
    if (s.find('&') == std::string_view::npos || charset.empty() || codec.isUnicode())
        return decodeEntities(s);
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
            if (auto ref = readReference(s, i)) {
                if (ref->first > 0 && ref->first < 0x100) {
                    run.push_back(static_cast<char>(ref->first));
                } else {
                    flush();
                    appendUtf8(out, ref->first);
                }
                i = ref->second;
                continue;
            }
        flush();
        out.push_back(s[i++]);
    }
    flush();
    return out;
}

} // namespace qm::chm
