#pragma once

#include <functional>
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

// The same text without holding the body whole: title receives the title first, then
// body the body's text in pieces of about 64 KiB (a character reference never split),
// whose concatenation is PageText::body.
void streamPageText(std::string_view page, const std::string& charset,
                    const std::function<void(const std::string& title)>& title,
                    const std::function<void(std::string_view piece)>& body);

} // namespace qm::chm
