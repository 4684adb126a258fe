#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm::cli {

// The command line, parsed into the settings the window holds.
struct CliOptions {
    std::vector<std::filesystem::path> files; // absolute paths, in the order given
    std::optional<std::string> title;         // GBK; set = no automatic title
    bool autoTitle = true;
    std::string level = "0";
    bool defaultHeader = false;
    std::optional<std::filesystem::path> prefixFile;
    std::optional<std::filesystem::path> suffixFile;
    std::optional<std::filesystem::path> addcodeFile;
    std::filesystem::path outputFolder; // empty: beside each source
    bool renumber = false;
    bool numberedNames = false; // pages named by their context numbers
    bool replace = false;       // a project another document made may be replaced
    bool compile = true;
    bool quiet = false;
    bool json = false; // a line of JSON per file instead of the summary
    bool help = false;
    bool version = false;
};

struct ParseResult {
    CliOptions options;
    std::string error; // empty when the command line is usable
};

ParseResult parseCommandLine(const std::vector<std::string>& args);

// The usage text (UTF-8).
std::string usageText();

} // namespace qm::cli
