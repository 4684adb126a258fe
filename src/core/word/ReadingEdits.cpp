#include "ReadingEdits.h"

#include "LoosePageNumbers.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace qm {
namespace {

using reading::Block;
using reading::isBlank;
using reading::kNone;
using reading::Link;
using reading::PageNumber;
using reading::Range;
using reading::Run;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlockTag(const html::Tag& tag) {
    static constexpr std::array<std::string_view, 25> kBlocks{
        "p",  "div", "h1", "h2",   "h3",     "h4",      "h5",        "h6", "li",
        "dt", "dd",  "td", "th",   "tr",     "table",   "tbody",     "ul", "ol",
        "dl", "pre", "hr", "body", "center", "caption", "blockquote"};
    return std::any_of(kBlocks.begin(), kBlocks.end(),
                       [&](std::string_view name) { return tag.is(name); });
}

bool isHeadingTag(const html::Tag& tag) {
    for (std::string_view name : {"h1", "h2", "h3", "h4", "h5", "h6"})
        if (tag.is(name))
            return true;
    return false;
}

// Characters after which a number of one part ("3程序") is a count, not a heading's
// number: a year, a month, a day, an amount.
bool isCounter(char32_t c) {
    static constexpr std::u32string_view kCounters =
        U"年月日号时点分秒个倍元次人种天周岁位名项条度届期层级部章节页行列张台件只套批";
    return kCounters.find(c) != std::u32string_view::npos;
}

bool isIdeograph(char32_t c) {
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || c >= 0x20000;
}

// A letter or ideograph that begins a heading's text.
bool beginsWord(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x52F) ||
           (c >= 0x3040 && c <= 0x30FF) || (c >= 0xAC00 && c <= 0xD7AF) || isIdeograph(c);
}

// The length of a heading's number at text[0] ("1", "1.1", "3.2.1", "2."), 0 when it
// has none; parts tells whether it has more than one part or a closing dot.
std::size_t numberLength(std::string_view text, bool& parts) {
    std::size_t i = 0;
    parts = false;
    while (true) {
        std::size_t digits = 0;
        while (i < text.size() && isDigit(text[i]) && digits < 4) {
            ++i;
            ++digits;
        }
        if (digits == 0 || (i < text.size() && isDigit(text[i])))
            return 0;
        if (i >= text.size() || text[i] != '.')
            return i;
        parts = true;
        ++i;
        if (i >= text.size() || !isDigit(text[i]))
            return i;
    }
}

// A blank between the number and the text of a heading or an entry: where it goes, or
// none when the text already parts them, or when the number reads as a count.
std::optional<std::size_t> blankAfterNumber(const Block& block) {
    std::size_t r = 0;
    std::size_t at = 0;
    for (; r < block.runs.size(); ++r) {
        std::string_view t = block.runs[r].text;
        at = 0;
        while (at < t.size() && isBlank(t[at]))
            ++at;
        if (at < t.size())
            break;
    }
    if (r == block.runs.size())
        return std::nullopt;
    std::string_view rest = block.runs[r].text.substr(at);
    bool parts = false;
    std::size_t length = numberLength(rest, parts);
    if (length == 0)
        return std::nullopt;
    // What follows the number, in this run or the next that has text.
    std::string_view next = rest.substr(length);
    for (std::size_t n = r + 1; next.empty() && n < block.runs.size(); ++n)
        next = block.runs[n].text;
    if (next.empty() || isBlank(next.front()) || next.front() == '&')
        return std::nullopt;
    std::size_t i = 0;
    const std::int32_t c = nextUtf8(next, i);
    if (c < 0 || !beginsWord(static_cast<char32_t>(c)))
        return std::nullopt;
    const auto ch = static_cast<char32_t>(c);
    if (!parts && (!isIdeograph(ch) || isCounter(ch)))
        return std::nullopt;
    return block.runs[r].offset + at + length;
}

// A page number that ends an entry: digits or a small roman numeral.
bool isPageNumber(std::string_view token) {
    if (token.empty() || token.size() > 8)
        return false;
    if (std::all_of(token.begin(), token.end(), isDigit))
        return true;
    return std::all_of(token.begin(), token.end(), [](char c) {
        return std::string_view("ivxlcdmIVXLCDM").find(c) != std::string_view::npos;
    });
}

