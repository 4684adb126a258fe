#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// One stored additional-code file as the library list shows it.
struct AdditionalCodeFileEntry {
    std::string title;              // the file name without ".ahtml" (GBK)
    std::filesystem::path position; // the full path, to hand to loadAdditionalCodeFile
};

// Everything in programFolder whose name ends in ".ahtml" (letter case ignored, as the
// Windows wildcard "*.ahtml" matches), folders included, in the order the file system
// enumerates them. A missing or unreadable folder gives an empty list: there is simply
// nothing stored yet.
std::vector<AdditionalCodeFileEntry>
listAdditionalCodeFiles(const std::filesystem::path& programFolder);

} // namespace qm
