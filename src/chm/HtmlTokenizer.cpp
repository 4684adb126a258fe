#include "chm/HtmlTokenizer.h"

#include <algorithm>
#include <cstdint>

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

struct NamedEntity {
    const char* name;
    std::uint32_t codePoint;
};

// The entities Word and HTML Help Workshop pages use in practice.
constexpr NamedEntity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122},  {"hellip", 0x2026},
    {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"bull", 0x2022},  {"middot", 0xB7},  {"deg", 0xB0},      {"plusmn", 0xB1},
    {"times", 0xD7},   {"divide", 0xF7},  {"laquo", 0xAB},   {"raquo", 0xBB},    {"sect", 0xA7},
    {"para", 0xB6},    {"euro", 0x20AC},  {"pound", 0xA3},   {"yen", 0xA5},      {"cent", 0xA2},
    {"shy", 0xAD},     {"ensp", 0x2002},  {"emsp", 0x2003},  {"thinsp", 0x2009}, {"larr", 0x2190},
    {"rarr", 0x2192},  {"uarr", 0x2191},  {"darr", 0x2193},  {"auml", 0xE4},     {"ouml", 0xF6},
    {"uuml", 0xFC},    {"Auml", 0xC4},    {"Ouml", 0xD6},    {"Uuml", 0xDC},     {"szlig", 0xDF},
    {"eacute", 0xE9},  {"egrave", 0xE8},  {"agrave", 0xE0},  {"aacute", 0xE1},   {"ccedil", 0xE7},
    {"ecirc", 0xEA},   {"iacute", 0xED},  {"oacute", 0xF3},  {"uacute", 0xFA},   {"ntilde", 0xF1},
    {"Eacute", 0xC9},
};

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
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string decodeEntities(std::string_view s) {
    if (s.find('&') == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '&') {
            out.push_back(s[i++]);
            continue;
        }
        std::size_t semi = s.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12) {
            out.push_back(s[i++]);
            continue;
        }
        std::string_view ref = s.substr(i + 1, semi - i - 1);
        bool done = false;
        if (ref.size() >= 2 && ref[0] == '#') {
            std::uint32_t cp = 0;
            bool hex = ref[1] == 'x' || ref[1] == 'X';
            std::size_t k = hex ? 2 : 1;
            bool ok = k < ref.size();
            for (; ok && k < ref.size(); ++k) {
                char c = ref[k];
                int digit = (c >= '0' && c <= '9')          ? c - '0'
                            : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                            : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                            : -1;
                if (digit < 0 || cp > 0x10FFFF)
                    ok = false;
                else
                    cp = cp * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
            }
            if (ok) {
                appendUtf8(out, cp);
                done = true;
            }
        } else {
            for (const NamedEntity& e : kEntities)
                if (ref == e.name) {
                    appendUtf8(out, e.codePoint);
                    done = true;
                    break;
                }
        }
        if (done)
            i = semi + 1;
        else
            out.push_back(s[i++]);
    }
    return out;
}

} // namespace qm::chm
