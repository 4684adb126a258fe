#include "viewer/FiftiMainReader.h"

#include "ByteReader.h"

#include <algorithm>
#include <map>

namespace qm::viewer {
namespace {

// Seven bits a byte, least significant group first.
std::uint32_t readCount(const std::string& s, std::size_t& at) {
    std::uint32_t value = 0;
    unsigned b = 0;
    for (unsigned shift = 0;; shift += 7) {
        b = byteAt(s, at++);
        if (shift > 28)
            throw DamagedFile("a count of $FIftiMain runs past 32 bits");
        value |= (b & 0x7Fu) << shift;
        if (!(b & 0x80u))
            return value;
    }
}

// The word of an entry: bytes kept from the previous word, then new ones.
std::string readWord(const std::string& s, std::size_t& at, const std::string& previous) {
    const unsigned length = byteAt(s, at);
    const unsigned kept = byteAt(s, at + 1);
    if (length == 0 || kept > previous.size() || at + 2 + length - 1 > s.size())
        throw DamagedFile("bad word entry in $FIftiMain");
    std::string word = previous.substr(0, kept) + s.substr(at + 2, length - 1);
    at += 2 + length - 1;
    return word;
}

class BitReader {
public:
    BitReader(const std::string& s, std::size_t at, std::size_t end)
        : s_(s), at_(at), end_(std::min(end, s.size())) {}
    unsigned bit() {
        if (at_ >= end_)
            throw DamagedFile("location codes run past their size");
        unsigned b =
            (static_cast<unsigned>(static_cast<unsigned char>(s_[at_])) >> (7 - used_)) & 1u;
        if (++used_ == 8) {
            used_ = 0;
            ++at_;
        }
        return b;
    }
    std::uint32_t scaleRoot(unsigned root) {
        unsigned prefix = 0;
        while (bit() == 1)
            ++prefix;
        const unsigned count = prefix == 0 ? root : root + prefix - 1;
        if (count > 32)
            throw DamagedFile("a location code runs past 32 bits");
        std::uint32_t value = prefix == 0 ? 0 : 1;
        for (unsigned i = 0; i < count; ++i)
            value = value << 1 | bit();
        return value;
    }
    void align() {
        if (used_ != 0) {
            used_ = 0;
            ++at_;
        }
    }

private:
    const std::string& s_;
    std::size_t at_, end_;
    unsigned used_ = 0;
};

} // namespace

FiftiMainReader::FiftiMainReader(std::string bytes) : data_(std::move(bytes)) {
    if (data_.size() < 0x400 || readU32(data_, 0) != 0x00280000u)
        throw DamagedFile("not a $FIftiMain");
    root_ = readU32(data_, 0x08);
    depth_ = readU16(data_, 0x18);
    if (byteAt(data_, 0x1E) != 2 || byteAt(data_, 0x20) != 2 || byteAt(data_, 0x22) != 2)
        throw DamagedFile("location codes with a scale other than 2");
    rootDoc_ = byteAt(data_, 0x1F);
    rootCount_ = byteAt(data_, 0x21);
    rootCode_ = byteAt(data_, 0x23);
    nodeSize_ = readU32(data_, 0x2E);
    if (depth_ == 0 || nodeSize_ < 16)
        throw DamagedFile("bad $FIftiMain tree");
}

std::uint32_t FiftiMainReader::codePage() const {
    return readU32(data_, 0x7A);
}
std::uint32_t FiftiMainReader::lcid() const {
    return readU32(data_, 0x7E);
}
std::uint32_t FiftiMainReader::leafCount() const {
    return readU32(data_, 0x10);
}

std::vector<FtsTopic> FiftiMainReader::readCodes(std::uint32_t offset, std::uint32_t size,
                                                 std::uint32_t count) const {
    BitReader bits(data_, offset, std::size_t{offset} + size);
    std::vector<FtsTopic> topics;
    std::uint32_t topic = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        topic += bits.scaleRoot(rootDoc_);
        FtsTopic t{topic, {}};
        const std::uint32_t hits = bits.scaleRoot(rootCount_);
        std::uint32_t code = 0;
        for (std::uint32_t k = 0; k < hits; ++k) {
            code += bits.scaleRoot(rootCode_);
            t.codes.push_back(code);
        }
        bits.align();
        topics.push_back(std::move(t));
    }
    return topics;
}

