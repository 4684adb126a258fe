#include "text/OutputDevice.h"

#include "platform/Files.h"

#include <atomic>

namespace qm {
namespace {

class DiskDevice : public OutputDevice {
public:
    int create(const std::filesystem::path& temp, const std::filesystem::path& target) override {
        const int fd = openForWriting(temp);
        if (fd >= 0)
            keepMode(fd, target);
        return fd;
    }
    std::int64_t write(int handle, const char* bytes, std::size_t count) override {
        return writeSome(handle, bytes, count);
    }
    int close(int handle) override { return closeWritten(handle); }
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return replaceFile(from, to);
    }
};

// Read by writers on the run's thread, set by tests before the run starts.
std::atomic<OutputDevice*> installed{nullptr};

} // namespace

OutputDevice& diskDevice() {
    static DiskDevice disk;
    return disk;
}

OutputDevice& outputDevice() {
    OutputDevice* device = installed.load();
    return device ? *device : diskDevice();
}

ScopedOutputDevice::ScopedOutputDevice(OutputDevice& device)
    : previous_(installed.exchange(&device)) {}

ScopedOutputDevice::~ScopedOutputDevice() {
    installed.store(previous_);
}

} // namespace qm
