#pragma once

#include "text/ByteSink.h"
#include "text/OutputDevice.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qm {

// A file written whole or not at all. The bytes go to a hidden temporary file beside
// the target, which replaces the target only at commit(); a writer that fails (or an
// object destroyed without commit) removes the temporary file and leaves any earlier
// file of that name as it was. So a failed step never leaves a half-written file that
// looks finished.
//
// Creating the temporary file fails with "Cannot create file <target>"; a write, the
// close or the final rename fails with "Cannot write file <target>"; each message ends
// with the system's reason (see Error.h). The bytes go through device (see
// OutputDevice.h), which must outlive the object.
class OutputFile : public ByteSink {
public:
    explicit OutputFile(std::filesystem::path target, OutputDevice& device = outputDevice());
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes) override;
    void commit();

private:
    void flush();
    void writeOut(std::string_view bytes);
    [[noreturn]] void fail(int error);

    void discard();

    OutputDevice& device_;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    std::string buffer_;
};

// Writes a list of GBK lines as one file, every item followed by CR LF.
void saveLines(const std::filesystem::path& path, const std::vector<std::string>& lines);
void writeLines(ByteSink& sink, const std::vector<std::string>& lines);

// Writes the bytes as one file.
void saveBytes(const std::filesystem::path& path, std::string_view bytes);

// Copies the regular file from to to, whole or not at all, as an OutputFile writes; a
// file that cannot be read raises "Cannot open file <from>" with the system's reason.
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace qm
