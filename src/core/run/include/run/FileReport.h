#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// A context ID that a run gave or retired: "IDH_12", the number HelpID.h gives it and
// the topic's key ("安装 / 系统要求", UTF-8 as the ID map keeps it).
struct ContextIdChange {
    std::string name;
    std::string number;
    std::string topic;
};

// How the context IDs fared against the map of the run before.
struct ContextIdChanges {
    std::size_t kept = 0;
    std::vector<ContextIdChange> added;
    std::vector<ContextIdChange> retired;
};

// What became of one file of a run, for front ends that report file by file (the
// command line's --json). Texts are GBK unless said otherwise.
struct FileReport {
    // Incomplete: a CHM is on disk, but it lacks pages the project lists (or cannot be read
    // back to tell); outputs name it and chmSize gives its size.
    enum class Outcome { Done, Failed, NoChm, Incomplete, Interrupted };
    Outcome outcome = Outcome::Done;
    std::filesystem::path source;
    std::string reason; // why the file failed or has no complete CHM; empty when done
    // Files and folders written, in order; only those on disk when the file is done with.
    std::vector<std::filesystem::path> outputs;
    std::size_t topics = 0;
    std::size_t pictures = 0;                   // files of the pictures folder copied
    std::vector<std::string> warnings;          // the compiler's among them
    std::optional<std::uintmax_t> chmSize;      // bytes of the CHM on disk (Done, Incomplete)
    std::optional<ContextIdChanges> contextIds; // when an earlier ID map was read
    // The file's own time, its share of the run's Word conversion included (a batch that
    // converts several documents at once is shared by their sizes).
    double seconds = 0;
};

} // namespace qm
