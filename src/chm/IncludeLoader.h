#pragma once

#include "chm/DiskLookup.h"
#include "chm/Messages.h"
#include "chm/ProjectReader.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm::chm {

// The bytes of a regular file; nullopt when the path is none or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Finds a project's #include files (names as the project writes them, UTF-8): inside the
// project's folder through disk, a symbolic link out of it read with a warning; else
// beside the folder, or relative to one of the three folders above it, with a warning
// each, since build scripts keep the headers of the program the help is for there. A
// device or FIFO is left out with a warning. Every file read is appended to inputs.
// disk, reporter and inputs must outlive the loader.
IncludeLoader projectIncludeLoader(const std::filesystem::path& folder, DiskLookup& disk,
                                   Reporter& reporter, std::vector<std::filesystem::path>& inputs);

} // namespace qm::chm
