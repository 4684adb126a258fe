#pragma once

#include <cstdint>
#include <string>

namespace qm {

struct StructureNode;

// What the heading scan reads from and tells the program while it runs.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // The level limit as typed: "0" (or no number) = every level, "d" = levels up to d.
    virtual std::string levelText() = 0;
    virtual void nodeAdded(const StructureNode&) {}
    virtual void nodeChanged(const StructureNode&) {}
    // Bytes read so far of the total; called at most every ~30 ms and at the end.
    // The front end shows it and handles its pending events here.
    virtual void progress(std::int64_t, std::int64_t) {}
    // "    大概剩余时间：<time>" (GBK), at accepted headings.
    virtual void remainingTime(const std::string&) {}
    // True once the user has asked to stop; tested after every pass of the scan.
    virtual bool aborted() = 0;
};

} // namespace qm
