#pragma once

#include <string>
#include <string_view>

// The one escaper of text written into HTML.
namespace qm::html {

struct EscapeOptions {
    bool apostrophe = false; // "'" as "&#39;" too, for values that may sit in '...'
    // "&#N;" references stay as they are: characters the text's charset cannot hold,
    // already written as references.
    bool keepNumericReferences = false;
};

// The text (any ASCII-compatible charset) escaped for element content or a quoted
// attribute value: & " < > as references.
std::string escape(std::string_view text, EscapeOptions options = {});

} // namespace qm::html
