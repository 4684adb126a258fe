#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The one table of character references and the one decoder of them.
namespace qm::html {

struct NamedEntity {
    std::string_view name;
    char32_t codePoint;
};

// Every name the table knows, sorted bytewise.
std::span<const NamedEntity> namedEntities();

// The code point a named reference stands for (the name without "&" and ";", case
// sensitive): HTML 4's 252 names and XML's "apos", which pages saved as XHTML use.
std::optional<char32_t> namedEntity(std::string_view name);

// A character reference read from a text.
struct Reference {
    char32_t codePoint; // as written: 0, a surrogate or a value past U+10FFFF included
    std::size_t end;    // just after its ";"
};

// The reference at text[at] ("&"): a known name, "&#N;" or "&#xN;", closed by ";"
// within 12 bytes; nullopt for anything else, which stays text.
std::optional<Reference> readReference(std::string_view text, std::size_t at);

// True for a code point that a character can have (not 0, no surrogate, at most U+10FFFF).
bool isCharacter(char32_t codePoint);

// UTF-8 text with its references decoded; a reference to no character becomes U+FFFD.
std::string decodeEntities(std::string_view utf8);

// Appends the UTF-8 form of a code point (one that is no character as U+FFFD).
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace qm::html
