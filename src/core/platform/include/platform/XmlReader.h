#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The XML reader seam: a small tree of a whole document that may come from someone else.
// libxml2 reads it on Linux; on Windows a strict reader of its own. Either way nothing
// outside the text is read (no network, no DTD, no external entity) and a document type
// declaration is refused outright, which also rules out entity expansion bombs.
namespace qm::xml {

struct Node {
    enum class Kind {
        Element,
        Text,  // character data, with references replaced; adjacent texts are one node
        Other, // a comment, a processing instruction, a CDATA section
    };
    Kind kind = Kind::Element;
    std::string name; // an element's name as written, a prefix included ("x:Name")
    std::string text; // a text node's content (UTF-8)
    int line = 0;     // where it starts, from 1
    std::vector<Node> children;
};

// Why a document was refused: the reader's reason (English) and the 1-based line.
struct ParseError : std::runtime_error {
    ParseError(const std::string& reason, int atLine) : std::runtime_error(reason), line(atLine) {}
    int line;
};

// The message of a document type declaration; both readers give it.
inline constexpr std::string_view kDoctypeRefused =
    "A document type declaration (DOCTYPE) is not allowed in this file";

// The root element of a whole document, given as UTF-8 text (the declaration's encoding
// is not looked at). Throws ParseError when it is not well-formed or holds a document
// type declaration.
Node parseDocument(std::string_view utf8);

} // namespace qm::xml
