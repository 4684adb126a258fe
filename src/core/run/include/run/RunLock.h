#pragma once

#include <filesystem>
#include <string>

namespace qm {

// Keeps two runs from writing the same project at once. The lock is keyed on the
// project's files (<dir>/<base>: x.doc and x.docx share it) and held with flock on a
// file in the system's temporary folder, so a killed run's lock goes with it.
class RunLock {
public:
    // Takes the lock, or throws qm::Error naming the run that holds it.
    explicit RunLock(const std::filesystem::path& projectRoot);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace qm
