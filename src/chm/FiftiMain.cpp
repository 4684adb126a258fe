#include "chm/FiftiMain.h"

#include "Bytes.h"
#include "chm/SpoolFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <vector>

namespace qm::chm {
namespace {

constexpr std::size_t kHeaderSize = 0x400;
constexpr std::size_t kNodeSize = 4096;
constexpr std::size_t kLeafHeader = 8;  // next leaf, zero, free space
constexpr std::size_t kIndexHeader = 2; // free space
// The viewer reads the location codes with scale 2 only.
constexpr std::uint8_t kScale = 2;
constexpr unsigned kMaxRoot = 31;

// The little-endian seven-bit groups the leaf entries count with, and the packed
// postings too.
void putSevenBitGroups(std::string& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

std::uint64_t getSevenBitGroups(std::string_view in, std::size_t& at) {
    // Most numbers of the postings are one group.
    if (at < in.size() && (static_cast<std::uint8_t>(in[at]) & 0x80) == 0)
        return static_cast<std::uint8_t>(in[at++]);
    std::uint64_t v = 0;
    for (unsigned shift = 0; at < in.size() && shift < 64; shift += 7) {
        const auto byte = static_cast<std::uint8_t>(in[at++]);
        v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            break;
    }
    return v;
}

unsigned bitLength(std::uint32_t v) {
    return static_cast<unsigned>(std::bit_width(v));
}

// The root that stores a set of values in the fewest bits. A scale-2 "root" integer:
// values below 2^root take a 0 and root bits; larger ones a unary prefix of p ones
// (p = bit length - root), a 0, and the bits below the top one, so 2 * length - root.
class RootChooser {
public:
    void add(std::uint32_t v) { ++counts_[bitLength(v)]; }
    std::uint8_t best() const {
        std::uint64_t bestBits = UINT64_MAX;
        unsigned bestRoot = 0;
        for (unsigned root = 0; root <= kMaxRoot; ++root) {
            std::uint64_t bits = 0;
            for (unsigned n = 0; n < counts_.size(); ++n)
                bits += counts_[n] * (n <= root ? 1 + root : 2 * n - root);
            if (bits < bestBits) {
                bestBits = bits;
                bestRoot = root;
            }
        }
        return static_cast<std::uint8_t>(bestRoot);
    }

private:
    std::array<std::uint64_t, 33> counts_{};
};

// Bits most significant first, as the location codes are read.
class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    // The low count bits of value (count ≤ 32), most significant first.
    void put(std::uint32_t value, unsigned count) {
        bits_ = (bits_ << count) | (value & ((std::uint64_t{1} << count) - 1));
        used_ += count;
        while (used_ >= 8) {
            used_ -= 8;
            out_.push_back(static_cast<char>(bits_ >> used_));
        }
    }
    void putOnes(unsigned count) {
        while (count > 0) {
            const unsigned n = std::min(count, 24u);
            put((1u << n) - 1, n);
            count -= n;
        }
    }
    void putScaleRoot(std::uint32_t v, unsigned root) {
        const unsigned n = bitLength(v);
        if (n <= root) {
            put(0, 1);
            put(v, root);
        } else {
            putOnes(n - root);
            put(0, 1);
            put(v, n - 1); // the top bit is implied by the prefix
        }
    }
    // Each topic's codes start on a byte.
    void flush() {
        if (used_ == 0)
            return;
        out_.push_back(static_cast<char>(bits_ << (8 - used_)));
        bits_ = 0;
        used_ = 0;
    }

private:
    std::string& out_;
    std::uint64_t bits_ = 0; // the low used_ bits are not yet written
    unsigned used_ = 0;
};

std::size_t sharedPrefix(const std::string& a, const std::string& b) {
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

// Nodes under construction: entries share the prefix they have with the entry
// before them in the same node.
class NodeBuilder {
public:
    explicit NodeBuilder(std::size_t headerSize) : headerSize_(headerSize) { reset(); }

    std::size_t wordPartSize(const std::string& word) const {
        return 2 + word.size() - sharedPrefix(previous_, word);
    }
    bool fits(std::size_t entrySize) const { return node_.size() + entrySize <= kNodeSize; }
    bool empty() const { return node_.size() == headerSize_; }
    void putWord(const std::string& word) {
        const std::size_t shared = sharedPrefix(previous_, word);
        bytes::putU8(node_, static_cast<std::uint32_t>(word.size() - shared + 1));
        bytes::putU8(node_, static_cast<std::uint32_t>(shared));
        node_.append(word, shared);
        previous_ = word;
        last_ = word;
    }
    std::string& bytes() { return node_; }
    const std::string& lastWord() const { return last_; }
    std::size_t freeSpace() const { return kNodeSize - node_.size(); }
    void reset() {
        node_.assign(headerSize_, '\0');
        previous_.clear();
    }

private:
    std::size_t headerSize_;
    std::string node_;
    std::string previous_;
    std::string last_;
};

// Calls visit(topic - previous topic, codes) for each topic of a word's postings;
// returns the number of topics. positions is scratch space: one topic's positions are
// held at a time, not the word's, which for a common word on many pages are millions.
template <typename Visit>
std::uint32_t forEachTopic(std::string_view packed, std::vector<std::uint32_t>& positions,
                           Visit&& visit) {
    std::uint32_t topic = 0, lastTopic = 0, topics = 0, position = 0;
    positions.clear();
    for (std::size_t at = 0; at < packed.size();) {
        const std::uint64_t v = getSevenBitGroups(packed, at);
        if ((v & 1) != 0) {
            if (topics > 0)
                visit(topic - lastTopic, std::span<const std::uint32_t>(positions));
            lastTopic = topics > 0 ? topic : 0;
            topic += static_cast<std::uint32_t>(v >> 1);
            position = static_cast<std::uint32_t>(getSevenBitGroups(packed, at));
            positions.clear();
            ++topics;
        } else {
            position += static_cast<std::uint32_t>(v >> 1);
        }
        if (topics > 0) // malformed: positions before any topic
            positions.push_back(position);
    }
    if (topics > 0)
        visit(topic - lastTopic, std::span<const std::uint32_t>(positions));
    return topics;
}

struct Child {
    std::string lastWord;
    std::uint32_t offset;
};

// Appends the node to the nodes, which start at base in the file.
void finishNode(std::string& out, std::size_t base, NodeBuilder& node, std::size_t freeAt,
                std::vector<Child>& level) {
    std::string& bytes = node.bytes();
    const std::size_t free = node.freeSpace();
    bytes[freeAt] = static_cast<char>(free & 0xFF);
    bytes[freeAt + 1] = static_cast<char>(free >> 8);
    level.push_back({node.lastWord(), static_cast<std::uint32_t>(base + out.size())});
    bytes.resize(kNodeSize, '\0');
    out.append(bytes);
    node.reset();
}

struct Roots {
    unsigned doc = 0, count = 0, code = 0;
};

// The roots that store the topic steps, the counts and the position steps in the
// fewest bits.
Roots chooseRoots(std::span<const FtsWord> words, SpoolFile* spilled,
                  std::vector<std::uint32_t>& flat) {
    RootChooser docRoot, countRoot, codeRoot;
    std::string scratch;
    for (const FtsWord& w : words)
        forEachTopic(w.postings->bytes(spilled, scratch), flat,
                     [&](std::uint32_t topicDelta, std::span<const std::uint32_t> codes) {
                         docRoot.add(topicDelta);
                         countRoot.add(static_cast<std::uint32_t>(codes.size()));
                         std::uint32_t lastCode = 0;
                         for (std::uint32_t c : codes) {
                             codeRoot.add(c - lastCode);
                             lastCode = c;
                         }
                     });
    return {docRoot.best(), countRoot.best(), codeRoot.best()};
}

// The word-location codes of every word, after the header: held in memory up to
// kSpoolAfter bytes, beyond that in a temporary file, since on a large project they
// are most of the index.
class LocationCodes {
public:
    std::vector<std::uint32_t> offset, size, topics; // a word's codes and topic count

    void write(std::span<const FtsWord> words, const Roots& roots, SpoolFile* spilled,
               std::vector<std::uint32_t>& flat) {
        std::string scratch;
        offset.resize(words.size());
        size.resize(words.size());
        topics.resize(words.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            offset[i] = static_cast<std::uint32_t>(end());
            BitWriter bits(held_);
            topics[i] = forEachTopic(
                words[i].postings->bytes(spilled, scratch), flat,
                [&](std::uint32_t topicDelta, std::span<const std::uint32_t> codes) {
                    bits.putScaleRoot(topicDelta, roots.doc);
                    bits.putScaleRoot(static_cast<std::uint32_t>(codes.size()), roots.count);
                    std::uint32_t lastCode = 0;
                    for (std::uint32_t c : codes) {
                        bits.putScaleRoot(c - lastCode, roots.code);
                        lastCode = c;
                    }
                    bits.flush();
                });
            size[i] = static_cast<std::uint32_t>(end() - offset[i]);
            if (held_.size() >= kSpoolAfter) {
                if (!spool_)
                    spool_.emplace();
                spool_->write(held_);
                held_.clear();
            }
        }
    }
    // Where the codes end in the file.
    std::uint64_t end() const { return kHeaderSize + (spool_ ? spool_->size() : 0) + held_.size(); }
    void copyTo(ByteSink& out) {
        if (spool_)
            spool_->copyTo(out);
        out.write(held_);
    }

private:
    static constexpr std::size_t kSpoolAfter = std::size_t{1} << 20;
    std::optional<SpoolFile> spool_;
    std::string held_;
};

// The B-tree over the words, whose nodes start at base in the file: leaves in word
// order, chained, then the index nodes above them, the root last.
struct Tree {
    std::string nodes;
    std::uint32_t leafCount = 0;
    std::uint32_t root = 0;
    std::uint16_t depth = 1;
    std::uint32_t lastLeafFree = 0;
};

std::vector<Child> buildLeaves(std::span<const FtsWord> words, const LocationCodes& codes,
                               std::size_t base, Tree& tree) {
    std::vector<Child> level;
    NodeBuilder leaf(kLeafHeader);
    std::size_t previousLeaf = 0;
    bool anyLeaf = false;
    auto closeLeaf = [&] {
        const std::size_t at = tree.nodes.size();
        if (anyLeaf)
            bytes::patchU32(tree.nodes, previousLeaf, static_cast<std::uint32_t>(base + at));
        tree.lastLeafFree = static_cast<std::uint32_t>(leaf.freeSpace());
        finishNode(tree.nodes, base, leaf, 6, level);
        previousLeaf = at;
        anyLeaf = true;
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const FtsWord& w = words[i];
        std::string entry;
        bytes::putU8(entry, w.inTitle ? 1 : 0);
        putSevenBitGroups(entry, codes.topics[i]);
        bytes::putU32(entry, codes.offset[i]);
        bytes::putU16(entry, 0);
        putSevenBitGroups(entry, codes.size[i]);
        if (!leaf.fits(leaf.wordPartSize(w.bytes) + entry.size()))
            closeLeaf();
        leaf.putWord(w.bytes);
        leaf.bytes().append(entry);
    }
    closeLeaf(); // an empty index still has its one leaf
    tree.leafCount = static_cast<std::uint32_t>(level.size());
    return level;
}

Tree buildTree(std::span<const FtsWord> words, const LocationCodes& codes, std::size_t base) {
    Tree tree;
    std::vector<Child> level = buildLeaves(words, codes, base, tree);
    while (level.size() > 1) {
        std::vector<Child> above;
        NodeBuilder node(kIndexHeader);
        for (const Child& child : level) {
            if (!node.fits(node.wordPartSize(child.lastWord) + 6))
                finishNode(tree.nodes, base, node, 0, above);
            node.putWord(child.lastWord);
            bytes::putU32(node.bytes(), child.offset);
            bytes::putU16(node.bytes(), 0);
        }
        finishNode(tree.nodes, base, node, 0, above);
        level = std::move(above);
        ++tree.depth;
    }
    tree.root = level.front().offset;
    return tree;
}

std::string header(std::span<const FtsWord> words, const FiftiMainInfo& info, const Roots& roots,
                   const Tree& tree) {
    std::size_t longest = 0, totalLength = 0;
    for (const FtsWord& w : words) {
        longest = std::max(longest, w.bytes.size());
        totalLength += w.bytes.size();
    }
    std::string header;
    header.append("\0\0\x28\0", 4);
    bytes::putU32(header, info.topicCount);
    bytes::putU32(header, tree.root);
    bytes::putU32(header, 0);
    bytes::putU32(header, tree.leafCount);
    bytes::putU32(header, tree.root);
    bytes::putU16(header, tree.depth);
    bytes::putU32(header, 7);
    for (unsigned r : {roots.doc, roots.count, roots.code}) {
        bytes::putU8(header, kScale);
        bytes::putU8(header, r);
    }
    header.append(10, '\0');
    bytes::putU32(header, kNodeSize);
    bytes::putU32(header, 0);
    bytes::putU32(header, 1);
    bytes::putU32(header, 5);
    bytes::putU32(header, static_cast<std::uint32_t>(longest));
    bytes::putU32(header, static_cast<std::uint32_t>(info.wordsIndexed));
    bytes::putU32(header, static_cast<std::uint32_t>(words.size()));
    bytes::putU64(header, totalLength);
    bytes::putU32(header, static_cast<std::uint32_t>(totalLength));
    bytes::putU32(header, tree.lastLeafFree);
    bytes::putU32(header, 0);
    bytes::putU32(header, info.topicCount == 0 ? 0 : info.topicCount - 1);
    header.append(24, '\0');
    bytes::putU32(header, info.codePage);
    bytes::putU32(header, info.lcid);
    header.resize(kHeaderSize, '\0');
    return header;
}

} // namespace

std::size_t PackedPostings::add(std::uint32_t topic, std::uint32_t position) {
    const std::size_t before = bytes_.size();
    if ((bytes_.empty() && spilled_.empty()) || topic != topic_) {
        putSevenBitGroups(bytes_, 2 * std::uint64_t{topic - topic_} + 1);
        putSevenBitGroups(bytes_, position);
        topic_ = topic;
    } else {
        putSevenBitGroups(bytes_, 2 * std::uint64_t{position - position_});
    }
    position_ = position;
    return bytes_.size() - before;
}

std::string_view PackedPostings::bytes(SpoolFile* file, std::string& scratch) const {
    if (spilled_.empty() || !file)
        return bytes_;
    scratch.clear();
    for (const Chunk& chunk : spilled_)
        file->readAt(chunk.offset, chunk.length, scratch);
    scratch += bytes_;
    return scratch;
}

void PackedPostings::spill(SpoolFile& file) {
    if (bytes_.empty())
        return;
    spilled_.push_back({file.size(), bytes_.size()});
    file.write(bytes_);
    bytes_.clear();
    bytes_.shrink_to_fit();
}

void PackedPostings::unpack(std::string_view packed, std::vector<std::uint32_t>& flat) {
    flat.clear();
    std::uint32_t topic = 0, position = 0;
    std::size_t countAt = 0;
    for (std::size_t at = 0; at < packed.size();) {
        const std::uint64_t v = getSevenBitGroups(packed, at);
        if ((v & 1) != 0) {
            topic += static_cast<std::uint32_t>(v >> 1);
            position = static_cast<std::uint32_t>(getSevenBitGroups(packed, at));
            flat.push_back(topic);
            countAt = flat.size();
            flat.push_back(0);
        } else {
            position += static_cast<std::uint32_t>(v >> 1);
        }
        if (countAt == 0) // malformed: positions before any topic
            continue;
        ++flat[countAt];
        flat.push_back(position);
    }
}

void buildFiftiMain(std::span<const FtsWord> words, const FiftiMainInfo& info, ByteSink& out) {
    std::vector<std::uint32_t> flat;
    const Roots roots = chooseRoots(words, info.spilled, flat);
    // The location codes of all words come first, then the leaves that point at them.
    LocationCodes codes;
    codes.write(words, roots, info.spilled, flat);
    const Tree tree = buildTree(words, codes, static_cast<std::size_t>(codes.end()));
    out.write(header(words, info, roots, tree));
    codes.copyTo(out);
    out.write(tree.nodes);
}

std::string buildFiftiMain(std::span<const FtsWord> words, const FiftiMainInfo& info) {
    MemorySink out;
    buildFiftiMain(words, info, out);
    return out.data();
}

} // namespace qm::chm
