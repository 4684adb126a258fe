#pragma once

#include "text/ByteSink.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chm {

struct ItsfOptions {
    std::uint32_t lcid = 0x409;
    std::uint32_t timestamp = 0; // seconds since 1970, low 32 bits
    unsigned threads = 0;        // for the LZX compression; 0: one per core
};

// The ITSF container (version 3) of a CHM: the header with its two GUIDs, the header
// section with the file size, the ITSP directory, and content section 0, which holds
// the container's own files (::DataSpace/...), the files stored uncompressed and, as
// ::DataSpace/Storage/MSCompressed/Content, content section 1 compressed with LZX.
class ItsfWriter {
public:
    // A file of content section 0. name: "/#SYSTEM" and the like.
    void addUncompressed(std::string name, std::string bytes);
    // A file of content section 1, appended to the data to compress.
    void addCompressed(std::string name, std::string_view bytes);
    // Makes room for that many bytes of section 1 at once.
    void reserveCompressed(std::size_t bytes) { section1_.reserve(bytes); }

    std::uint64_t compressedSize() const { return section1_.size(); }

    // Compresses section 1, lays everything out and writes the file to the sink.
    void write(ByteSink& sink, const ItsfOptions& options);

private:
    struct Stored {
        std::string name;
        std::uint64_t offset;
        std::uint64_t length;
    };
    std::vector<std::pair<std::string, std::string>> section0_;
    std::vector<Stored> compressed_;
    std::string section1_;
};

} // namespace qm::chm
