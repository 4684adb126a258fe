#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A small, forgiving scanner for the tags of an HTML page. It reads pages as saved by
// word processors, never validates, and never fails: whatever is not a tag is text.
//
// The text may be in any ASCII-compatible charset (UTF-8, GBK, Big5, windows-1251, ...):
// only the ASCII bytes < > = " ' / ! and white space delimit, and no lead or trail
// byte of those multi-byte charsets takes one of these values.
namespace qm::html {

struct Attribute {
    std::string_view name;     // as written
    std::string_view value;    // without its quotes; empty when the attribute has none
    std::size_t valueOffset{}; // where the value starts in the scanned text
    char quote = '\0';         // the quote around the value, or '\0' when it has none
};

struct Tag {
    std::string_view name; // as written, without "<" or "</"
    bool closing = false;  // an end tag "</name ...>"
    std::size_t offset{};  // of its "<"
    std::size_t end{};     // just after its ">" (the text's end when unterminated)
    std::vector<Attribute> attributes;

    bool is(std::string_view lowerName) const;
    const Attribute* attribute(std::string_view lowerName) const;
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
