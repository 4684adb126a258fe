#include "BodySlice.h"

#include "split/BodyExtractor.h"
#include "support/TempDir.h"

#include <memory>

namespace qm::test {

std::string bodySlice(const std::filesystem::path& page) {
    std::unique_ptr<ReadStream> stream;
    std::filesystem::path workFile;
    extractBody(stream, page, workFile, true);
    stream.reset();
    if (workFile.empty())
        return {};
    std::string slice = readFile(workFile);
    std::filesystem::remove(workFile);
    return slice;
}

} // namespace qm::test
