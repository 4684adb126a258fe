#pragma once

#include "chm/Messages.h"
#include "chm/Sitemap.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// $WWKeywordLinks, the binary form of the keyword index that the viewer's Index pane
// reads when the project asks for "Binary Index=Yes": a B-tree of 2 KiB blocks over
// the keywords (listing blocks chained in order, index blocks above them) in BTree,
// one 13-byte record per keyword in Data, the first keyword of every listing block in
// Map, and the word wheel's settings in Property.
namespace qm::chm {

struct KeywordEntry {
    std::string keyword;               // UTF-8; a sub-entry as "parent, child"
    std::uint32_t lastLevelAt = 0;     // UTF-16 units before the last level's text (0 at the top)
    std::uint16_t depth = 0;           // 0 for a top-level keyword
    std::vector<std::uint32_t> topics; // #TOPICS numbers of its links
    std::string seeAlso;               // UTF-8; when set, the entry refers to that keyword
};

struct KeywordLinks {
    std::string btree, data, map, property;
    std::size_t skipped = 0; // entries too large for a block, left out
};

// The longest keyword (with its parents' levels, in UTF-16 units) that the tree holds:
// any two entries must fit an index block, so that each level of the tree has at most
// half the blocks of the one below it.
inline constexpr std::int32_t kMaxKeywordUnits = 498;

// The entries of an index file as keywords in the order the Index pane lists them:
// siblings sorted ignoring case, each followed by its sub-entries ("parent, child").
// topicOf gives the #TOPICS number of a link (a "Local" value, UTF-8) and the entry's
// name, both read in the project's code page (charset; see SitemapParam::valueIn).
// What does not fit the binary index is made to fit, each change described in
// notes (when given) for the user, in language: a keyword longer than kMaxKeywordUnits is cut, an
// entry nested so deep that its parents' levels fill a keyword is left out with its
// sub-entries, links beyond what a block holds are dropped. Time and memory grow with
// the number of entries, whatever the nesting.
using TopicOfLink = std::function<std::uint32_t(const std::string& local, const std::string& name)>;
std::vector<KeywordEntry> keywordEntries(const Sitemap& index, const TopicOfLink& topicOf,
                                         std::vector<std::string>* notes = nullptr,
                                         const std::string& charset = {},
                                         Language language = Language::English);

// The entries in the order the Index pane lists them (parents before their children).
// An entry too large for a block is left out and counted in skipped.
KeywordLinks buildKeywordLinks(const std::vector<KeywordEntry>& entries, std::uint32_t codePage,
                               std::uint32_t lcid);

} // namespace qm::chm