// A tab the document holds, not LibreOffice's indenting of a wrapped line ("\n\t").
bool isDocumentTab(std::string_view run, std::size_t tab) {
    std::size_t i = tab;
    while (i > 0 && run[i - 1] == '\t')
        --i;
    return i == 0 || run[i - 1] != '\n';
}

// The page number that ends a contents entry, after a tab and the entry's own text.
std::optional<PageNumber> trailingPageNumber(const Block& block) {
    std::size_t r = block.runs.size();
    std::string_view t;
    while (r > 0) {
        t = block.runs[--r].text;
        while (!t.empty() && isBlank(t.back()))
            t.remove_suffix(1);
        if (!t.empty())
            break;
    }
    if (t.empty())
        return std::nullopt;
    std::size_t start = t.size();
    while (start > 0 && !isBlank(t[start - 1]))
        --start;
    if (!isPageNumber(t.substr(start)))
        return std::nullopt;
    const std::size_t number = block.runs[r].offset + start;
    const std::size_t numberEnd = block.runs[r].offset + t.size();
    // The tab: before the number in its run, or at the end of the run before.
    std::size_t tabRun = r;
    std::string_view before = t.substr(0, start);
    while (before.empty() && tabRun > 0)
        before = block.runs[--tabRun].text;
    std::size_t tab = before.find_last_not_of(' ');
    if (tab == kNone || before[tab] != '\t' || !isDocumentTab(before, tab))
        return std::nullopt;
    // The entry has text of its own before the tab.
    std::string_view entry = before.substr(0, tab);
    bool text = entry.find_first_not_of(" \t\r\n\f") != kNone;
    for (std::size_t k = 0; !text && k < tabRun; ++k)
        text = block.runs[k].text.find_first_not_of(" \t\r\n\f") != kNone;
    if (!text)
        return std::nullopt;
    const std::size_t at = block.runs[tabRun].offset + tab;
    // The blanks between the tab and the number go with them.
    if (tabRun == r)
        return PageNumber{{Range{at, numberEnd}}, number};
    return PageNumber{{Range{at, at + 1}, Range{number, numberEnd}}, number};
}

// True when the link shows nothing but blanks once the page number is gone.
bool onlyThePageNumber(const Block& block, const Link& link, const PageNumber& page) {
    for (const Run& run : block.runs) {
        if (run.offset < link.startEnd || run.offset >= link.close)
            continue;
        for (std::size_t i = 0; i < run.text.size(); ++i) {
            const std::size_t at = run.offset + i;
            if (std::any_of(page.removed.begin(), page.removed.end(),
                            [&](const Range& r) { return at >= r.offset && at < r.end; }))
                continue;
            if (!isBlank(run.text[i]))
                return false;
        }
    }
    return true;
}

void pageNumberEdits(std::string_view text, const Block& block, const PageNumber& page,
                     std::vector<html::Edit>& edits) {
    for (const Range& range : page.removed)
        edits.push_back({range.offset, range.end - range.offset, ""});
    // A link around the number alone would be left empty: it takes the whole entry.
    for (const Link& link : block.links) {
        if (!link.internal || link.close == kNone || page.number < link.startEnd ||
            page.number >= link.close || !onlyThePageNumber(block, link, page))
            continue;
        edits.insert(edits.begin(),
                     {block.contentStart, 0,
                      std::string(text.substr(link.start, link.startEnd - link.start))});
        edits.push_back({link.start, link.startEnd - link.start, ""});
        edits.push_back({link.close, link.closeEnd - link.close, ""});
        edits.push_back({block.end, 0, "</a>"});
        return;
    }
}

void blockEdits(std::string_view text, const Block& block, const std::optional<PageNumber>& page,
                std::vector<html::Edit>& edits) {
    if (block.opaque || (!block.heading && !page))
        return;
    std::vector<html::Edit> own;
    if (std::optional<std::size_t> blank = blankAfterNumber(block))
        own.push_back({*blank, 0, " "});
    if (page)
        pageNumberEdits(text, block, *page, own);
    edits.insert(edits.end(), own.begin(), own.end());
}

bool linksWithin(const Block& block) {
    return std::any_of(block.links.begin(), block.links.end(),
                       [](const Link& l) { return l.internal; });
}

