#pragma once

#include "ChmReaders.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qm::test {

// The three readers' views of one CHM.
struct AllReaders {
    std::optional<ChmContents> chmlib, mspack, sevenZip;
    std::string mspackError;
};
AllReaders readWithAll(const std::filesystem::path& chm, const std::filesystem::path& scratch);

// Checks that every reader has every expected file ("/name" → bytes on disk) with the
// same bytes; returns a description of each problem (empty: all good).
std::vector<std::string>
compareWithDisk(const AllReaders& readers,
                const std::map<std::string, std::filesystem::path>& expected);

// Copies a sample project folder into folder, without the CHM it ships with, and
// compiles it there with a fixed time stamp; returns the CHM written, or throws with
// the compiler's log.
std::filesystem::path compileSampleCopy(const std::filesystem::path& sample,
                                        const std::string& projectFile,
                                        const std::filesystem::path& folder);

} // namespace qm::test
