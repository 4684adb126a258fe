#pragma once

#include "html/HtmlTags.h"

#include <string_view>
#include <vector>

namespace qm {

// Edits that make LibreOffice's page read as Word shows the document (text: the page,
// UTF-8). LibreOffice drops the tab between a numbered heading's number and its text
// ("1.1编写目的"), so a blank goes there, in the headings and in the entries of the
// document's own contents alike. An entry of the contents (a paragraph with a link to
// a place in the document, ending in a tab and a page number) loses its page number,
// which means nothing in help; where the number alone was the entry's link, the link
// takes the whole entry.
std::vector<html::Edit> readingEdits(std::string_view text);

} // namespace qm