// LibreOffice writes a contents index into <div id="Table of Contents1">; its entries
// are contents entries also when they link nowhere (Word's contents without links).
void openDivision(const html::Tag& tag, std::vector<bool>& divisions) {
    if (tag.closing) {
        if (!divisions.empty())
            divisions.pop_back();
        return;
    }
    const html::Attribute* id = tag.attribute("id");
    constexpr std::string_view kContents = "table of contents";
    divisions.push_back(id != nullptr && id->value.size() >= kContents.size() &&
                        html::equalsLower(id->value.substr(0, kContents.size()), kContents));
}

// Every paragraph and heading of the page, with its text, links and places.
std::vector<Block> readBlocks(std::string_view text) {
    std::vector<Block> blocks;
    std::optional<Block> block;
    std::size_t textStart = 0;   // just after the last tag
    std::vector<bool> divisions; // open divs: whether each holds a contents index
    html::forEachTag(text, [&](const html::Tag& tag) {
        if (tag.is("div"))
            openDivision(tag, divisions);
        if (block && tag.offset > textStart) {
            std::string_view run = text.substr(textStart, tag.offset - textStart);
            block->opaque = block->opaque || run.find('<') != kNone;
            block->runs.push_back({textStart, run});
        }
        textStart = tag.end;
        if (isBlockTag(tag)) {
            if (block) {
                block->end = tag.offset;
                blocks.push_back(std::move(*block));
                block.reset();
            }
            if (!tag.closing && (tag.is("p") || isHeadingTag(tag)))
                block =
                    Block{isHeadingTag(tag),
                          tag.end,
                          0,
                          false,
                          std::find(divisions.begin(), divisions.end(), true) != divisions.end(),
                          {},
                          {},
                          {}};
            return true;
        }
        if (!block)
            return true;
        for (const char* place : {"name", "id"})
            if (const html::Attribute* a = tag.attribute(place); a && !tag.closing)
                block->anchors.emplace_back(a->value);
        if (tag.is("a") && !tag.closing) {
            const html::Attribute* href = tag.attribute("href");
            const bool internal = href && href->value.starts_with("#");
            block->links.push_back({tag.offset, tag.end, kNone, kNone, internal,
                                    internal ? std::string(href->value.substr(1)) : ""});
        } else if (tag.is("a")) {
            for (auto it = block->links.rbegin(); it != block->links.rend(); ++it)
                if (it->close == kNone) {
                    it->close = tag.offset;
                    it->closeEnd = tag.end;
                    break;
                }
        }
        return true;
    });
    return blocks;
}

// The page number of each contents entry: after a tab; else loose (LoosePageNumbers),
// where a leader without a link to the heading counts among other entries only, as in
// a contents typed by hand.
std::vector<std::optional<PageNumber>> pageNumbers(const std::vector<Block>& blocks) {
    std::map<std::string, std::string> headings;
    for (const Block& block : blocks) {
        if (!block.heading || block.anchors.empty())
            continue;
        const std::string shown = reading::compactText(block);
        for (const std::string& anchor : block.anchors)
            headings.emplace(anchor, shown);
    }
    std::vector<std::optional<PageNumber>> pages(blocks.size());
    std::vector<std::optional<reading::LooseNumber>> loose(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& block = blocks[i];
        if (block.heading || block.opaque)
            continue;
        if (linksWithin(block) || block.inContents)
            pages[i] = trailingPageNumber(block);
        if (!pages[i])
            loose[i] = reading::loosePageNumber(block, headings);
    }
    auto entry = [&](std::size_t i) { return i < blocks.size() && (pages[i] || loose[i]); };
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (loose[i] &&
            (!loose[i]->leader || linksWithin(blocks[i]) || entry(i - 1) || entry(i + 1)))
            pages[i] = loose[i]->page;
    return pages;
}

} // namespace

std::vector<html::Edit> readingEdits(std::string_view text) {
    const std::vector<Block> blocks = readBlocks(text);
    const std::vector<std::optional<PageNumber>> pages = pageNumbers(blocks);
    std::vector<html::Edit> edits;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        blockEdits(text, blocks[i], pages[i], edits);
    return edits;
}

} // namespace qm
