#include "WorkFolder.h"

#include "PagePlacement.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <string>
#include <vector>

namespace qm {
namespace fs = std::filesystem;

fs::path makeWorkFolder(std::string_view prefix,
                        const std::function<bool(const fs::path&)>& released) {
    try {
        const fs::path temp = fs::temp_directory_path();
        std::vector<fs::path> dead;
        std::error_code ec;
        for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec))
            if (leftByDeadProcess(it->path(), prefix))
                dead.push_back(it->path());
        for (const fs::path& folder : dead)
            if (!released || released(folder))
                removeTree(folder);
        return makePrivateFolder(temp,
                                 std::string(prefix) + std::to_string(currentProcessId()) + "-");
    } catch (...) {
        return {};
    }
}

} // namespace qm
