#pragma once

#include "viewer/HelpFile.h"

#include <filesystem>

namespace qm::viewer {

// Writes every file of the help (its pages, pictures, style sheets; not the container's
// system files) into folder, at its name in the CHM, so that a browser can show a page
// with what it refers to. Names are normalized first, so nothing lands outside folder;
// a name the file system refuses is left out. Returns the number of files written.
// Throws qm::Error when a file cannot be written.
std::size_t extractHelpFiles(const HelpFile& help, const std::filesystem::path& folder);

} // namespace qm::viewer
