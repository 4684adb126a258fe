#pragma once

#include "chm/LzxEncoder.h"
#include "chm/SpoolFile.h"
#include "text/ByteSink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chm {

struct ItsfOptions {
    std::uint32_t lcid = 0x409;
    std::uint32_t timestamp = 0; // seconds since 1970, low 32 bits
};

// The ITSF container (version 3) of a CHM: the header with its two GUIDs, the header
// section with the file size, the ITSP directory, and content section 0, which holds
// the container's own files (::DataSpace/...), the files stored uncompressed and, as
// ::DataSpace/Storage/MSCompressed/Content, content section 1 compressed with LZX.
//
// Section 1 is compressed as it is added, and its compressed bytes wait in a temporary
// file until write(), so that neither the content nor its compressed form is held in
// memory whole.
class ItsfWriter {
public:
    // compression: threads and checkpoint of the LZX compression. Throws qm::Error when
    // the temporary file cannot be created.
    explicit ItsfWriter(const LzxOptions& compression = {});

    // A file of content section 0. name: "/#SYSTEM" and the like.
    void addUncompressed(std::string name, std::string bytes);
    // A file of content section 1, appended to the data to compress.
    void addCompressed(std::string name, std::string_view bytes);
    // The same for a file written in pieces: write receives a sink for its bytes.
    void writeCompressed(std::string name, const std::function<void(ByteSink&)>& write);

    // Compresses the rest of section 1, lays everything out and writes the file to the
    // sink. Call once, last.
    void write(ByteSink& sink, const ItsfOptions& options);

private:
    struct Stored {
        std::string name;
        std::uint64_t offset;
        std::uint64_t length;
    };
    std::vector<std::pair<std::string, std::string>> section0_;
    std::vector<Stored> compressed_;
    SpoolFile section1_;
    LzxEncoder encoder_;
};

} // namespace qm::chm
