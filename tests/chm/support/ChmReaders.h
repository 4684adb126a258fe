#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

// The judges: CHM readers this project did not write, driven from the tests.
namespace qm::test {

// Name (as the reader reports it, "/..." or "::DataSpace/...") → content.
using ChmContents = std::map<std::string, std::string>;

// chmlib: every object chm_enumerate lists (folders left out), read with
// chm_retrieve_object. nullopt when chm_open fails.
std::optional<ChmContents> readWithChmlib(const std::filesystem::path& chm);
// chmlib's chm_resolve_object + chm_retrieve_object for one name (its lookup ignores
// ASCII case).
std::optional<std::string> chmlibLookup(const std::filesystem::path& chm, const std::string& name);

// libmspack's strict CHM reader: opens the file (failing on any format error), and
// extracts every file and system file. error receives libmspack's complaint.
std::optional<ChmContents> readWithMspack(const std::filesystem::path& chm,
                                          std::string* error = nullptr);
// libmspack's fast_find (binary search through PMGI and quick-reference tables) and an
// extraction of what it finds.
std::optional<std::string> mspackLookup(const std::filesystem::path& chm, const std::string& name);

// 7-Zip (the 7zz command): extracts everything into scratch and reads it back; names
// get a leading '/' like the other readers'. nullopt when 7zz fails or is absent.
std::optional<ChmContents> readWith7zip(const std::filesystem::path& chm,
                                        const std::filesystem::path& scratch);

// Runs a shell command; returns its exit status and fills output with stdout+stderr.
int runCommand(const std::string& command, std::string* output = nullptr);
std::string shellQuote(const std::string& text);

} // namespace qm::test
