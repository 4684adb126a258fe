#pragma once

#include "html/HtmlTags.h"

#include <string_view>
#include <vector>

namespace qm {

// Edits that make LibreOffice's page read as Word shows the document (text: the page,
// UTF-8). LibreOffice drops the tab between a numbered heading's number and its text
// ("1.1编写目的"), so a blank goes there, in the headings and in the entries of the
// document's own contents alike. An entry of the contents loses its page number, which
// means nothing in help: a paragraph with a link to a place in the document ending in a
// tab and a number, or in a number that blanks or a leader of dots part from the entry
// (see LoosePageNumbers); where the number alone was the entry's link, the link takes
// the whole entry.
std::vector<html::Edit> readingEdits(std::string_view text);

} // namespace qm
