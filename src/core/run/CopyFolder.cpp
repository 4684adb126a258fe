#include "run/CopyFolder.h"

namespace qm {

bool CopyFolder(const std::filesystem::path& source, const std::filesystem::path& destination) {
    std::error_code ec;
    if (!std::filesystem::is_directory(source, ec) ||
        !std::filesystem::is_directory(destination, ec))
        return false;
    std::filesystem::path target = destination / source.filename();
    std::filesystem::copy(source, target,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing,
                          ec);
    return !ec;
}

} // namespace qm
