#pragma once

#include <filesystem>
#include <string>

namespace qm {

// The extended-length form of path for the wide API (\\?\C:\... or \\?\UNC\server\...):
// absolute, with backslashes, reaching past MAX_PATH's 260 characters whether or not the
// system lets long paths through otherwise. A path that cannot be made absolute is
// given back as it is.
std::wstring extendedPath(const std::filesystem::path& path);

} // namespace qm
