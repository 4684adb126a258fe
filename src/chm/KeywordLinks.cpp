#include "chm/KeywordLinks.h"

#include "Bytes.h"
#include "chm/TextCodec.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>

#include "text/TextPlatform.h"

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
// An entry's fields between its keyword and its topics: kind, depth, where the last
// level starts, zero, and the count of topics.
constexpr std::size_t kEntryFields = 16;
// A listing entry ends with 1 and its Data offset, an index entry with its child block.
constexpr std::size_t kListingTail = 8;
constexpr std::size_t kIndexTail = 4;
constexpr std::size_t kMaxListingEntry = kBlockSize - kListingHeader;
constexpr std::size_t kMaxIndexEntry = (kBlockSize - kIndexHeader) / 2;
static_assert(2 * (kMaxKeywordUnits + 1) + kEntryFields + 2 + kIndexTail <= kMaxIndexEntry);
// How many of the changes keywordEntries makes are described one by one.
constexpr std::size_t kMaxNotes = 10;

// A UTF-16 string (without its terminator), as the tree stores it.
std::u16string utf16(const std::string& utf8) {
    return text::decode(utf8, "UTF-8");
}

std::int32_t utf16Length(const std::string& utf8) {
    return static_cast<std::int32_t>(utf16(utf8).size());
}

// The text cut to at most units UTF-16 units, never between the halves of a pair.
std::u16string cutUnits(std::u16string text, std::size_t units) {
    if (text.size() > units) {
        if (units > 0 && (text[units - 1] & 0xFC00) == 0xD800)
            --units;
        text.resize(units);
    }
    return text;
}

std::string toUtf8(const std::u16string& text) {
    return text::encode(text, "UTF-8");
}

std::string withoutZeros(std::string text) {
    std::erase(text, '\0');
    return text;
}

