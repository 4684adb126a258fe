#include "KeywordLinksReader.h"

#include "ChmInspect.h"

#include <stdexcept>
#include <unicode/unistr.h>

namespace qm::test {
namespace {

constexpr std::size_t kHeader = 0x4C;
constexpr std::size_t kBlock = 2048;

std::uint32_t u16(const std::string& s, std::size_t at) {
    if (at + 2 > s.size())
        throw std::runtime_error("read past the end of the keyword B-tree");
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}

std::uint32_t u32(const std::string& s, std::size_t at) {
    return u16(s, at) | u16(s, at + 2) << 16;
}

std::string utf16z(const std::string& s, std::size_t& at) {
    icu::UnicodeString text;
    for (std::uint32_t unit = u16(s, at); unit != 0; unit = u16(s, at)) {
        text.append(static_cast<char16_t>(unit));
        at += 2;
    }
    at += 2;
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

KeywordLinksReader::KeywordLinksReader(std::string btree) : data_(std::move(btree)) {
    if (data_.size() < kHeader || data_.compare(0, 2, ";)") != 0 || u16(data_, 4) != kBlock)
        throw std::runtime_error("not a keyword B-tree");
    root_ = u32(data_, 0x1E);
    blocks_ = u32(data_, 0x26);
    depth_ = u16(data_, 0x2A);
    keywords_ = u32(data_, 0x2C);
    if (data_.size() != kHeader + std::size_t{blocks_} * kBlock)
        throw std::runtime_error("the keyword B-tree's size does not match its block count");
}

std::size_t KeywordLinksReader::blockStart(std::uint32_t number) const {
    if (number >= blocks_)
        throw std::runtime_error("block number out of range");
    return kHeader + std::size_t{number} * kBlock;
}

KeywordRow KeywordLinksReader::readEntry(std::size_t& at, bool listing) const {
    KeywordRow row;
    row.keyword = utf16z(data_, at);
    const bool seeAlso = u16(data_, at) == 2;
    row.depth = static_cast<std::uint16_t>(u16(data_, at + 2));
    row.lastLevelAt = u32(data_, at + 4);
    const std::uint32_t count = u32(data_, at + 12);
    at += 16;
    if (seeAlso) {
        row.seeAlso = utf16z(data_, at);
    } else {
        for (std::uint32_t i = 0; i < count; ++i, at += 4)
            row.topics.push_back(u32(data_, at));
    }
    at += listing ? 8 : 4; // (1, Data offset) or the child block
    return row;
}

std::vector<KeywordRow> KeywordLinksReader::block(std::uint32_t number) const {
    const std::size_t start = blockStart(number);
    const std::uint32_t entries = u16(data_, start + 2);
    std::size_t at = start + 12;
    std::vector<KeywordRow> rows;
    for (std::uint32_t i = 0; i < entries; ++i)
        rows.push_back(readEntry(at, true));
    if (at > start + kBlock - u16(data_, start))
        throw std::runtime_error("entries run into the free space of a listing block");
    return rows;
}

std::vector<KeywordRow> KeywordLinksReader::all() const {
    std::vector<KeywordRow> rows;
    std::uint32_t number = 0;
    for (std::uint32_t seen = 0; number != 0xFFFFFFFFu; ++seen) {
        if (seen > blocks_)
            throw std::runtime_error("the listing blocks loop");
        for (KeywordRow& r : block(number))
            rows.push_back(std::move(r));
        number = u32(data_, blockStart(number) + 8);
    }
    return rows;
}

std::uint32_t KeywordLinksReader::blockFor(const std::string& keyword) const {
    std::uint32_t number = root_;
    const std::string wanted = lowerAscii(keyword);
    for (unsigned level = depth_; level > 1; --level) {
        const std::size_t start = blockStart(number);
        const std::uint32_t entries = u16(data_, start + 2);
        std::uint32_t child = u32(data_, start + 4);
        std::size_t at = start + 8;
        for (std::uint32_t i = 0; i < entries; ++i) {
            KeywordRow row = readEntry(at, false);
            if (lowerAscii(row.keyword) > wanted)
                break;
            child = u32(data_, at - 4);
        }
        number = child;
    }
    return number;
}

} // namespace qm::test