std::uint32_t FiftiMainReader::readLeaf(std::uint32_t offset, std::vector<FtsEntry>& out) const {
    const std::uint32_t next = readU32(data_, offset);
    const std::uint32_t free = readU16(data_, offset + 6);
    if (free > nodeSize_)
        throw DamagedFile("a leaf of $FIftiMain with more free space than room");
    const std::size_t end = std::size_t{offset} + nodeSize_ - free;
    std::size_t at = std::size_t{offset} + 8;
    std::string previous;
    while (at < end) {
        FtsEntry e;
        e.word = readWord(data_, at, previous);
        previous = e.word;
        e.inTitle = byteAt(data_, at++) == 1;
        const std::uint32_t count = readCount(data_, at);
        const std::uint32_t codes = readU32(data_, at);
        at += 6;
        const std::uint32_t size = readCount(data_, at);
        e.topics = readCodes(codes, size, count);
        out.push_back(std::move(e));
    }
    return next;
}

std::uint32_t FiftiMainReader::firstLeaf() const {
    std::uint32_t node = root_;
    for (unsigned level = depth_; level > 1; --level)
        node = readU32(data_, std::size_t{node} + 2 + 2 + byteAt(data_, std::size_t{node} + 2) - 1);
    return node;
}

std::vector<FtsEntry> FiftiMainReader::all() const {
    std::vector<FtsEntry> out;
    std::uint32_t leaf = firstLeaf();
    for (std::size_t n = 0; leaf != 0; ++n) {
        if (n > leafLimit())
            throw DamagedFile("the leaf chain of $FIftiMain loops");
        leaf = readLeaf(leaf, out);
    }
    return out;
}

std::vector<FtsEntry> FiftiMainReader::lookup(const std::string& word) const {
    std::uint32_t node = root_;
    for (unsigned level = depth_; level > 1; --level) {
        const std::uint32_t free = readU16(data_, node);
        if (free > nodeSize_)
            throw DamagedFile("an index node of $FIftiMain with more free space than room");
        const std::size_t end = std::size_t{node} + nodeSize_ - free;
        std::size_t at = std::size_t{node} + 2;
        std::string previous;
        bool descended = false;
        while (at < end) {
            previous = readWord(data_, at, previous);
            const std::uint32_t child = readU32(data_, at);
            at += 6;
            // Each entry names the last word of its child.
            if (word <= previous) {
                node = child;
                descended = true;
                break;
            }
        }
        if (!descended)
            return {};
    }
    std::vector<FtsEntry> found;
    std::uint32_t leaf = node;
    for (std::size_t n = 0; leaf != 0 && n <= leafLimit(); ++n) {
        std::vector<FtsEntry> entries;
        const std::uint32_t next = readLeaf(leaf, entries);
        for (FtsEntry& e : entries)
            if (e.word == word)
                found.push_back(std::move(e));
        // A word's title and body entries may straddle two leaves.
        if (entries.empty() || entries.back().word > word)
            break;
        leaf = next;
    }
    return found;
}

std::set<std::uint32_t> FiftiMainReader::phrase(const std::vector<std::string>& words) const {
    std::set<std::uint32_t> result;
    if (words.empty())
        return result;
    for (bool title : {true, false}) {
        // topic → positions where the phrase can still start
        std::map<std::uint32_t, std::set<std::uint32_t>> starts;
        for (std::size_t k = 0; k < words.size(); ++k) {
            std::map<std::uint32_t, std::set<std::uint32_t>> positions;
            for (const FtsEntry& e : lookup(words[k]))
                if (e.inTitle == title)
                    for (const FtsTopic& t : e.topics)
                        for (std::uint32_t c : t.codes)
                            if (c >= k)
                                positions[t.topic].insert(c - static_cast<std::uint32_t>(k));
            if (k == 0) {
                starts = std::move(positions);
                continue;
            }
            std::map<std::uint32_t, std::set<std::uint32_t>> kept;
            for (const auto& [topic, set] : starts)
                for (std::uint32_t s : set)
                    if (positions.count(topic) && positions[topic].count(s))
                        kept[topic].insert(s);
            starts = std::move(kept);
        }
        for (const auto& [topic, set] : starts)
            if (!set.empty())
                result.insert(topic);
    }
    return result;
}

} // namespace qm::viewer
