#pragma once

#include <string>
#include <string_view>

// What a heading says, read from its markup (GBK): from "<h" + digit up to its end
// tag, or to wherever the topic's text was cut.
namespace qm {

// The heading as a reader reads it: tags and comments dropped, character references
// decoded ("&nbsp;" a space; a character GBK cannot hold stays the reference "&#N;"),
// white space collapsed to single spaces, trimmed. At most about 512 bytes.
std::string readableHeading(std::string_view markup);

// True when the markup shows a picture (an img, or a VML shape's image).
bool hasPicture(std::string_view markup);

// The name of the first picture the markup shows, read as readableHeading reads text:
// its alt text (a VML shape's alt or title), else its file name ("image001.png");
// empty when it shows none or names it nowhere.
std::string pictureName(std::string_view markup);

} // namespace qm
