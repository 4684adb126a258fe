#pragma once

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

// The entries of an index file as keywords in the order the Index pane lists them:
// siblings sorted ignoring case, each followed by its sub-entries ("parent, child").
// topicOf gives the #TOPICS number of a link (a "Local" value, UTF-8) and the entry's
// name.
using TopicOfLink = std::function<std::uint32_t(const std::string& local, const std::string& name)>;
std::vector<KeywordEntry> keywordEntries(const Sitemap& index, const TopicOfLink& topicOf);

// The entries in the order the Index pane lists them (parents before their children).
KeywordLinks buildKeywordLinks(const std::vector<KeywordEntry>& entries, std::uint32_t codePage,
                               std::uint32_t lcid);

} // namespace qm::chm
