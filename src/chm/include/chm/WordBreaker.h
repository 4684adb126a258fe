#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the full-text index cuts text into words: runs of letters and digits (with a
// point between two of them, as in "1.5"), lower case; each Chinese, Japanese or
// Korean ideograph and each kana is a word of its own, because those scripts put no
// spaces between words. HTML Help's search pane cuts a query the same way and looks
// for its characters at consecutive positions, so a word of several ideographs is
// found as a phrase of single characters.
namespace qm::chm {

struct IndexedWord {
    std::string text;       // UTF-8, lower case (Unicode simple case mapping)
    std::uint32_t position; // its number in the text
};

// The words of UTF-8 text, in order, numbered from 0. A punctuation mark such as 。，
// “ or — is not a word but takes a number, as HTML Help Workshop counts it, so that
// the characters on either side of it are not consecutive. Malformed bytes separate
// words. end, when given, receives the number after all the text took, a punctuation
// mark at its end included.
std::vector<IndexedWord> breakWords(std::string_view utf8, std::uint32_t* end = nullptr);

} // namespace qm::chm
