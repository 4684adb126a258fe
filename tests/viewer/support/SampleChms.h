#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The CHMs the viewer's tests read: ours of every sample project (shared/samples/hhp),
// compiled by build/quillmark-hhc once per test program, Microsoft's Othello.chm, and
// chmcmd's of the same project when Free Pascal's chmcmd is installed.
namespace qm::test {

struct SampleChm {
    std::string name; // the sample's folder; "Othello.chm (Microsoft)" for theirs
    std::filesystem::path chm;
    std::filesystem::path project; // the .hhp it was compiled from
    bool ours = true;
};

// Empty when ../shared is absent. A project the compiler fails on fails the test that
// asked (ADD_FAILURE) and is left out.
const std::vector<SampleChm>& sampleChms();

// The one of that name, or nullptr.
const SampleChm* sampleChm(const std::string& name);

} // namespace qm::test
