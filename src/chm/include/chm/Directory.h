#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chm {

// One name in the CHM's directory: a file of content section 0 (uncompressed) or 1
// (MSCompressed), or a folder (section 0, offset 0, length 0, name ending in '/').
struct DirectoryEntry {
    std::string
        name; // UTF-8, "/..." for files and folders, "::DataSpace/..." for the container's own
    std::uint32_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The order of the directory: names compared byte by byte with ASCII letters folded to
// lower case, as chmlib's strcasecmp walk and libmspack's binary search over the
// quick-reference tables both assume; names that differ only in case keep their byte
// order.
bool directoryOrder(std::string_view a, std::string_view b);

// The directory block: the ITSP header, then 4096-byte PMGL listing chunks chained in
// order (each with its quick-reference table) and, when there is more than one, as
// many levels of PMGI index chunks as it takes to reach a single root. The entries
// are sorted here.
std::string buildDirectory(std::vector<DirectoryEntry> entries);

} // namespace qm::chm
