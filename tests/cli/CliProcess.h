#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qm::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program of the build with arguments (no shell), capturing its output.
// asNobody drops root's rights first, so that folder permissions apply.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         bool asNobody = false);

} // namespace qm::test
