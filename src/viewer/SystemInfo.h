#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::viewer {

// What a CHM's #SYSTEM file says about the help: the texts are bytes in the CHM's code
// page, as the compiler wrote them, without their terminating zero; empty when absent.
struct SystemInfo {
    std::string contentsFile; // the .hhc inside the CHM, e.g. "manual.hhc"
    std::string indexFile;    // the .hhk
    std::string defaultTopic; // the page the help opens with
    std::string title;
    std::optional<std::uint32_t> lcid; // the language identifier, which names the code page
};

// Reads the records of #SYSTEM. Never fails: a record that runs past the end ends the
// reading, and what came before it stands.
SystemInfo parseSystemFile(std::string_view bytes);

} // namespace qm::viewer
