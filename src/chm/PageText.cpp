#include "chm/PageText.h"

#include "chm/HtmlTokenizer.h"
#include "chm/LinkScanner.h"

#include <algorithm>
#include <array>

namespace qm::chm {
namespace {

// Tags that sit inside a word without ending it.
constexpr std::array<std::string_view, 20> kInlineTags{
    "a",    "abbr", "acronym", "b",      "bdo",  "big", "cite", "code", "dfn", "em",
    "font", "i",    "kbd",     "strong", "span", "sub", "sup",  "tt",   "u",   "small"};

bool isInline(std::string_view name) {
    return std::find(kInlineTags.begin(), kInlineTags.end(), name) != kInlineTags.end();
}

} // namespace

PageText extractPageText(std::string_view page, const std::string& charset) {
    const std::string utf8 = pageToUtf8(page, charset);
    PageText out;
    std::string body;
    HtmlTokenizer tokens(utf8);
    bool more = true;
    while (more) {
        more = tokens.next();
        body.append(tokens.text());
        if (!more)
            break;
        const HtmlTag& tag = tokens.tag();
        if (tag.closing) {
            if (!isInline(tag.name))
                body.push_back(' ');
            continue;
        }
        if (tag.name == "script" || tag.name == "style" || tag.name == "textarea") {
            tokens.rawTextUntilClose(tag.name);
            body.push_back(' ');
        } else if (tag.name == "title") {
            if (!out.title.empty())
                out.title.push_back(' ');
            // As HTML Help Workshop reads titles: "&Icirc;" is a byte of the code page.
            out.title += decodeEntities(tokens.rawTextUntilClose("title"), charset);
        } else if (!isInline(tag.name)) {
            body.push_back(' ');
        }
    }
    out.body = decodeEntities(body);
    return out;
}

} // namespace qm::chm
