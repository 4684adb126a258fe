#pragma once

#include <filesystem>

namespace qm {

// Copies the folder with all its files and subfolders into destination, as the
// subfolder destination/<name of source>, overwriting files without asking.
// Returns false on any failure.
bool CopyFolder(const std::filesystem::path& source, const std::filesystem::path& destination);

} // namespace qm