// A keyword as a message quotes it: its beginning when it is long.
std::string quotedKeyword(const std::string& utf8) {
    constexpr std::size_t kShown = 60;
    const std::u16string text = utf16(utf8);
    return "\"" + toUtf8(cutUnits(text, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

// A zero would end the string early for a reader (a .hhk may hold a zero byte).
void putUtf16(std::string& out, const std::u16string& text) {
    for (char16_t unit : text)
        if (unit != 0)
            bytes::putU16(out, unit);
    bytes::putU16(out, 0);
}

// The part of an entry that listing and index blocks share: keyword, kind, depth,
// where the last level starts, and the topics or the see-also keyword. The topics or
// the see-also keyword are shortened to keep the whole within room bytes, which index
// entries allow themselves since the search only compares keywords; nullopt when even
// the keyword does not fit.
std::optional<std::string> entryHead(const KeywordEntry& e, std::size_t room) {
    std::string out;
    putUtf16(out, utf16(e.keyword));
    const bool seeAlso = !e.seeAlso.empty();
    if (out.size() + kEntryFields + (seeAlso ? 2 : 0) > room)
        return std::nullopt;
    const std::size_t left = room - out.size() - kEntryFields;
    bytes::putU16(out, seeAlso ? kSeeAlso : 0);
    bytes::putU16(out, e.depth);
    bytes::putU32(out, e.lastLevelAt);
    bytes::putU32(out, 0);
    if (seeAlso) {
        bytes::putU32(out, 1);
        putUtf16(out, cutUnits(utf16(e.seeAlso), (left - 2) / 2));
    } else {
        const std::size_t topics = std::min(e.topics.size(), left / 4);
        bytes::putU32(out, static_cast<std::uint32_t>(topics));
        for (std::size_t i = 0; i < topics; ++i)
            bytes::putU32(out, e.topics[i]);
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

// Collects the changes made to fit the format: the first few one by one, then a count.
class Notes {
public:
    Notes(std::vector<std::string>* out, Language language) : out_(out), language_(language) {}
    void add(Msg msg, std::initializer_list<std::string_view> args) {
        if (out_ && ++count_ <= kMaxNotes)
            out_->push_back(messageText(language_, msg, args));
    }
    void finish() {
        if (out_ && count_ > kMaxNotes)
            out_->push_back(messageText(language_, Msg::MoreIndexChanges,
                                        {std::to_string(count_ - kMaxNotes)}));
    }

private:
    std::vector<std::string>* out_;
    Language language_;
    std::size_t count_ = 0;
};

// The index file's entries as a tree, walked in the order the binary index lists
// them: siblings sorted by their folded names, each entry before its sub-entries.
class KeywordWalk {
public:
    KeywordWalk(const Sitemap& index, const TopicOfLink& topicOf, std::vector<std::string>* notes,
                const std::string& charset, Language language)
        : topicOf_(topicOf), changes_(notes, language), charset_(charset) {
        buildTree(index);
    }

    std::vector<KeywordEntry> run() {
        std::vector<KeywordEntry> entries;
        open(0, {}, 0, 0);
        while (!stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next == nodes_[frame.node].children.size()) {
                stack_.pop_back();
                continue;
            }
            const std::size_t c = nodes_[frame.node].children[frame.next++];
            if (nodes_[c].left)
                continue;
            KeywordEntry k = entryOf(frame, nodes_[c]);
            const std::int32_t units = utf16Length(k.keyword);
            const auto depth = static_cast<std::uint16_t>(frame.depth + 1);
            std::string keyword = k.keyword;
            entries.push_back(std::move(k));
            open(c, std::move(keyword), units, depth); // frame is not used past this
        }
        changes_.finish();
        return entries;
    }

private:
    struct Node {
        Node(const SitemapEntry* e, std::size_t p) : entry(e), parent(p) {}
        const SitemapEntry* entry;
        std::size_t parent;
        std::size_t size = 1; // with all its sub-entries
        std::string name;     // as listed: cut to fit after its parent's keyword
        std::string folded;
        bool left = false; // nested too deep: left out with its sub-entries
        std::vector<std::size_t> children;
    };
    // The walk keeps its own stack, as deep as the levels a keyword holds.
    struct Frame {
        std::size_t node;
        std::string keyword; // the node's, empty for the root
        std::int32_t units;  // its length in UTF-16 units
        std::uint16_t depth; // its children's
        std::size_t next = 0;
    };

    void buildTree(const Sitemap& index) {
        nodes_.emplace_back(nullptr, 0);     // 0: the root
        std::vector<std::size_t> parents{0}; // the open entry at each depth
        for (const SitemapEntry& e : index.entries) {
            // A list nested deeper than the one before it hangs under the last entry.
            const std::size_t depth =
                std::min(static_cast<std::size_t>(std::max(e.depth, 0)), parents.size() - 1);
            parents.resize(depth + 1);
            nodes_.emplace_back(&e, parents.back());
            nodes_[parents.back()].children.push_back(nodes_.size() - 1);
            parents.push_back(nodes_.size() - 1);
        }
        // A node comes after its parent, so sizes add up from the end.
        for (std::size_t i = nodes_.size() - 1; i > 0; --i)
            nodes_[nodes_[i].parent].size += nodes_[i].size;
    }

    // Names the children of the node at `at` to fit after its keyword, sorts them and
    // pushes the node's frame.
    void open(std::size_t at, std::string keyword, std::int32_t units, std::uint16_t depth) {
        const std::int32_t prefix = at == 0 ? 0 : units + 2; // "parent, "
        for (std::size_t c : nodes_[at].children) {
            Node& child = nodes_[c];
            const std::string name = withoutZeros(child.entry->name(charset_));
            const std::int32_t length = utf16Length(name);
            if (prefix + length <= kMaxKeywordUnits) {
                child.name = name;
            } else if (prefix < kMaxKeywordUnits) {
                child.name = toUtf8(
                    cutUnits(utf16(name), static_cast<std::size_t>(kMaxKeywordUnits - prefix)));
                changes_.add(Msg::KeywordCut,
                             {quotedKeyword(name), std::to_string(kMaxKeywordUnits)});
            } else {
                child.left = true;
                changes_.add(Msg::IndexEntryTooDeep, {quotedKeyword(name), quotedKeyword(keyword),
                                                      std::to_string(child.size - 1)});
                continue;
            }
            child.folded = foldCase(child.name);
        }
        std::vector<std::size_t>& children = nodes_[at].children;
        std::stable_sort(children.begin(), children.end(), [&](std::size_t a, std::size_t b) {
            return nodes_[a].folded < nodes_[b].folded;
        });
        stack_.push_back({at, std::move(keyword), units, depth});
    }

    KeywordEntry entryOf(const Frame& frame, const Node& node) {
        const SitemapEntry& e = *node.entry;
        KeywordEntry k;
        k.keyword = frame.node == 0 ? node.name : frame.keyword + ", " + node.name;
        k.lastLevelAt = static_cast<std::uint32_t>(frame.node == 0 ? 0 : frame.units + 2);
        k.depth = frame.depth;
        const std::int32_t units = utf16Length(k.keyword);
        for (const SitemapParam& p : e.params)
            if (p.name == "see also")
                k.seeAlso = withoutZeros(p.valueIn(charset_));
        if (!k.seeAlso.empty()) {
            // Cut as a keyword is, so that it still names the keyword it refers to.
            k.seeAlso = toUtf8(cutUnits(utf16(k.seeAlso), kMaxKeywordUnits));
            return k;
        }
        const std::size_t room = (kMaxListingEntry - kListingTail - kEntryFields -
                                  2 * static_cast<std::size_t>(units + 1)) /
                                 4;
        const std::vector<std::string> locals = e.locals();
        const std::string title = locals.empty() ? std::string() : e.name(charset_);
        for (std::size_t i = 0; i < locals.size() && i < room; ++i)
            k.topics.push_back(topicOf_(locals[i], title));
        if (locals.size() > room)
            changes_.add(
                Msg::KeywordTooManyLinks,
                {quotedKeyword(k.keyword), std::to_string(locals.size()), std::to_string(room)});
        return k;
    }

    const TopicOfLink& topicOf_;
    Notes changes_;
    const std::string& charset_;
    std::vector<Node> nodes_;
    std::vector<Frame> stack_;
};

// The listing blocks: every keyword in order, its head and its data record, the
// blocks chained both ways; out receives the data records, the map and the count of
// keywords left out.
struct Listing {
    std::vector<Block> blocks;
    std::uint32_t keywords = 0;
};

Listing listKeywords(const std::vector<KeywordEntry>& entries, KeywordLinks& out) {
    Listing listing;
    std::vector<Block>& blocks = listing.blocks;
    blocks.emplace_back().bytes.assign(kListingHeader, '\0');
    std::uint32_t dataOffset = 0, keywordsBefore = 0;
    std::string map;
    for (const KeywordEntry& e : entries) {
        std::string entry = *entryHead(e, std::numeric_limits<std::size_t>::max());
        const std::optional<std::string> head = entry.size() + kIndexTail <= kMaxIndexEntry
                                                    ? entry
                                                    : entryHead(e, kMaxIndexEntry - kIndexTail);
        if (entry.size() + kListingTail > kMaxListingEntry || !head) {
            ++out.skipped;
            continue;
        }
        bytes::putU32(entry, 1);
        bytes::putU32(entry, dataOffset);
        if (blocks.back().bytes.size() + entry.size() > kBlockSize) {
            keywordsBefore += blocks.back().entries;
            blocks.emplace_back().bytes.assign(kListingHeader, '\0');
        }
        Block& b = blocks.back();
        if (b.entries == 0) {
            bytes::putU32(map, keywordsBefore);
            bytes::putU32(map, static_cast<std::uint32_t>(blocks.size() - 1));
            b.firstHead = *head;
        }
        b.bytes += entry;
        ++b.entries;
        ++listing.keywords;
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
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Block& b = blocks[i];
        bytes::patchU32(b.bytes, 4, i == 0 ? kNoBlock : static_cast<std::uint32_t>(i - 1));
        bytes::patchU32(b.bytes, 8,
                        i + 1 == blocks.size() ? kNoBlock : static_cast<std::uint32_t>(i + 1));
        finish(b);
    }
    out.map.clear();
    bytes::putU16(out.map, static_cast<std::uint32_t>(blocks.size()));
    out.map += map;
    return listing;
}

// All the blocks in file order: the listing, then index levels of each block's first
// entry, pointing at the block, until one block holds them all, the root last.
struct BlockTree {
    std::string blocks;
    std::uint32_t count = 0; // blocks in all
    std::uint16_t depth = 1;
};

BlockTree buildBlockTree(std::vector<Block> listing) {
    BlockTree tree;
    for (const Block& b : listing)
        tree.blocks += b.bytes;
    tree.count = static_cast<std::uint32_t>(listing.size());
    std::uint32_t levelStart = 0; // the number of level's first block
    std::vector<Block> level = std::move(listing);
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
        // Any two entries fit an index block, so each level at least halves.
        if (above.size() >= level.size())
            throw std::logic_error("the keyword index's levels do not shrink");
        levelStart = tree.count;
        for (const Block& b : above)
            tree.blocks += b.bytes;
        tree.count += static_cast<std::uint32_t>(above.size());
        level = std::move(above);
        ++tree.depth;
    }
    return tree;
}

} // namespace

std::vector<KeywordEntry> keywordEntries(const Sitemap& index, const TopicOfLink& topicOf,
                                         std::vector<std::string>* notes,
                                         const std::string& charset, Language language) {
    return KeywordWalk(index, topicOf, notes, charset, language).run();
}

KeywordLinks buildKeywordLinks(const std::vector<KeywordEntry>& entries, std::uint32_t codePage,
                               std::uint32_t lcid) {
    KeywordLinks out;
    Listing listing = listKeywords(entries, out);
    const std::size_t listingCount = listing.blocks.size();
    const BlockTree tree = buildBlockTree(std::move(listing.blocks));

    std::string& h = out.btree;
    h = ";)";
    bytes::putU16(h, 2);
    bytes::putU16(h, kBlockSize);
    h += std::string("X44", 3);
    h.append(13, '\0');
    bytes::putU32(h, 0);
    bytes::putU32(h, static_cast<std::uint32_t>(listingCount - 1)); // the last listing block
    bytes::putU32(h, tree.count - 1);                               // the root
    bytes::putU32(h, kNoBlock);
    bytes::putU32(h, tree.count);
    bytes::putU16(h, tree.depth);
    bytes::putU32(h, listing.keywords);
    bytes::putU32(h, codePage);
    bytes::putU32(h, lcid);
    bytes::putU32(h, 1); // part of a CHM
    bytes::putU32(h, kHeaderConstant);
    h.append(12, '\0');
    h += tree.blocks;

    for (std::uint32_t v : {0u, 0u, 0u, 12u, 1u, 1u, 0u, 0u})
        bytes::putU32(out.property, v);
    return out;
}

} // namespace qm::chm
