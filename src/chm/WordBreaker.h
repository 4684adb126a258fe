#pragma once

#include <string>
#include <string_view>
#include <vector>

// How the full-text index cuts text into words: runs of letters and digits, lower
// case; each Chinese, Japanese or Korean ideograph and each kana is a word of its
// own, because those scripts put no spaces between words. HTML Help's search pane cuts
// a query the same way and looks for its characters at consecutive positions, so a
// word of several ideographs is found as a phrase of single characters.
namespace qm::chm {

// The words of UTF-8 text, in order, in UTF-8 and lower case (Unicode simple case
// mapping). Malformed bytes separate words.
std::vector<std::string> breakWords(std::string_view utf8);

} // namespace qm::chm
