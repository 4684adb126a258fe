#include "chm/PageText.h"

#include "chm/LinkScanner.h"
#include "chm/TextCodec.h"
#include "html/Entities.h"
#include "html/HtmlTags.h"

#include <algorithm>
#include <array>

namespace qm::chm {
namespace {

// Tags that sit inside a word without ending it.
constexpr std::array<std::string_view, 20> kInlineTags{
    "a",    "abbr", "acronym", "b",      "bdo",  "big", "cite", "code", "dfn", "em",
    "font", "i",    "kbd",     "strong", "span", "sub", "sup",  "tt",   "u",   "small"};

// How much body text is decoded and handed on at a time.
constexpr std::size_t kPieceBytes = 64 * 1024;

bool isInline(std::string_view name) {
    return std::find(kInlineTags.begin(), kInlineTags.end(), name) != kInlineTags.end();
}

} // namespace

void streamPageText(std::string_view page, const std::string& charset,
                    const std::function<void(const std::string& title)>& title,
                    const std::function<void(std::string_view piece)>& body) {
    // The page's one copy in UTF-8; the tokens are views into it.
    const std::string utf8 = pageToUtf8(page, charset);
    // The title goes first wherever it stands, since the body's words are numbered on
    // from the title's: a first pass finds it.
    std::string titleText;
    {
        html::TagReader tokens(utf8);
        while (tokens.next()) {
            const html::Tag& tag = tokens.tag();
            if (tag.closing)
                continue;
            if (tag.name == "script" || tag.name == "style" || tag.name == "textarea") {
                tokens.rawTextUntilClose(tag.name);
            } else if (tag.name == "title") {
                if (!titleText.empty())
                    titleText.push_back(' ');
                // As HTML Help Workshop reads titles: "&Icirc;" is a byte of the code page.
                titleText += decodeEntities(tokens.rawTextUntilClose("title"), charset);
            }
        }
    }
    title(titleText);

    // The body in pieces, each cut where no character reference is open.
    std::string piece;
    auto flush = [&](bool all) {
        std::size_t cut = piece.size();
        if (!all) {
            const std::size_t amp = piece.rfind('&');
            if (amp != std::string::npos && piece.find(';', amp) == std::string::npos &&
                piece.size() - amp < 64)
                cut = amp;
        }
        if (cut > 0)
            body(html::decodeEntities(std::string_view(piece).substr(0, cut)));
        piece.erase(0, cut);
    };
    auto add = [&](std::string_view text) {
        while (!text.empty()) {
            const std::size_t take = std::min(text.size(), kPieceBytes);
            piece.append(text.substr(0, take));
            text.remove_prefix(take);
            if (piece.size() >= kPieceBytes)
                flush(false);
        }
    };
    html::TagReader tokens(utf8);
    bool more = true;
    while (more) {
        more = tokens.next();
        add(tokens.text());
        if (!more)
            break;
        const html::Tag& tag = tokens.tag();
        if (tag.closing) {
            if (!isInline(tag.name))
                add(" ");
            continue;
        }
        if (tag.name == "script" || tag.name == "style" || tag.name == "textarea") {
            tokens.rawTextUntilClose(tag.name);
            add(" ");
        } else if (tag.name == "title") {
            tokens.rawTextUntilClose("title");
        } else if (!isInline(tag.name)) {
            add(" ");
        }
    }
    flush(true);
}

PageText extractPageText(std::string_view page, const std::string& charset) {
    PageText out;
    streamPageText(
        page, charset, [&](const std::string& title) { out.title = title; },
        [&](std::string_view piece) { out.body.append(piece); });
    return out;
}

} // namespace qm::chm
