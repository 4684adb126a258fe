#include "html/Escape.h"

namespace qm::html {
namespace {

// Length of a decimal reference "&#N;" (at most eight digits) at text[i], or 0.
std::size_t numericReferenceLength(std::string_view text, std::size_t i) {
    if (text.compare(i, 2, "&#") != 0)
        return 0;
    std::size_t j = i + 2;
    while (j < text.size() && j - i < 10 && text[j] >= '0' && text[j] <= '9')
        ++j;
    return j > i + 2 && j < text.size() && text[j] == ';' ? j - i + 1 : 0;
}

} // namespace

std::string escape(std::string_view text, EscapeOptions options) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::size_t reference =
            c == '&' && options.keepNumericReferences ? numericReferenceLength(text, i) : 0;
        if (reference != 0) {
            out.append(text, i, reference);
            i += reference - 1;
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\'':
            out += options.apostrophe ? "&#39;" : "'";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace qm::html
