#pragma once

#include <optional>
#include <string>

namespace qm {

// The pair of HTML fragments framing the content of every topic page: beforeEntry goes
// right after the page's body and div start tags, afterEntry right before the page
// tail. Both are GBK byte strings with line breaks as typed (CR LF); either may be empty.
struct AdditionalCode {
    std::string beforeEntry;
    std::string afterEntry;
};

// What an additional-code file supplies. A field stays empty (nullopt) when the file has
// no element for it: the caller then keeps its own text for that field.
struct LoadedAdditionalCode {
    std::optional<std::string> beforeEntry;
    std::optional<std::string> afterEntry;
};

} // namespace qm
