#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The paragraphs and headings of LibreOffice's page as the reading edits see them (the
// page is UTF-8; every offset is into it).
namespace qm::reading {

constexpr std::size_t kNone = std::string_view::npos;

// Text between two tags, where it lies in the page.
struct Run {
    std::size_t offset = 0;
    std::string_view text;
};

// A link of a paragraph: its tags and its target.
struct Link {
    std::size_t start = 0; // its start tag: [start, startEnd)
    std::size_t startEnd = 0;
    std::size_t close = kNone; // its end tag: [close, closeEnd)
    std::size_t closeEnd = kNone;
    bool internal = false; // a place in the document ("#...")
    std::string target;    // the place, without '#' (raw)
};

// A heading or paragraph: its content from contentStart to end (the tag that ends it).
struct Block {
    bool heading = false;
    std::size_t contentStart = 0;
    std::size_t end = 0;
    bool opaque = false;     // holds a comment or script: left as it is
    bool inContents = false; // inside the division LibreOffice writes a contents index in
    std::vector<Run> runs;
    std::vector<Link> links;
    std::vector<std::string> anchors; // names and ids of the places inside it (raw)
};

// [offset, end) of the page.
struct Range {
    std::size_t offset = 0;
    std::size_t end = 0;
};

// The page number that ends a contents entry: the text that goes with it (the number
// and what parts it from the entry), and where the number begins.
struct PageNumber {
    std::vector<Range> removed;
    std::size_t number = 0;
};

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

} // namespace qm::reading
