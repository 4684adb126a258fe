#pragma once

#include <string>
#include <string_view>

// The crossing between the program's UTF-8 texts and the wide (UTF-16) texts of the
// Windows API. Invalid UTF-8 becomes U+FFFD.
namespace qm::win {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// A multi-line edit control breaks its lines with CR LF; the program's memos with LF.
std::wstring toControlLines(std::wstring_view lfText);
std::wstring fromControlLines(std::wstring_view crlfText);

} // namespace qm::win
