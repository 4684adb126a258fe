#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

// LibreOffice's single-instance socket. Each office makes one named after its user
// profile, /tmp/OSL_PIPE_<uid>_SingleOfficeIPC_<hash of the profile's URL> (/var/tmp when
// /tmp cannot be written), and removes it when it ends; an office that is killed leaves
// it behind. TMPDIR does not move it, so the converter removes the socket of each private
// profile it is done with.

// The MD5 digest of the bytes.
std::string md5(std::string_view bytes);

// Where the office run with the profile at profileUrl ("file:///...") keeps its socket,
// in the folder folder (/tmp, or /var/tmp).
std::filesystem::path officePipePath(const std::filesystem::path& folder,
                                     std::string_view profileUrl);

// Removes that socket, in /tmp and /var/tmp, when it is one of ours that no office
// listens on any more; anything else at that name stays. False when an office still
// listens on it (one whose parent was killed may take a moment to follow it).
bool removeOfficePipe(std::string_view profileUrl);

} // namespace qm
