#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A reader of a CHM's full-text index, $FIftiMain, written from the public description
// of the format: the 0x400-byte header, the B-tree of index and leaf nodes with their
// prefix-compressed words, and the scale/root-coded word-location codes. It reads any
// compiler's index. The bytes are untrusted: damage throws DamagedFile (ByteReader.h),
// never reads outside them, and every loop is bounded by their size.
namespace qm::viewer {

struct FtsTopic {
    std::uint32_t topic = 0;          // the topic's number in #TOPICS
    std::vector<std::uint32_t> codes; // word positions in the title or the body
};

struct FtsEntry {
    std::string word; // as stored: lower case, in the CHM's code page
    bool inTitle = false;
    std::vector<FtsTopic> topics;
};

class FiftiMainReader {
public:
    // Throws DamagedFile when the header is not that of a $FIftiMain.
    explicit FiftiMainReader(std::string bytes);

    std::uint32_t codePage() const;
    std::uint32_t lcid() const;
    unsigned depth() const { return depth_; }
    std::uint32_t leafCount() const;

    // The entries of exactly that word (title and body), found by descending the
    // index nodes from the root; empty when the word is not indexed.
    std::vector<FtsEntry> lookup(const std::string& word) const;
    // Every entry, walking the chain of leaves from the first.
    std::vector<FtsEntry> all() const;
    // Topics whose title or body holds the words at consecutive positions, the way
    // HTML Help's search pane matches a phrase (and a word of several ideographs).
    std::set<std::uint32_t> phrase(const std::vector<std::string>& words) const;

private:
    std::vector<FtsTopic> readCodes(std::uint32_t offset, std::uint32_t size,
                                    std::uint32_t count) const;
    std::uint32_t firstLeaf() const;
    // Reads the entries of the leaf at offset; returns the next leaf's offset.
    std::uint32_t readLeaf(std::uint32_t offset, std::vector<FtsEntry>& out) const;
    // More leaves than this is a chain that loops.
    std::size_t leafLimit() const { return data_.size() / nodeSize_ + 1; }

    std::string data_;
    unsigned depth_ = 0;
    std::uint32_t root_ = 0;
    std::uint32_t nodeSize_ = 0;
    unsigned rootDoc_ = 0, rootCount_ = 0, rootCode_ = 0;
};

} // namespace qm::viewer
