#pragma once

#include "html/HtmlTags.h"
#include "word/WordDialect.h"

#include <string_view>
#include <vector>

namespace qm {

// Edits that make LibreOffice's FILENAME fields (text: the page, UTF-8) show the user's
// document instead of the private copy the exporter read: its name, its name without
// the extension, its folder or its whole path, as the field's format asks. A fixed
// field keeps the text it holds; nothing changes when document names no file.
std::vector<html::Edit> fileNameFieldEdits(std::string_view text, const DocumentFileName& document);

} // namespace qm
