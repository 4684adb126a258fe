#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// What became of one file of a run, for front ends that report file by file (the
// command line's --json). Texts are GBK.
struct FileReport {
    enum class Outcome { Done, Failed, NoChm, Interrupted };
    Outcome outcome = Outcome::Done;
    std::filesystem::path source;
    std::vector<std::filesystem::path> outputs; // files and folders written, in order
    std::size_t topics = 0;
    std::size_t pictures = 0;              // files of the pictures folder copied
    std::vector<std::string> warnings;     // the compiler's among them
    std::optional<std::uintmax_t> chmSize; // bytes of the finished CHM
    double seconds = 0;
};

} // namespace qm
