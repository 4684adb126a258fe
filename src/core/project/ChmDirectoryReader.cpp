#include "project/ChmDirectoryReader.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string_view>

namespace qm {
namespace {

constexpr std::size_t kItsfHeaderBytes = 0x58; // up to the directory's offset and length
constexpr std::size_t kItspHeaderBytes = 0x30; // up to the number of chunks
constexpr std::size_t kPmglHeaderBytes = 0x14;
constexpr std::uint32_t kNoChunk = 0xFFFFFFFFu;
// Far above any real directory (a chunk of 4 KiB lists dozens of names), low enough
// that a damaged length cannot ask for the whole memory.
constexpr std::uint64_t kMaxDirectoryBytes = 256u << 20;

std::uint32_t u32(std::string_view bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

std::uint64_t u64(std::string_view bytes, std::size_t at) {
    return u32(bytes, at) | (static_cast<std::uint64_t>(u32(bytes, at + 4)) << 32);
}

// Reads the ENCINT at pos (seven bits a byte, most significant first, the high bit set
// on all but the last) without passing end. False when it runs off or overflows.
bool readEncInt(std::string_view bytes, std::size_t& pos, std::size_t end, std::uint64_t& value) {
    value = 0;
    while (pos < end) {
        auto b = static_cast<unsigned char>(bytes[pos++]);
        if (value >> 57)
            return false;
        value = (value << 7) | (b & 0x7Fu);
        if ((b & 0x80u) == 0)
            return true;
    }
    return false;
}

// The entries of one listing chunk.
bool readListing(std::string_view chunk, std::vector<std::string>& names) {
    std::uint32_t freeSpace = u32(chunk, 4);
    if (freeSpace > chunk.size() - kPmglHeaderBytes)
        return false;
    const std::size_t end = chunk.size() - freeSpace;
    std::size_t pos = kPmglHeaderBytes;
    while (pos < end) {
        std::uint64_t length = 0, section = 0, offset = 0, size = 0;
        if (!readEncInt(chunk, pos, end, length) || length == 0 || length > end - pos)
            return false;
        names.emplace_back(chunk.substr(pos, static_cast<std::size_t>(length)));
        pos += static_cast<std::size_t>(length);
        if (!readEncInt(chunk, pos, end, section) || !readEncInt(chunk, pos, end, offset) ||
            !readEncInt(chunk, pos, end, size))
            return false;
    }
    return true;
}

std::optional<std::vector<std::string>> readDirectory(std::string_view dir) {
    if (dir.size() < kItspHeaderBytes || dir.substr(0, 4) != "ITSP")
        return std::nullopt;
    const std::uint64_t headerLength = u32(dir, 0x08);
    const std::uint64_t chunkSize = u32(dir, 0x10);
    const std::uint32_t firstListing = u32(dir, 0x20);
    const std::uint64_t declaredChunks = u32(dir, 0x2C);
    if (headerLength < kItspHeaderBytes || headerLength > dir.size() ||
        chunkSize < kPmglHeaderBytes || chunkSize > dir.size())
        return std::nullopt;
    const std::uint64_t chunks = std::min(declaredChunks, (dir.size() - headerLength) / chunkSize);

    std::vector<std::string> names;
    // Each chunk once at most: a chain that loops is damage, not a longer directory.
    std::uint32_t index = firstListing;
    for (std::uint64_t steps = 0; index != kNoChunk; ++steps) {
        if (index >= chunks || steps >= chunks)
            return std::nullopt;
        std::string_view chunk =
            dir.substr(static_cast<std::size_t>(headerLength + index * chunkSize),
                       static_cast<std::size_t>(chunkSize));
        if (chunk.substr(0, 4) != "PMGL" || !readListing(chunk, names))
            return std::nullopt;
        index = u32(chunk, 0x10);
    }
    return names;
}

} // namespace

std::optional<std::vector<std::string>> readChmDirectory(const std::filesystem::path& chm) {
    std::ifstream in(chm, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff fileSize = in.tellg();
    if (fileSize < static_cast<std::streamoff>(kItsfHeaderBytes))
        return std::nullopt;
    std::string header(kItsfHeaderBytes, '\0');
    in.seekg(0);
    if (!in.read(header.data(), static_cast<std::streamsize>(header.size())) ||
        header.compare(0, 4, "ITSF") != 0)
        return std::nullopt;
    const std::uint64_t offset = u64(header, 0x48);
    const std::uint64_t length = u64(header, 0x50);
    const auto size = static_cast<std::uint64_t>(fileSize);
    if (offset > size || length > size - offset || length > kMaxDirectoryBytes)
        return std::nullopt;
    std::string directory(static_cast<std::size_t>(length), '\0');
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(directory.data(), static_cast<std::streamsize>(directory.size())))
        return std::nullopt;
    return readDirectory(directory);
}

} // namespace qm
