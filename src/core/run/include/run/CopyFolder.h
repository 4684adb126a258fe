#pragma once

#include <filesystem>
#include <vector>

namespace qm {

// Copies the folder with all its files and subfolders into destination, as the
// subfolder destination/<name of source>, overwriting files without asking.
// Symbolic links are never followed, so that a link in Word's pictures folder cannot
// bring a file from elsewhere into the help: each is left out and, when skipped is
// given, added to it. Other files that are not regular (FIFOs, devices) are left out
// and added to it too. Each file written (or tried) is added to copied when it is given. Returns
// false on any failure.
bool copyFolder(const std::filesystem::path& source, const std::filesystem::path& destination,
                std::vector<std::filesystem::path>* skipped = nullptr,
                std::vector<std::filesystem::path>* copied = nullptr);

} // namespace qm
