#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The names a CHM's directory lists, as stored (UTF-8: "/page.htm", "/folder/",
// "::DataSpace/..."), in the order of its listing chunks: the ITSF header leads to the
// ITSP directory header, whose chain of PMGL chunks holds the entries. Used to check
// a compiled CHM against its project, so it trusts nothing it reads: nullopt when the
// file cannot be read, is no CHM, or is cut short or damaged anywhere on the way.
std::optional<std::vector<std::string>> readChmDirectory(const std::filesystem::path& chm);

} // namespace qm
