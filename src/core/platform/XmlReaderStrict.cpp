#include "platform/XmlStrictReader.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace qm::xml {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names: ASCII letters, digits and "_:-.", and every non-ASCII character.
bool isNameStart(char c) {
    auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_' || b == ':' || b >= 0x80;
}
bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isXmlChar(std::uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Namespace prefixes in scope: each element's declarations over its parent's.
using Scope = std::map<std::string, bool, std::less<>>;

class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {}

    Node document() {
        if (s_.empty())
            fail("Document is empty");
        if (s_.starts_with("<?xml") && s_.size() > 5 && isBlank(s_[5]))
            skipPast("?>", "XML declaration not finished");
        miscellany();
        if (s_.substr(at_).starts_with("<!DOCTYPE"))
            fail(std::string(kDoctypeRefused));
        if (at_ >= s_.size() || s_[at_] != '<')
            fail("Start tag expected, '<' not found");
        Scope scope{{"xml", true}};
        Node root = element(scope);
        miscellany();
        if (at_ < s_.size())
            fail("Extra content at the end of the document");
        return root;
    }

private:
    // The line of a position, counted on from the last one asked about.
    int lineAt(std::size_t at) const {
        at = std::min(at, s_.size());
        if (at < countedTo_) {
            countedTo_ = 0;
            countedLines_ = 1;
        }
        const auto from = s_.begin() + static_cast<std::ptrdiff_t>(countedTo_);
        countedLines_ +=
            static_cast<int>(std::count(from, s_.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
        countedTo_ = at;
        return countedLines_;
    }

    [[noreturn]] void fail(const std::string& reason) const {
        throw ParseError(reason, lineAt(at_));
    }

    bool lookingAt(std::string_view what) const { return s_.substr(at_).starts_with(what); }

    void skipBlanks() {
        while (at_ < s_.size() && isBlank(s_[at_]))
            ++at_;
    }

    // Moves past the next end; fails with reason when there is none.
    std::string_view skipPast(std::string_view end, const char* reason) {
        std::size_t found = s_.find(end, at_);
        if (found == std::string_view::npos)
            fail(reason);
        std::string_view inside = s_.substr(at_, found - at_);
        at_ = found + end.size();
        return inside;
    }

    // Comments, processing instructions and blanks outside the root element.
    void miscellany() {
        for (;;) {
            skipBlanks();
            if (lookingAt("<!--"))
                comment();
            else if (lookingAt("<?"))
                instruction();
            else
                return;
        }
    }

    void comment() {
        at_ += 4;
        std::string_view inside = skipPast("-->", "Comment not terminated");
        if (inside.find("--") != std::string_view::npos || inside.ends_with("-"))
            fail("Double hyphen within comment");
    }

    void instruction() {
        at_ += 2;
        std::string target = name();
        if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
            (target[2] | 0x20) == 'l')
            fail("XML declaration allowed only at the start of the document");
        skipPast("?>", "ParsePI: PI " + target + " never end ...");
    }

    std::string name() {
        if (at_ >= s_.size() || !isNameStart(s_[at_]))
            fail("Name expected");
        std::size_t start = at_;
        while (at_ < s_.size() && isNameChar(s_[at_]))
            ++at_;
        return std::string(s_.substr(start, at_ - start));
    }

    void skipPast(std::string_view end, const std::string& reason) {
        skipPast(end, reason.c_str());
    }

    // A reference after its '&': a predefined entity or a character.
    void reference(std::string& out) {
        ++at_;
        if (lookingAt("#")) {
            ++at_;
            int base = lookingAt("x") ? 16 : 10;
            if (base == 16)
                ++at_;
            std::uint32_t cp = 0;
            auto [end, error] = std::from_chars(s_.data() + at_, s_.data() + s_.size(), cp, base);
            if (error != std::errc() || end == s_.data() + at_ || *end != ';' || !isXmlChar(cp))
                fail("CharRef: invalid xmlChar value " + std::to_string(cp));
            at_ = static_cast<std::size_t>(end - s_.data()) + 1;
            appendUtf8(out, cp);
            return;
        }
        std::string entity = name();
        if (!lookingAt(";"))
            fail("EntityRef: expecting ';'");
        ++at_;
        static const std::map<std::string, char, std::less<>> kPredefined{
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        auto found = kPredefined.find(entity);
        if (found == kPredefined.end())
            fail("Entity '" + entity + "' not defined");
        out += found->second;
    }

    // One character of text, checked; line breaks read as XML reads them (CR LF is LF).
    void character(std::string& out) {
        char c = s_[at_];
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && c != '\t' && c != '\n' && c != '\r')
            fail("PCDATA invalid Char value " + std::to_string(b));
        if (c == '\r') {
            out += '\n';
            at_ += lookingAt("\r\n") ? 2u : 1u;
            return;
        }
        out += c;
        ++at_;
    }

    std::string attributeValue() {
        if (at_ >= s_.size() || (s_[at_] != '"' && s_[at_] != '\''))
            fail("AttValue: \" or ' expected");
        const char quote = s_[at_++];
        std::string value;
        while (at_ < s_.size() && s_[at_] != quote) {
            if (s_[at_] == '<')
                fail("Unescaped '<' not allowed in attributes values");
            if (s_[at_] == '&') {
                reference(value);
            } else {
                std::string one;
                character(one);
                value += isBlank(one[0]) ? std::string(" ") : one; // normalized as XML does
            }
        }
        if (at_ >= s_.size())
            fail("AttValue: ' expected");
        ++at_;
        return value;
    }

    // The attributes of a start tag up to its '>' or '/>'; true for an empty element.
    bool attributes(Scope& scope) {
        std::map<std::string, bool, std::less<>> seen;
        std::vector<std::string> names;
        for (;;) {
            const std::size_t before = at_;
            skipBlanks();
            if (lookingAt("/>") || lookingAt(">")) {
                bool empty = lookingAt("/>");
                at_ += empty ? 2 : 1;
                for (const std::string& n : names)
                    checkPrefix(n, scope);
                return empty;
            }
            if (at_ == before)
                fail("attributes construct error");
            std::string attribute = name();
            skipBlanks();
            if (!lookingAt("="))
                fail("Specification mandates value for attribute " + attribute);
            ++at_;
            skipBlanks();
            std::string value = attributeValue();
            if (!seen.emplace(attribute, true).second)
                fail("Attribute " + attribute + " redefined");
            if (attribute.starts_with("xmlns:"))
                scope[attribute.substr(6)] = true;
            else if (attribute != "xmlns")
                names.push_back(attribute);
        }
    }

    void checkPrefix(const std::string& qualified, const Scope& scope) {
        std::size_t colon = qualified.find(':');
        if (colon != std::string::npos && scope.find(qualified.substr(0, colon)) == scope.end())
            fail("Namespace prefix " + qualified.substr(0, colon) + " on " +
                 qualified.substr(colon + 1) + " is not defined");
    }

    // Text, references and markup up to the end tag of the element named name.
    void content(Node& node, const std::string& elementName, const Scope& scope) {
        std::string text;
        int textLine = 0;
        auto flushText = [&] {
            if (!text.empty())
                node.children.push_back({Node::Kind::Text, {}, std::move(text), textLine, {}});
            text.clear();
        };
        for (;;) {
            if (at_ >= s_.size())
                fail("Premature end of data in tag " + elementName + " line " +
                     std::to_string(node.line));
            if (text.empty())
                textLine = lineAt(at_);
            if (lookingAt("</")) {
                flushText();
                at_ += 2;
                std::string closing = name();
                if (closing != elementName)
                    fail("Opening and ending tag mismatch: " + elementName + " line " +
                         std::to_string(node.line) + " and " + closing);
                skipBlanks();
                if (!lookingAt(">"))
                    fail("expected '>'");
                ++at_;
                return;
            }
            if (markup(node, scope, flushText))
                continue;
            if (lookingAt("&"))
                reference(text);
            else if (lookingAt("]]>"))
                fail("Sequence ']]>' not allowed in content");
            else
                character(text);
        }
    }

    // A comment, instruction, CDATA section or child element at the position; false
    // when there is none.
    template <typename Flush> bool markup(Node& node, const Scope& scope, Flush& flushText) {
        if (!lookingAt("<"))
            return false;
        flushText();
        if (lookingAt("<!--")) {
            comment();
        } else if (lookingAt("<![CDATA[")) {
            at_ += 9;
            skipPast("]]>", "CData section not finished");
        } else if (lookingAt("<?")) {
            instruction();
        } else if (lookingAt("<!")) {
            fail(lookingAt("<!DOCTYPE") ? std::string(kDoctypeRefused)
                                        : std::string("StartTag: invalid element name"));
        } else {
            node.children.push_back(element(scope));
            return true;
        }
        node.children.push_back({Node::Kind::Other, {}, {}, 0, {}});
        return true;
    }

    Node element(const Scope& outer) {
        Node node;
        node.line = lineAt(at_);
        ++at_; // '<'
        node.name = name();
        Scope scope = outer;
        const bool empty = attributes(scope);
        checkPrefix(node.name, scope);
        if (++depth_ > 256)
            fail("Excessive depth in document: 256 use XML_PARSE_HUGE option");
        if (!empty)
            content(node, node.name, scope);
        --depth_;
        return node;
    }

    std::string_view s_;
    std::size_t at_ = 0;
    int depth_ = 0;
    mutable std::size_t countedTo_ = 0;
    mutable int countedLines_ = 1;
};

} // namespace

Node parseDocumentStrictly(std::string_view utf8) {
    return Reader(utf8).document();
}

} // namespace qm::xml
