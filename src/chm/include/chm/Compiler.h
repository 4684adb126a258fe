#pragma once

#include "chm/Messages.h"

#include <cstdint>
#include <filesystem>
#include <optional>

// The CHM compiler's C++ interface: what HHA_CompileHHP and quillmark-hhc run.
namespace qm::chm {

struct CompileOptions {
    // The moment the CHM records (seconds since 1970). Unset: the SOURCE_DATE_EPOCH
    // environment variable when it holds a number, else the current time. The same
    // project compiled with the same time stamp gives the same bytes.
    std::optional<std::int64_t> timestamp;
    // Where to write the CHM instead of the project's "Compiled file".
    std::filesystem::path output;
    // Threads for the compression; 0: one per core. The bytes do not depend on it.
    unsigned threads = 0;
    // Messages in UTF-8 instead of the project's code page.
    bool utf8Messages = false;
    // The language of the messages.
    Language language = Language::English;
};

struct CompileResult {
    bool written = false;      // the CHM is in place
    std::filesystem::path chm; // where it is (or would have been)
    int files = 0;             // files stored, the compiler's own not counted
    int topics = 0;
    int warnings = 0;
    int localLinks = 0;            // hyperlinks of the pages to local files
    int internetLinks = 0;         // and to the internet
    int graphics = 0;              // pictures stored
    std::uint64_t sourceBytes = 0; // bytes of the files stored, as read
    std::uint64_t size = 0;        // bytes of the CHM
};

// Compiles an HTML Help Workshop project (.hhp) into the CHM its "Compiled file" names
// (relative to the project's folder; one outside that folder is written there with a
// warning). The CHM replaces an existing file only when that file is a CHM and none of
// the project's own files (the .hhp, a page, the contents, an included header);
// otherwise the compile fails and the file stays as it was. Sends a progress line per file (and
// again while a large file is indexed and compressed) and a log line per warning, and a closing
// line with the counts. Files reached through a symbolic link out of the project's
// folder, and files that are not regular, are left out with a warning. The CHM is
// written under a temporary name and renamed into place only when complete, so a
// failed or stopped compile leaves an earlier CHM as it was. Never throws: failures
// are logged as errors and give written == false.
CompileResult compileProject(const std::filesystem::path& project, CompileListener& listener,
                             const CompileOptions& options = {});

} // namespace qm::chm
