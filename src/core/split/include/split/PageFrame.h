#pragma once

#include "text/ReadStream.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The fixed texts around every topic page (GBK).
namespace qm {

// The maker named in the credit line and opened by the window's banner.
inline constexpr std::string_view kMakerName = "Quillmark";
inline constexpr std::string_view kMakerAddress = "https://quillmark.example.org/";

// Opens the page up to and including the title start tag.
const std::string& pageFrameHead();
// Closes the section div, the body and the page.
const std::string& pageFrameTail();
// A comment naming the maker, written before the topic's bytes (out of sight and out
// of the full-text index).
const std::string& creditLine();
// The built-in text after the title: "</title>", a filtered style sheet for Word's
// classes, "</head>", the body start tag and "<div class=Section1 ...>".
const std::string& defaultAfterTitle();

// The IntermediateHtml's own text from "</title" through the section div's start tag
// (head, style sheet, body start tag; see findSectionDiv). A page without that text gets one made
// of its own head and body start tags, with "</title>", "</head>", "<body>" and "<div>"
// supplied where missing: every page closes its title, its head and opens a div.
// Throws qm::Error when the file cannot be opened.
std::string readSourceHead(const std::filesystem::path& intermediateHtml);

// Where a whole page (the one page of a document without headings) takes its title:
// bytes [start, end) of the page are replaced. With a title element before the body,
// they are its content (the text written in its place); without one, start == end is
// where a whole title element goes (after the head's start tag, else after the html
// start tag, else at the page's start) and element is true. Leaves the stream anywhere.
struct TitleSlot {
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool element = false;
};
TitleSlot findTitleSlot(ReadStream& page);

} // namespace qm
