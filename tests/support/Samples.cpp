#include "support/Samples.h"

namespace qm::test {

std::filesystem::path samplesDir() {
    std::filesystem::path dir = std::filesystem::path(QM_SHARED_DIR) / "samples";
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

std::filesystem::path binaryDir() {
    return QM_BINARY_DIR;
}

std::filesystem::path sourceDir() {
    return QM_SOURCE_DIR;
}

} // namespace qm::test
