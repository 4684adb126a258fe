#pragma once

#include "text/ByteSink.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace qm::chm {

// Bytes kept on disk rather than in memory until they are copied on: an anonymous
// temporary file that the system removes when it is closed or the process ends, so
// that nothing is left behind by a compile that fails or is killed.
class SpoolFile : public ByteSink {
public:
    // Throws qm::Error when no temporary file can be created.
    SpoolFile();

    void write(std::string_view bytes) override;
    std::uint64_t size() const { return size_; }
    // Writes everything spooled so far to the sink.
    void copyTo(ByteSink& sink);
    // Appends length bytes from offset (both within what was written) to out.
    void readAt(std::uint64_t offset, std::uint64_t length, std::string& out);

private:
    struct Close {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Close> file_;
    std::uint64_t size_ = 0;
    bool atEnd_ = true; // where the next write goes
};

} // namespace qm::chm
