#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// Where writers put their bytes: a file on disk, memory in tests, or a sink that fails.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends the bytes; throws qm::Error when they cannot be written.
    virtual void write(std::string_view bytes) = 0;
};

class MemorySink : public ByteSink {
public:
    void write(std::string_view bytes) override { data_.append(bytes); }
    const std::string& data() const { return data_; }

private:
    std::string data_;
};

} // namespace qm
