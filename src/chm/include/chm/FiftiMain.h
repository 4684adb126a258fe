#pragma once

#include "chm/SpoolFile.h"
#include "text/ByteSink.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// $FIftiMain, the full-text search index the viewer's search pane reads: a 1 KiB
// header, the word-location codes of every word, and a B-tree of 4 KiB nodes over the
// words (leaf nodes chained in order, index nodes above them, the root last).
namespace qm::chm {

// Where a word occurs, packed as the occurrences are added (topics in ascending order,
// positions ascending within a topic), so that a compile's postings take about a byte
// an occurrence rather than four. Each occurrence is one number in little-endian
// seven-bit groups: 2 * (topic - the word's previous topic) + 1 where a topic starts,
// followed by the position itself; 2 * (position - previous position) otherwise.
// The bytes held may be moved to a temporary file (spill()), to keep the memory of a
// large compile bounded; bytes() then reads them back.
class PackedPostings {
public:
    // Returns the number of bytes added.
    std::size_t add(std::uint32_t topic, std::uint32_t position);
    // The bytes held in memory: all of them unless some were spilled.
    std::string_view bytes() const { return bytes_; }
    // All the bytes: those held when none were spilled (to file), else read back from
    // file into scratch.
    std::string_view bytes(SpoolFile* file, std::string& scratch) const;
    // Moves the bytes held to the end of file.
    void spill(SpoolFile& file);
    void compact() { bytes_.shrink_to_fit(); }

    // The postings flat: for each topic its #TOPICS number, the number of positions,
    // and the positions. flat is reused (cleared first).
    static void unpack(std::string_view packed, std::vector<std::uint32_t>& flat);

private:
    struct Chunk {
        std::uint64_t offset;
        std::uint64_t length;
    };
    std::string bytes_;
    std::vector<Chunk> spilled_; // in order, before bytes_
    std::uint32_t topic_ = 0;
    std::uint32_t position_ = 0;
};

struct FtsWord {
    std::string bytes;    // lower case, in the CHM's code page, at most kMaxFtsWordBytes
    bool inTitle = false; // positions in the topic's title rather than in its body
    const PackedPostings* postings = nullptr; // not owned
};

inline constexpr std::size_t kMaxFtsWordBytes = 99;

struct FiftiMainInfo {
    std::uint32_t topicCount = 0; // topics whose text was indexed
    std::uint32_t codePage = 1252;
    std::uint32_t lcid = 0x409;
    std::uint64_t wordsIndexed = 0; // every occurrence, repeats counted
    SpoolFile* spilled = nullptr;   // where postings were spilled, if they were
};

// The words must be sorted by their bytes (as unsigned), a word's body entry before
// its title entry, and none may be empty or longer than kMaxFtsWordBytes. The index
// goes to out in order; its word-location codes wait in a temporary file while the
// tree is built when they are large (throws qm::Error when none can be made).
void buildFiftiMain(std::span<const FtsWord> words, const FiftiMainInfo& info, ByteSink& out);
std::string buildFiftiMain(std::span<const FtsWord> words, const FiftiMainInfo& info);

} // namespace qm::chm
