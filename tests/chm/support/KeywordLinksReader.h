#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A reader of the binary keyword index ($WWKeywordLinks/BTree) written from the
// public description of the format: the header, the chain of 2 KiB listing blocks
// and the index blocks above them.
namespace qm::test {

struct KeywordRow {
    std::string keyword; // UTF-8
    std::uint16_t depth = 0;
    std::uint32_t lastLevelAt = 0;
    std::vector<std::uint32_t> topics;
    std::string seeAlso; // UTF-8, empty unless a see-also entry
};

class KeywordLinksReader {
public:
    // Throws std::runtime_error when the header is not that of a keyword B-tree.
    explicit KeywordLinksReader(std::string btree);

    unsigned depth() const { return depth_; }
    std::uint32_t keywordCount() const { return keywords_; }
    std::uint32_t blockCount() const { return blocks_; }
    // Every entry, walking the listing blocks from the first along their links.
    std::vector<KeywordRow> all() const;
    // The listing block that the index blocks lead to for a keyword, descending from
    // the root by comparing with each index entry's keyword (ignoring ASCII case).
    std::uint32_t blockFor(const std::string& keyword) const;
    // The keywords of one listing block.
    std::vector<KeywordRow> block(std::uint32_t number) const;

private:
    KeywordRow readEntry(std::size_t& at, bool listing) const;
    std::size_t blockStart(std::uint32_t number) const;

    std::string data_;
    unsigned depth_ = 0;
    std::uint32_t root_ = 0, blocks_ = 0, keywords_ = 0;
};

} // namespace qm::test
