#include "viewer/HelpExtraction.h"

#include "text/Error.h"
#include "text/Gbk.h"
#include "text/Utf8Path.h"
#include "viewer/LinkTarget.h"

#include <fstream>

namespace qm::viewer {

std::size_t extractHelpFiles(const HelpFile& help, const std::filesystem::path& folder) {
    std::size_t written = 0;
    for (const std::string& name : help.source().names()) {
        if (name.size() < 2 || name[0] != '/' || name[1] == '#' || name[1] == '$')
            continue; // the container's own files
        // normalizePath leaves no "..": the file stays inside folder.
        const std::filesystem::path target = folder / text::utf8Path(normalizePath(name).substr(1));
        const std::optional<std::string> bytes = help.source().read(name);
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        if (!bytes || error)
            continue;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out)
            continue;
        out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
        if (!out.flush())
            throwCannotWrite(gbk::fromPath(target));
        ++written;
    }
    return written;
}

} // namespace qm::viewer
