#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace qm {

// What OutputFile writes through: the system's files, or in a test a device that fails
// as a full or broken disk does. Each call follows the system's convention: a failure
// returns -1 with errno set to why. Paths are std::filesystem paths.
class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    // Makes temp anew for writing, with the permissions of target when target is a
    // regular file; a handle for write() and close().
    virtual int create(const std::filesystem::path& temp, const std::filesystem::path& target) = 0;
    // Writes up to count bytes; how many were taken, or -1.
    virtual std::int64_t write(int handle, const char* bytes, std::size_t count) = 0;
    // Closes the handle; a failure here (a late write error) means the bytes may be lost.
    virtual int close(int handle) = 0;
    // Puts from in place of to in one step.
    virtual int replace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

// The system's files.
OutputDevice& diskDevice();

// The device every OutputFile writes through unless it is given one: the disk, or the
// one a ScopedOutputDevice has put in its place.
OutputDevice& outputDevice();

// Puts device in the place of the disk for every OutputFile made while it lives (a test
// fills the disk under a whole run this way), then puts back what was there. Scopes
// nest; they are made and ended while no file is being written. A compiler library
// loaded at run time (libhha.so) has its own: it keeps writing to the disk.
class ScopedOutputDevice {
public:
    explicit ScopedOutputDevice(OutputDevice& device);
    ~ScopedOutputDevice();
    ScopedOutputDevice(const ScopedOutputDevice&) = delete;
    ScopedOutputDevice& operator=(const ScopedOutputDevice&) = delete;

private:
    OutputDevice* previous_;
};

} // namespace qm
