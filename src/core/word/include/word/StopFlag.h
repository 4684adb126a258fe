#pragma once

#include <atomic>

namespace qm {

// One stop flag for a whole run. The user sets it (closing the window and saying Yes,
// Ctrl-C, SIGTERM); the heading scan, the converter (which ends LibreOffice) and the
// compiler (through its progress callback) read it. Setting it is lock-free, so a
// signal handler may do it.
class StopFlag {
public:
    void set() { stopped_.store(true, std::memory_order_relaxed); }
    void clear() { stopped_.store(false, std::memory_order_relaxed); }
    bool isSet() const { return stopped_.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free);
    std::atomic<bool> stopped_{false};
};

} // namespace qm
