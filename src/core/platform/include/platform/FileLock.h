#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qm {

// An exclusive lock on a file, held while the object lives and released by the system
// when the process dies (flock on POSIX, LockFileEx on Windows). The file is made when
// it is missing (hidden on Windows, readable by every user who can read its folder, so
// that another user's run opens and locks the same file) and never removed: a run can
// never wait on a file that another run removed and made anew. A symbolic link at its
// place is not followed.
class FileLock {
public:
    enum class State {
        Held,        // ours until destruction
        Busy,        // another process holds it
        Unavailable, // the file cannot be made or opened here (the caller goes unguarded)
    };

    explicit FileLock(const std::filesystem::path& file);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    State state() const { return state_; }
    // When Busy: the process id the holder wrote into the file, or "?".
    const std::string& holder() const { return holder_; }

private:
    State state_ = State::Unavailable;
    std::string holder_;
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
};

} // namespace qm
