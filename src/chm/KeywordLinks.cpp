#include "chm/KeywordLinks.h"

#include "chm/Bytes.h"
#include "chm/TextCodec.h"

#include <algorithm>

#include <unicode/unistr.h>

namespace qm::chm {
namespace {

constexpr std::size_t kBlockSize = 2048;
constexpr std::size_t kListingHeader = 12; // free space, entries, previous, next
constexpr std::size_t kIndexHeader = 8;    // free space, entries, first child
constexpr std::uint32_t kNoBlock = 0xFFFFFFFFu;
constexpr std::uint16_t kSeeAlso = 2;
// Each keyword's record in Data is this long; listing entries point at theirs.
constexpr std::uint32_t kDataRecordSize = 13;
// What HTML Help Workshop writes in the header's unnamed fields.
constexpr std::uint32_t kHeaderConstant = 10031;

void putUtf16(std::string& out, const std::string& utf8) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    for (int32_t i = 0; i < text.length(); ++i)
        bytes::putU16(out, text.charAt(i));
    bytes::putU16(out, 0);
}

// The part of an entry that listing and index blocks share: keyword, kind, depth,
// where the last level starts, and the topics or the see-also keyword.
std::string entryHead(const KeywordEntry& e) {
    std::string out;
    putUtf16(out, e.keyword);
    const bool seeAlso = !e.seeAlso.empty();
    bytes::putU16(out, seeAlso ? kSeeAlso : 0);
    bytes::putU16(out, e.depth);
    bytes::putU32(out, e.lastLevelAt);
    bytes::putU32(out, 0);
    if (seeAlso) {
        bytes::putU32(out, 1);
        putUtf16(out, e.seeAlso);
    } else {
        bytes::putU32(out, static_cast<std::uint32_t>(e.topics.size()));
        for (std::uint32_t t : e.topics)
            bytes::putU32(out, t);
    }
    return out;
}

struct Block {
    std::string bytes;
    std::uint16_t entries = 0;
    std::string firstHead; // the first entry's shared part, for the level above
};

void finish(Block& b) {
    const auto free = static_cast<std::uint32_t>(kBlockSize - b.bytes.size());
    b.bytes[0] = static_cast<char>(free & 0xFF);
    b.bytes[1] = static_cast<char>(free >> 8);
    b.bytes[2] = static_cast<char>(b.entries & 0xFF);
    b.bytes[3] = static_cast<char>(b.entries >> 8);
    b.bytes.resize(kBlockSize, '\0');
}

} // namespace

std::vector<KeywordEntry> keywordEntries(const Sitemap& index, const TopicOfLink& topicOf) {
    struct Node {
        const SitemapEntry* entry;
        std::string folded;
        std::vector<std::size_t> children;
    };
    std::vector<Node> nodes{{nullptr, {}, {}}}; // 0: the root
    std::vector<std::size_t> parents{0};        // the open entry at each depth
    for (const SitemapEntry& e : index.entries) {
        // A list nested deeper than the one before it hangs under the last entry.
        const std::size_t depth =
            std::min(static_cast<std::size_t>(std::max(e.depth, 0)), parents.size() - 1);
        parents.resize(depth + 1);
        nodes.push_back({&e, foldCase(e.name()), {}});
        nodes[parents.back()].children.push_back(nodes.size() - 1);
        parents.push_back(nodes.size() - 1);
    }
    std::vector<KeywordEntry> entries;
    auto walk = [&](auto&& self, std::size_t at, const std::string& prefix,
                    std::uint16_t depth) -> void {
        std::vector<std::size_t>& children = nodes[at].children;
        std::stable_sort(children.begin(), children.end(), [&](std::size_t a, std::size_t b) {
            return nodes[a].folded < nodes[b].folded;
        });
        for (std::size_t c : children) {
            const SitemapEntry& e = *nodes[c].entry;
            KeywordEntry k;
            k.keyword = prefix + e.name();
            k.lastLevelAt =
                static_cast<std::uint32_t>(icu::UnicodeString::fromUTF8(prefix).length());
            k.depth = depth;
            for (const SitemapParam& p : e.params)
                if (p.name == "see also")
                    k.seeAlso = p.value;
            if (k.seeAlso.empty())
                for (const std::string& local : e.locals())
                    k.topics.push_back(topicOf(local, e.name()));
            std::string childPrefix = k.keyword + ", ";
            entries.push_back(std::move(k));
            self(self, c, childPrefix, static_cast<std::uint16_t>(depth + 1));
        }
    };
    walk(walk, 0, "", 0);
    return entries;
}

