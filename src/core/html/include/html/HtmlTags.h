#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The one reader of HTML tags: the splitter, the link mender, the Word dialect, the
// compiler's link scanner, page text and sitemap reader all read pages through it. It
// reads pages as saved by word processors and help authors, never validates, and never
// fails: whatever is not a tag is text.
//
// The text may be in any ASCII-compatible charset (UTF-8, GBK, Big5, windows-1251, ...):
// only the ASCII bytes < > = " ' / ! and white space delimit, and no lead or trail
// byte of those multi-byte charsets takes one of these values.
namespace qm::html {

struct Attribute {
    std::string name;          // ASCII lower case
    std::string_view value;    // raw bytes without the quotes, references not decoded
    std::size_t valueOffset{}; // where the value starts in the read text
    char quote = '\0';         // the quote around the value, or '\0' when it has none
};

struct Tag {
    // ASCII lower case, without "<" or "</"; "!--" for a comment, "!" for any other
    // declaration (<!DOCTYPE ...>, <?xml ...?>, <![endif]>).
    std::string name;
    bool closing = false; // an end tag "</name ...>"
    std::size_t offset{}; // of its "<"
    std::size_t end{};    // just after its ">" (the text's end when unterminated)
    std::vector<Attribute> attributes;

    bool is(std::string_view lowerName) const { return name == lowerName; }
    // The first attribute of that (lower-case) name, or nullptr.
    const Attribute* attribute(std::string_view lowerName) const;
};

// What the reader makes of a conditional comment (<!--[if gte vml 1]> ... <![endif]-->).
enum class ConditionalComments {
    Skip, // a comment like any other: one "!--" tag, its content unread
    // Its opening (up to "]>") is a "!--" tag and its markup is read as part of the page,
    // the closing "<![endif]-->" being a "!" tag: Internet Explorer, which the help
    // viewer runs, renders that branch (Word's VML pictures).
    Read,
};

class TagReader {
public:
    explicit TagReader(std::string_view text,
                       ConditionalComments conditional = ConditionalComments::Skip)
        : text_(text), readConditional_(conditional == ConditionalComments::Read) {}

    // Moves to the next tag. The text between the previous tag and this one is in
    // text(). Returns false at the end (text() then holds the trailing text).
    bool next();
    const Tag& tag() const { return tag_; }
    std::string_view text() const { return textBefore_; }

    // After an opening <script>, <style>, <title> or <textarea>: the raw content up to
    // the matching end tag, which is consumed as well.
    std::string_view rawTextUntilClose(std::string_view lowerName);
    // The same, but the end tag is the next tag read.
    void skipRawText(std::string_view lowerName);

private:
    bool readTag(std::size_t lt);
    std::size_t readAttributes(std::size_t p);
    std::size_t findEndTag(std::string_view lowerName) const;

    std::string_view text_;
    bool readConditional_;
    std::size_t pos_ = 0;
    Tag tag_;
    std::string_view textBefore_;
};

// Calls visit for every start and end tag in order, until visit returns false.
// Comments, doctype and processing instructions are skipped, and so is the content of
// script and style elements (their end tags are visited).
void forEachTag(std::string_view text, const std::function<bool(const Tag&)>& visit);

// ASCII case-insensitive comparison; the second argument is lower case.
bool equalsLower(std::string_view text, std::string_view lower);

// A replacement of text[offset, offset + length) by replacement.
struct Edit {
    std::size_t offset{};
    std::size_t length{};
    std::string replacement;
};

// The text with the edits made; they must not overlap (any order).
std::string applyEdits(std::string_view text, std::vector<Edit> edits);

} // namespace qm::html
