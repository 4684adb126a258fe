#pragma once

#include "text/ByteSink.h"

#include <cstdint>
#include <cstdio>
#include <memory>

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

private:
    struct Close {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Close> file_;
    std::uint64_t size_ = 0;
};

} // namespace qm::chm
