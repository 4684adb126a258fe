#pragma once

#include "run/FileReport.h"

#include <string>

namespace qm::cli {

// One file's report as one line of JSON (JSON Lines, for build pipelines): source, the
// outcome ("done", "failed", "no-chm", "incomplete", "interrupted"), the reason
// when it failed or has no complete CHM, outputs, topics, pictures, warnings, chm_size, seconds.
// Paths and texts in UTF-8; bytes that are not UTF-8 become U+FFFD.
std::string jsonLine(const FileReport& report);

} // namespace qm::cli
