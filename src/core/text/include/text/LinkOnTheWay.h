#pragma once

#include <filesystem>

namespace qm {

// True when a name on the way from folder down to folder / relative (the last one
// included) is a symbolic link: whatever is written or removed there would land wherever
// it points. folder itself is not looked at.
inline bool linkOnTheWay(const std::filesystem::path& folder,
                         const std::filesystem::path& relative) {
    std::filesystem::path at = folder;
    std::error_code ec;
    for (const std::filesystem::path& part : relative) {
        at /= part;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(at, ec)))
            return true;
    }
    return false;
}

} // namespace qm
