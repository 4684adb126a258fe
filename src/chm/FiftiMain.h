#pragma once

#include <cstdint>
#include <span>
#include <string>

// $FIftiMain, the full-text search index the viewer's search pane reads: a 1 KiB
// header, the word-location codes of every word, and a B-tree of 4 KiB nodes over the
// words (leaf nodes chained in order, index nodes above them, the root last).
namespace qm::chm {

struct FtsWord {
    std::string bytes;    // lower case, in the CHM's code page, at most kMaxFtsWordBytes
    bool inTitle = false; // positions in the topic's title rather than in its body
    // Where the word occurs, flat to spare an allocation per topic: for each topic in
    // ascending order its #TOPICS number, the number of positions, and the word
    // positions in ascending order. Not owned.
    std::span<const std::uint32_t> postings;
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
std::string buildFiftiMain(std::span<const FtsWord> words, const FiftiMainInfo& info);

} // namespace qm::chm
