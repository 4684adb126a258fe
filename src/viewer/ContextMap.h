#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace qm::viewer {

// The context numbers of a CHM (#IVB) and the pages they open (names in #STRINGS, in
// the CHM's code page, as the project's [ALIAS] section gave them). A number listed
// twice keeps its first page.
std::map<std::uint32_t, std::string> parseContextMap(std::string_view ivb,
                                                     std::string_view strings);

} // namespace qm::viewer
