#include "chm/ContextFile.h"

#include "Bytes.h"

#include <algorithm>

namespace qm::chm {

std::string buildContextFile(const std::vector<ContextRecord>& records) {
    std::vector<ContextRecord> sorted = records;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const ContextRecord& a, const ContextRecord& b) { return a.number < b.number; });
    std::string out;
    bytes::putU32(out, static_cast<std::uint32_t>(sorted.size() * 8));
    for (const ContextRecord& r : sorted) {
        bytes::putU32(out, r.number);
        bytes::putU32(out, r.fileString);
    }
    return out;
}

} // namespace qm::chm
