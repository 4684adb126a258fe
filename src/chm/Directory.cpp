#include "chm/Directory.h"

#include "Bytes.h"

#include <algorithm>

namespace qm::chm {
namespace {

constexpr std::uint32_t kChunkSize = 4096;
constexpr std::uint32_t kDensity = 2;                        // quick-reference density, encoded
constexpr std::size_t kQuickRefEvery = 1 + (1u << kDensity); // an entry of every 5
constexpr std::size_t kPmglHeader = 0x14;
constexpr std::size_t kPmgiHeader = 0x08;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::uint32_t kDirectoryLanguage = 0x409; // HTML Help Workshop writes 0x409 here

// {5D02926A-212E-11D0-9DF9-00A0C922E6EC}
constexpr unsigned char kDirectoryGuid[16] = {0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                              0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

unsigned char folded(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Bytes of the quick-reference area for n entries, with room for the slot libmspack
// counts for the first entry.
std::size_t quickRefBytes(std::size_t n) {
    return 2 + 2 * ((n + kQuickRefEvery - 1) / kQuickRefEvery);
}

// Fills one chunk from the encoded entries [first, ...) and returns how many it took.
struct ChunkBuilder {
    std::string chunk;
    std::vector<std::uint16_t> quickRefs;
    std::size_t count = 0;
    std::size_t headerSize;

    explicit ChunkBuilder(std::size_t header) : headerSize(header) {}

    bool tryAdd(const std::string& encoded) {
        std::size_t offset = chunk.size() - headerSize;
        if (chunk.size() + encoded.size() + quickRefBytes(count + 1) > kChunkSize && count > 0)
            return false;
        if (count > 0 && count % kQuickRefEvery == 0)
            quickRefs.push_back(static_cast<std::uint16_t>(offset));
        chunk += encoded;
        ++count;
        return true;
    }

    std::string finish() {
        std::uint32_t freeSpace = static_cast<std::uint32_t>(kChunkSize - chunk.size());
        bytes::patchU32(chunk, 4, freeSpace);
        std::string tail;
        for (auto it = quickRefs.rbegin(); it != quickRefs.rend(); ++it)
            bytes::putU16(tail, *it);
        bytes::putU16(tail, static_cast<std::uint32_t>(count));
        chunk.resize(kChunkSize - tail.size(), '\0');
        chunk += tail;
        return std::move(chunk);
    }
};

struct IndexEntry {
    std::string firstName;
    std::uint32_t chunk;
};

// The listing chunks (PMGL), chained both ways, at least one; level receives each
// chunk's first name.
void listingChunks(const std::vector<DirectoryEntry>& entries, std::vector<std::string>& chunks,
                   std::vector<IndexEntry>& level) {
    std::size_t i = 0;
    while (i < entries.size() || chunks.empty()) {
        ChunkBuilder b(kPmglHeader);
        b.chunk = "PMGL";
        bytes::putU32(b.chunk, 0); // free space, set by finish()
        bytes::putU32(b.chunk, 0);
        bytes::putU32(b.chunk,
                      chunks.empty() ? kNone : static_cast<std::uint32_t>(chunks.size() - 1));
        bytes::putU32(b.chunk, static_cast<std::uint32_t>(chunks.size() + 1)); // next, fixed below
        if (i < entries.size())
            level.push_back({entries[i].name, static_cast<std::uint32_t>(chunks.size())});
        while (i < entries.size()) {
            const DirectoryEntry& e = entries[i];
            std::string encoded;
            bytes::putEncInt(encoded, e.name.size());
            encoded += e.name;
            bytes::putEncInt(encoded, e.section);
            bytes::putEncInt(encoded, e.offset);
            bytes::putEncInt(encoded, e.length);
            if (!b.tryAdd(encoded))
                break;
            ++i;
        }
        chunks.push_back(b.finish());
    }
    bytes::patchU32(chunks.back(), 0x10, kNone);
}

// The index chunks (PMGI), level by level, until one chunk holds them all; the root
// chunk's number (kNone without index chunks) and the depth.
std::pair<std::uint32_t, std::uint32_t> indexChunks(std::vector<IndexEntry> level,
                                                    std::vector<std::string>& chunks) {
    std::uint32_t depth = 1;
    std::uint32_t root = kNone;
    while (level.size() > 1) {
        ++depth;
        std::vector<IndexEntry> next;
        std::size_t k = 0;
        while (k < level.size()) {
            ChunkBuilder b(kPmgiHeader);
            b.chunk = "PMGI";
            bytes::putU32(b.chunk, 0);
            next.push_back({level[k].firstName, static_cast<std::uint32_t>(chunks.size())});
            while (k < level.size()) {
                std::string encoded;
                bytes::putEncInt(encoded, level[k].firstName.size());
                encoded += level[k].firstName;
                bytes::putEncInt(encoded, level[k].chunk);
                if (!b.tryAdd(encoded))
                    break;
                ++k;
            }
            chunks.push_back(b.finish());
        }
        level = std::move(next);
        root = static_cast<std::uint32_t>(chunks.size() - 1);
    }
    return {root, depth};
}

} // namespace

bool directoryOrder(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::string buildDirectory(std::vector<DirectoryEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& x, const DirectoryEntry& y) {
        return directoryOrder(x.name, y.name);
    });
    std::vector<std::string> chunks;
    std::vector<IndexEntry> level;
    listingChunks(entries, chunks, level);
    const std::uint32_t lastListing = static_cast<std::uint32_t>(chunks.size() - 1);
    const auto [root, depth] = indexChunks(std::move(level), chunks);

    std::string out = "ITSP";
    bytes::putU32(out, 1);    // version
    bytes::putU32(out, 0x54); // header length
    bytes::putU32(out, 10);   // unknown, always 10
    bytes::putU32(out, kChunkSize);
    bytes::putU32(out, kDensity);
    bytes::putU32(out, depth);
    bytes::putU32(out, root);
    bytes::putU32(out, 0); // first listing chunk
    bytes::putU32(out, lastListing);
    bytes::putU32(out, kNone);
    bytes::putU32(out, static_cast<std::uint32_t>(chunks.size()));
    bytes::putU32(out, kDirectoryLanguage);
    out.append(reinterpret_cast<const char*>(kDirectoryGuid), sizeof kDirectoryGuid);
    bytes::putU32(out, 0x54);
    bytes::putU32(out, kNone);
    bytes::putU32(out, kNone);
    bytes::putU32(out, kNone);
    for (const std::string& chunk : chunks)
        out += chunk;
    return out;
}

} // namespace qm::chm
