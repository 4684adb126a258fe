#include "LoosePageNumbers.h"

#include "html/Entities.h"
#include "text/Utf8.h"

#include <algorithm>

namespace qm::reading {
namespace {

// A character of a block's text and the bytes of the page it comes from (a reference
// such as "&nbsp;" is one character).
struct Char {
    char32_t c = 0;
    std::size_t offset = 0;
    std::size_t end = 0;
};

std::vector<Char> charsOf(const Block& block) {
    std::vector<Char> chars;
    for (const Run& run : block.runs) {
        const std::string_view t = run.text;
        for (std::size_t i = 0; i < t.size();) {
            const std::size_t start = i;
            const std::size_t semicolon = t[i] == '&' ? t.find(';', i) : kNone;
            std::int32_t c = -1;
            if (semicolon != kNone && semicolon - i <= 10) {
                const std::string decoded = html::decodeEntities(t.substr(i, semicolon + 1 - i));
                std::size_t k = 0;
                c = decoded.empty() || decoded[0] == '&' ? '&' : nextUtf8(decoded, k);
                i = semicolon + 1;
            } else {
                c = nextUtf8(t, i);
            }
            chars.push_back(
                {c < 0 ? U'\uFFFD' : static_cast<char32_t>(c), run.offset + start, run.offset + i});
        }
    }
    return chars;
}

bool isBlankChar(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0xA0 || c == 0x3000;
}

// How many dots a character of a leader counts for; 0: it is none.
int leaderDots(char32_t c) {
    if (c == '.' || c == 0xB7 || c == 0x30FB)
        return 1;
    if (c == 0x2026 || c == 0x22EF)
        return 3;
    return 0;
}

bool isRoman(char32_t c) {
    return c < 0x80 && std::string_view("ivxlcdmIVXLCDM").find(static_cast<char>(c)) != kNone;
}

// The chars [from, to) as ranges of the page, one for each stretch without a tag.
std::vector<Range> rangesOf(const std::vector<Char>& chars, std::size_t from, std::size_t to) {
    std::vector<Range> ranges;
    for (std::size_t i = from; i < to; ++i) {
        if (!ranges.empty() && ranges.back().end == chars[i].offset)
            ranges.back().end = chars[i].end;
        else
            ranges.push_back({chars[i].offset, chars[i].end});
    }
    return ranges;
}

std::string compact(const std::vector<Char>& chars, std::size_t to) {
    std::string text;
    for (std::size_t i = 0; i < to; ++i)
        if (!isBlankChar(chars[i].c))
            appendUtf8(text, chars[i].c);
    return text;
}

// The entry, without its number, is the text of the heading it links to.
bool namesItsHeading(const Block& block, const std::string& entry,
                     const std::map<std::string, std::string>& headings) {
    return std::any_of(block.links.begin(), block.links.end(), [&](const Link& link) {
        const auto heading = headings.find(link.target);
        return link.internal && heading != headings.end() && heading->second == entry;
    });
}

} // namespace

std::optional<LooseNumber> loosePageNumber(const Block& block,
                                           const std::map<std::string, std::string>& headings) {
    const std::vector<Char> chars = charsOf(block);
    std::size_t end = chars.size();
    while (end > 0 && isBlankChar(chars[end - 1].c))
        --end;
    // The number: up to four digits, or a small roman numeral.
    std::size_t number = end;
    while (number > 0 && end - number < 4 && chars[number - 1].c >= '0' &&
           chars[number - 1].c <= '9')
        --number;
    if (number == end)
        while (number > 0 && end - number < 6 && isRoman(chars[number - 1].c))
            --number;
    if (number == end)
        return std::nullopt;
    // What parts it from the entry: blanks and leader dots only.
    std::size_t parting = number;
    int dots = 0;
    while (parting > 0 && (isBlankChar(chars[parting - 1].c) || leaderDots(chars[parting - 1].c)))
        dots += leaderDots(chars[--parting].c);
    const std::string entry = compact(chars, parting);
    if (parting == number || entry.empty() || (dots > 0 && dots < 3))
        return std::nullopt;
    if (dots == 0 && !namesItsHeading(block, entry, headings))
        return std::nullopt;
    return LooseNumber{{rangesOf(chars, parting, end), chars[number].offset}, dots > 0};
}

std::string compactText(const Block& block) {
    const std::vector<Char> chars = charsOf(block);
    return compact(chars, chars.size());
}

} // namespace qm::reading
