#pragma once

#include "viewer/ChmSource.h"

#include <filesystem>
#include <memory>

struct chmFile;

namespace qm::viewer {

// A CHM on disk read through chmlib. Not safe for use from two threads at once.
class ChmArchive : public ChmSource {
public:
    // Throws qm::Error ("Cannot open file <path>", GBK) when chmlib cannot open it as a CHM.
    explicit ChmArchive(const std::filesystem::path& path);
    ~ChmArchive() override;
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    std::optional<std::string> read(const std::string& name) const override;
    std::vector<std::string> names() const override;

private:
    chmFile* file_ = nullptr;
};

} // namespace qm::viewer
