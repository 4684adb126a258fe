#include "viewer/ChmArchive.h"

#include "text/Error.h"
#include "text/Gbk.h"

#include <chm_lib.h>

namespace qm::viewer {

namespace {

// A file claiming more than this is taken as damage, not allocated.
constexpr LONGUINT64 kLargestFile = 512ull << 20;

int collectName(chmFile*, chmUnitInfo* info, void* context) {
    std::string name = info->path;
    if (!name.empty() && name.back() != '/')
        static_cast<std::vector<std::string>*>(context)->push_back(std::move(name));
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

ChmArchive::ChmArchive(const std::filesystem::path& path) {
    file_ = chm_open(path.c_str());
    if (!file_)
        throwCannotOpen(gbk::fromPath(path));
}

ChmArchive::~ChmArchive() {
    if (file_)
        chm_close(file_);
}

std::optional<std::string> ChmArchive::read(const std::string& name) const {
    chmUnitInfo info{};
    if (name.size() > CHM_MAX_PATHLEN ||
        chm_resolve_object(file_, name.c_str(), &info) != CHM_RESOLVE_SUCCESS ||
        info.length > kLargestFile)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(info.length), '\0');
    if (info.length == 0)
        return bytes;
    const LONGINT64 got =
        chm_retrieve_object(file_, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(info.length));
    if (got != static_cast<LONGINT64>(info.length))
        return std::nullopt;
    return bytes;
}

std::vector<std::string> ChmArchive::names() const {
    std::vector<std::string> out;
    chm_enumerate(file_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  collectName, &out);
    return out;
}

} // namespace qm::viewer
