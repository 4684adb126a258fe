#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chm {

// The compressed content section of a CHM.
struct LzxStream {
    std::string data;                        // the LZX bit stream
    std::vector<std::uint64_t> frameOffsets; // where each 32 KiB frame starts in data
};

struct LzxOptions {
    unsigned threads = 0; // 0: one per core
};

// Compresses data as HTML Help Workshop's MSCompressed section: a 64 KiB window, a
// reset every 64 KiB (two frames), each frame ending on a 16-bit boundary. The data is
// padded with zeros to whole frames, because chmlib always decodes whole frames; the
// padding is not part of the content. Reset intervals are independent, so they are
// compressed in parallel; the bytes do not depend on the number of threads.
LzxStream lzxCompress(std::string_view data, const LzxOptions& options = {});

} // namespace qm::chm
