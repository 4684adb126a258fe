#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A forgiving tag tokenizer for HTML and sitemap (.hhc/.hhk) text, shared by the
// sitemap reader, the link scanner and the page-text extractor. It works on bytes of
// any ASCII-compatible charset (the DBCS code pages never use '<', '>', '=' or quotes
// as trail bytes) and never fails: whatever is not a tag is text.
namespace qm::chm {

struct HtmlAttribute {
    std::string name;       // ASCII lower case
    std::string_view value; // raw bytes, quotes removed, entities not decoded
};

struct HtmlTag {
    std::string name; // ASCII lower case, without the '/' of a closing tag
    bool closing = false;
    std::vector<HtmlAttribute> attributes;

    // The raw value of the first attribute of that (lower-case) name, or nullptr.
    const std::string_view* attribute(std::string_view lowerName) const;
};

// What the tokenizer makes of a conditional comment (<!--[if gte vml 1]> ... <![endif]-->).
enum class ConditionalComments {
    Skip, // a comment like any other: one "!--" tag, its content unread
    // Its opening (up to "]>") is a "!--" tag and its markup is read as part of the page,
    // the closing "<![endif]-->" being a "!" tag: Internet Explorer, which the help
    // viewer runs, renders that branch (Word's VML pictures).
    Read,
};

class HtmlTokenizer {
public:
    explicit HtmlTokenizer(std::string_view text,
                           ConditionalComments conditional = ConditionalComments::Skip)
        : text_(text), readConditional_(conditional == ConditionalComments::Read) {}

    // Comments come back as tags named "!--", other declarations (<!DOCTYPE ...>, <?xml?>,
    // <![endif]>) as tags named "!".

    // Moves to the next tag. The text between the previous tag and this one is in
    // text(). Returns false at the end (text() then holds the trailing text).
    bool next();
    const HtmlTag& tag() const { return tag_; }
    std::string_view text() const { return textBefore_; }

    // After an opening <script>, <style>, <title> or <textarea>: the raw content up to
    // the matching closing tag, which is consumed as well.
    std::string_view rawTextUntilClose(std::string_view lowerName);

private:
    bool parseTag(std::size_t lt);

    std::string_view text_;
    bool readConditional_;
    std::size_t pos_ = 0;
    HtmlTag tag_;
    std::string_view textBefore_;
};

// Decodes character references (&amp; &#20013; &#x4E2D; and HTML 4's named ones) in
// UTF-8 text. Unknown references stay as they are.
std::string decodeEntities(std::string_view utf8);

// The same, read as HTML Help Workshop reads a project's texts in a code page (charset,
// the ICU name): a reference below 256 is that byte of the code page, so that a
// cp1251 project's "&Icirc;" (0xCE) is "О"; a run of such bytes is read as the code
// page's text (two bytes of a GBK character), and a byte that starts no character of
// it (a lone lead byte) stays the Latin-1 character. Other references are their
// Unicode characters. In a Unicode charset or none, the same as decodeEntities(utf8).
std::string decodeEntities(std::string_view utf8, const std::string& charset);

// Appends the UTF-8 form of a code point (invalid ones as U+FFFD).
void appendUtf8(std::string& out, std::uint32_t codePoint);

} // namespace qm::chm
