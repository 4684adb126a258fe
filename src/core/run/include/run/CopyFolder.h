#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// Copies the folder with all its files and subfolders into destination, as the
// subfolder destination/<name of source>, overwriting files without asking.
// Symbolic links are never followed, so that a link in Word's pictures folder cannot
// bring a file from elsewhere into the help: each is left out and, when skipped is
// given, added to it. Other files that are not regular (FIFOs, devices) are left out
// and added to it too. Each file written (or tried) is added to copied when it is given. Each
// file is replaced whole or not at all (see OutputFile). Returns false on any failure; when
// a file could not be copied and reason is given, it receives the GBK message that says
// which and why.
bool copyFolder(const std::filesystem::path& source, const std::filesystem::path& destination,
                std::vector<std::filesystem::path>* skipped = nullptr,
                std::vector<std::filesystem::path>* copied = nullptr,
                std::string* reason = nullptr);

} // namespace qm
