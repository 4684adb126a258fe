#pragma once

#include <filesystem>

namespace qm::test {

// The folder of real documents beside the repository (../shared/samples), or an empty
// path when it is absent.
std::filesystem::path samplesDir();

// The folder of the build, where the programs and the compiler library are.
std::filesystem::path binaryDir();

// The repository's own folder.
std::filesystem::path sourceDir();

// The message of a test skipped because the shared samples are absent.
inline constexpr const char* kNoSamples = "../shared/samples is absent; real-document test skipped";

} // namespace qm::test
