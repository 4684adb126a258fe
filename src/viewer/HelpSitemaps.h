#pragma once

#include "viewer/HelpFile.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::viewer {

// Resolves a "Local" value of a sitemap (UTF-8) to the file it names.
using LocalResolver = std::function<LinkTarget(std::string_view local)>;

// The contents tree of a .hhc and the keywords of a .hhk (UTF-8 text, decoded from the
// CHM's code page; charset is that code page, for the character references that name
// bytes of it). Entries without a name are left out.
std::vector<TocEntry> contentsFromSitemap(std::string_view utf8, const std::string& charset,
                                          const LocalResolver& resolve);
std::vector<IndexEntry> indexFromSitemap(std::string_view utf8, const std::string& charset,
                                         const LocalResolver& resolve);

} // namespace qm::viewer
