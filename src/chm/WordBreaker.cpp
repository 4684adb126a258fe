#include "chm/WordBreaker.h"

#include "html/Entities.h"

#include "text/TextPlatform.h"
#include "text/Utf8.h"

namespace qm::chm {
namespace {

using UChar32 = std::int32_t;

// Scripts written without spaces: every character is indexed alone.
bool isUnspacedCharacter(UChar32 c) {
    return (c >= 0x3040 && c <= 0x30FF) ||   // hiragana, katakana
           (c >= 0x3400 && c <= 0x4DBF) ||   // CJK extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||   // CJK unified ideographs
           (c >= 0xF900 && c <= 0xFAFF) ||   // CJK compatibility ideographs
           (c >= 0x20000 && c <= 0x3FFFF) || // CJK extensions B and later
           (c >= 0x31F0 && c <= 0x31FF);     // katakana phonetic extensions
}

// Punctuation that HTML Help Workshop numbers as a word in Chinese text: general
// punctuation (“” — …), the CJK symbols and punctuation (the ideographic space too),
// the vertical forms, and the full-width forms that are not letters or digits.
bool isNumberedPunctuation(UChar32 c) {
    return (c >= 0x2010 && c <= 0x205E) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF && !text::isAlphanumeric(static_cast<char32_t>(c)));
}

bool isWordCharacter(UChar32 c) {
    // Combining marks belong to the letter before them.
    const auto u = static_cast<char32_t>(c);
    return text::isAlphanumeric(u) || text::isCombiningMark(u);
}

} // namespace

std::vector<IndexedWord> breakWords(std::string_view utf8, std::uint32_t* end) {
    std::vector<IndexedWord> words;
    std::string word;
    std::uint32_t position = 0;
    auto finish = [&] {
        if (!word.empty())
            words.push_back({std::move(word), position++});
        word.clear();
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const UChar32 c = nextUtf8(utf8, i);
        if (c < 0) {
            finish();
        } else if (isUnspacedCharacter(c)) {
            finish();
            html::appendUtf8(word, static_cast<char32_t>(c));
            finish();
        } else if (isWordCharacter(c)) {
            html::appendUtf8(word, text::toLower(static_cast<char32_t>(c)));
        } else if (c == '.' && !word.empty() && i < utf8.size()) {
            // A point between letters or digits stays in the word ("1.5", "setup.exe"),
            // as HTML Help Workshop keeps it, or a search for such a word finds nothing.
            std::size_t next = i;
            const UChar32 after = nextUtf8(utf8, next);
            if (after >= 0 && isWordCharacter(after) && !isUnspacedCharacter(after))
                word.push_back('.');
            else
                finish();
        } else if (isNumberedPunctuation(c)) {
            finish();
            ++position;
        } else {
            finish();
        }
    }
    finish();
    if (end)
        *end = position;
    return words;
}

} // namespace qm::chm
