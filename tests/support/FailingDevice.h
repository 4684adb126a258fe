#pragma once

#include "text/OutputDevice.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <string>

namespace qm::test {

// A disk that fails under one file, as a disk that fills up or breaks during a run: the
// file named name (a UTF-8 file name, any folder) takes `after` bytes, then every write
// fails with error; or, with step Close or Rename, its bytes all go down and its close
// or the rename that puts it in place fails. Other files go to disk as usual.
class FailingDevice : public OutputDevice {
public:
    enum class Step { Write, Close, Rename };
    FailingDevice(std::string name, Step step, std::uint64_t after = 0, int error = ENOSPC);

    int create(const std::filesystem::path& temp, const std::filesystem::path& target) override;
    std::int64_t write(int handle, const char* bytes, std::size_t count) override;
    int close(int handle) override;
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override;

    // Whether the file was written and the device failed it.
    bool failed() const { return failed_; }

private:
    bool watched(const std::filesystem::path& target) const;
    int failWith();

    std::string name_;
    Step step_;
    std::uint64_t after_;
    int error_;
    std::map<int, std::uint64_t> written_; // the watched file's handles, bytes taken
    bool failed_ = false;
};

} // namespace qm::test
