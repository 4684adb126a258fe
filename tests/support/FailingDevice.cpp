#include "support/FailingDevice.h"

#include <algorithm>

namespace qm::test {

FailingDevice::FailingDevice(std::string name, Step step, std::uint64_t after, int error)
    : name_(std::move(name)), step_(step), after_(after), error_(error) {}

bool FailingDevice::watched(const std::filesystem::path& target) const {
    const std::u8string name = target.filename().u8string();
    return std::string(name.begin(), name.end()) == name_;
}

int FailingDevice::failWith() {
    failed_ = true;
    errno = error_;
    return -1;
}

int FailingDevice::create(const std::filesystem::path& temp, const std::filesystem::path& target) {
    const int handle = diskDevice().create(temp, target);
    if (handle >= 0 && watched(target))
        written_[handle] = 0;
    return handle;
}

std::int64_t FailingDevice::write(int handle, const char* bytes, std::size_t count) {
    auto file = written_.find(handle);
    if (file == written_.end() || step_ != Step::Write)
        return diskDevice().write(handle, bytes, count);
    // As a disk that fills up: what still fits is taken, the next write fails.
    const std::uint64_t room = after_ - std::min(after_, file->second);
    if (room == 0)
        return failWith();
    const std::int64_t n = diskDevice().write(
        handle, bytes, static_cast<std::size_t>(std::min<std::uint64_t>(count, room)));
    if (n > 0)
        file->second += static_cast<std::uint64_t>(n);
    return n;
}

int FailingDevice::close(int handle) {
    const bool watchedFile = written_.erase(handle) > 0;
    const int closed = diskDevice().close(handle);
    return watchedFile && step_ == Step::Close ? failWith() : closed;
}

int FailingDevice::replace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (watched(to) && step_ == Step::Rename)
        return failWith();
    return diskDevice().replace(from, to);
}

} // namespace qm::test
