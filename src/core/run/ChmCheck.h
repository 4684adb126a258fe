#pragma once

#include "run/FileLayout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Where the compiler puts the CHM: the project's "Compiled file" (GBK), relative to the
// project's folder, a Windows path reduced to its file name.
std::filesystem::path compiledChmPath(const std::string& compiledFile, const FileLayout& layout);

// The pages of [FILES] (as it names them, GBK: folderPrefix + entry + ".htm") that the
// CHM's directory lacks; nullopt when the CHM cannot be read. The viewer finds names in
// any ASCII case.
std::optional<std::vector<std::string>> missingPages(const std::filesystem::path& chm,
                                                     const std::string& folderPrefix,
                                                     const std::vector<std::string>& entries);

} // namespace qm
