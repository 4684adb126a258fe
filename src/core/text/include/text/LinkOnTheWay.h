#pragma once

#include "platform/Files.h"

#include <filesystem>

namespace qm {

// True when a name on the way from folder down to folder / relative (the last one
// included) is a symbolic link (or a Windows junction): whatever is written or removed
// there would land wherever it points. folder itself is not looked at.
inline bool linkOnTheWay(const std::filesystem::path& folder,
                         const std::filesystem::path& relative) {
    std::filesystem::path at = folder;
    for (const std::filesystem::path& part : relative) {
        at /= part;
        if (entryKind(at) == EntryKind::Link)
            return true;
    }
    return false;
}

} // namespace qm
