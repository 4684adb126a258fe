#pragma once

#include "platform/FileLock.h"

#include <filesystem>

namespace qm {

// Keeps two runs from writing the same project at once, whoever runs them. The lock is
// keyed on the project's files (<dir>/<base>: x.doc and x.docx share it) and held on the
// hidden file <dir>/.<base>.lock beside them, so a killed run's lock goes with it and only
// the project's own folder is involved.
class RunLock {
public:
    // Takes the lock, or throws qm::Error naming the run that holds it. Where no lock file
    // can be made (a folder the run cannot write), the run goes on unguarded and fails
    // where it writes.
    explicit RunLock(const std::filesystem::path& projectRoot);

    static std::filesystem::path lockFileFor(const std::filesystem::path& projectRoot);

private:
    FileLock lock_;
};

} // namespace qm
