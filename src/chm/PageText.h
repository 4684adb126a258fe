#pragma once

#include <string>
#include <string_view>

// What a reader of a page sees: its title and the text of its body, for the full-text
// search index.
namespace qm::chm {

struct PageText {
    std::string title; // UTF-8, entities decoded
    // UTF-8, entities decoded; tags, scripts, styles and comments (conditional ones
    // included) removed
    std::string body;
};

// The text of a page in its charset (see pageToUtf8). Block-level tags and line
// breaks separate words; inline tags (<b>, <span>, <a>, ...) do not, so that a word
// set partly in bold stays one word.
PageText extractPageText(std::string_view page, const std::string& charset);

} // namespace qm::chm
