#pragma once

#include <cstdint>
#include <string>
#include <vector>

// $FIftiMain, the full-text search index the viewer's search pane reads: a 1 KiB
// header, the word-location codes of every word, and a B-tree of 4 KiB nodes over the
// words (leaf nodes chained in order, index nodes above them, the root last).
namespace qm::chm {

// Where one word occurs in one topic.
struct FtsHits {
    std::uint32_t topic = 0;          // the topic's number in #TOPICS
    std::vector<std::uint32_t> codes; // word positions in the topic, ascending
};

struct FtsWord {
    std::string bytes;         // lower case, in the CHM's code page, at most kMaxFtsWordBytes
    bool inTitle = false;      // positions in the topic's title rather than in its body
    std::vector<FtsHits> hits; // by ascending topic
};

inline constexpr std::size_t kMaxFtsWordBytes = 99;

struct FiftiMainInfo {
    std::uint32_t topicCount = 0; // topics whose text was indexed
    std::uint32_t codePage = 1252;
    std::uint32_t lcid = 0x409;
    std::uint64_t wordsIndexed = 0; // every occurrence, repeats counted
};

// The words must be sorted by their bytes (as unsigned), a word's title entry before
// its body entry, and none may be empty or longer than kMaxFtsWordBytes.
std::string buildFiftiMain(const std::vector<FtsWord>& words, const FiftiMainInfo& info);

} // namespace qm::chm
