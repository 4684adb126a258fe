#pragma once

#include <string>
#include <string_view>

namespace qm {

// The text without leading and trailing blanks and control characters (bytes up to and
// including the space); multi-byte characters are never cut, since their bytes are
// all above it.
std::string_view trimBlanks(std::string_view text);

// The text with every "%XX" (two hexadecimal digits) replaced by that byte, as links
// in pages are written; a '%' not followed by two digits stays.
std::string percentDecode(std::string_view text);

} // namespace qm