KeywordLinks buildKeywordLinks(const std::vector<KeywordEntry>& entries, std::uint32_t codePage,
                               std::uint32_t lcid) {
    KeywordLinks out;
    std::vector<Block> listing(1);
    listing.back().bytes.assign(kListingHeader, '\0');
    std::uint32_t dataOffset = 0;
    std::uint32_t keywords = 0;
    std::string map;
    std::uint32_t keywordsBefore = 0;
    for (const KeywordEntry& e : entries) {
        std::string entry = entryHead(e);
        const std::string head = entry;
        bytes::putU32(entry, 1);
        bytes::putU32(entry, dataOffset);
        if (kListingHeader + entry.size() > kBlockSize) {
            ++out.skipped;
            continue;
        }
        if (listing.back().bytes.size() + entry.size() > kBlockSize) {
            keywordsBefore += listing.back().entries;
            listing.emplace_back().bytes.assign(kListingHeader, '\0');
        }
        Block& b = listing.back();
        if (b.entries == 0) {
            bytes::putU32(map, keywordsBefore);
            bytes::putU32(map, static_cast<std::uint32_t>(listing.size() - 1));
            b.firstHead = head;
        }
        b.bytes += entry;
        ++b.entries;
        ++keywords;
        dataOffset += kDataRecordSize;
        // Data: one record a keyword.
        bytes::putU32(out.data, 0);
        bytes::putU32(out.data, 5);
        bytes::putU32(out.data, 0x80);
        bytes::putU8(out.data, 0);
    }
    if (map.empty()) { // no keywords: one empty listing block
        bytes::putU32(map, 0);
        bytes::putU32(map, 0);
    }
    for (std::size_t i = 0; i < listing.size(); ++i) {
        Block& b = listing[i];
        bytes::patchU32(b.bytes, 4, i == 0 ? kNoBlock : static_cast<std::uint32_t>(i - 1));
        bytes::patchU32(b.bytes, 8,
                        i + 1 == listing.size() ? kNoBlock : static_cast<std::uint32_t>(i + 1));
        finish(b);
    }
    out.map.clear();
    bytes::putU16(out.map, static_cast<std::uint32_t>(listing.size()));
    out.map += map;

    // Index levels: each block's first entry, pointing at the block, until one block
    // holds them all. Blocks are numbered in file order, the root last.
    const std::size_t listingCount = listing.size();
    std::string blocks;
    for (const Block& b : listing)
        blocks += b.bytes;
    std::uint32_t nextNumber = static_cast<std::uint32_t>(listing.size());
    std::uint32_t levelStart = 0; // the number of level's first block
    std::vector<Block> level = std::move(listing);
    std::uint16_t depth = 1;
    while (level.size() > 1) {
        std::vector<Block> above;
        for (std::size_t i = 0; i < level.size(); ++i) {
            std::string entry = level[i].firstHead;
            const auto child = static_cast<std::uint32_t>(levelStart + i);
            bytes::putU32(entry, child);
            if (above.empty() || above.back().bytes.size() + entry.size() > kBlockSize) {
                if (!above.empty())
                    finish(above.back());
                Block& fresh = above.emplace_back();
                fresh.bytes.assign(kIndexHeader, '\0');
                bytes::patchU32(fresh.bytes, 4, child);
                fresh.firstHead = level[i].firstHead;
            }
            above.back().bytes += entry;
            ++above.back().entries;
        }
        finish(above.back());
        levelStart = nextNumber;
        for (const Block& b : above)
            blocks += b.bytes;
        nextNumber += static_cast<std::uint32_t>(above.size());
        level = std::move(above);
        ++depth;
    }

    std::string& h = out.btree;
    h = ";)";
    bytes::putU16(h, 2);
    bytes::putU16(h, kBlockSize);
    h += std::string("X44", 3);
    h.append(13, '\0');
    bytes::putU32(h, 0);
    bytes::putU32(h, static_cast<std::uint32_t>(listingCount - 1)); // the last listing block
    bytes::putU32(h, nextNumber - 1);                               // the root
    bytes::putU32(h, kNoBlock);
    bytes::putU32(h, nextNumber);
    bytes::putU16(h, depth);
    bytes::putU32(h, keywords);
    bytes::putU32(h, codePage);
    bytes::putU32(h, lcid);
    bytes::putU32(h, 1); // part of a CHM
    bytes::putU32(h, kHeaderConstant);
    h.append(12, '\0');
    h += blocks;

    for (std::uint32_t v : {0u, 0u, 0u, 12u, 1u, 1u, 0u, 0u})
        bytes::putU32(out.property, v);
    return out;
}

} // namespace qm::chm
