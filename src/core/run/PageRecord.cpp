#include "run/PageRecord.h"

#include "platform/Files.h"
#include "project/ContextIdMap.h"
#include "text/LinkOnTheWay.h"

#include <algorithm>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Removes a file, never a folder or a link's target.
void removeFile(const fs::path& file) {
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(file, ec)))
        fs::remove(file, ec);
}

} // namespace

void PageRecord::begin(const fs::path& contentFolder, const fs::path& mapFile,
                       std::vector<std::string> earlier) {
    contentFolder_ = contentFolder.lexically_normal();
    mapFile_ = mapFile;
    earlier_ = std::move(earlier);
    written_.clear();
    before_.clear();
    std::error_code ec;
    folderExisted_ = fs::exists(fs::symlink_status(contentFolder, ec));
    if (!fs::is_directory(fs::symlink_status(contentFolder, ec)))
        return;
    for (const TreeEntry& entry : listTree(contentFolder))
        before_.insert(entry.path.lexically_normal());
}

void PageRecord::wrote(const fs::path& file) {
    written_.insert(file.lexically_normal());
}

std::vector<std::string> PageRecord::record(bool withEarlier) const {
    std::vector<std::string> paths;
    for (const fs::path& file : written_) {
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(file, ec)))
            paths.push_back(mapRelativePath(file, mapFile_));
    }
    if (withEarlier)
        paths.insert(paths.end(), earlier_.begin(), earlier_.end());
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

void PageRecord::removeStale() const {
    for (const std::string& recorded : earlier_) {
        const fs::path file = mapRecordedPath(recorded, mapFile_);
        // Only what lies in the content folder: a record edited by hand reaches no further.
        const fs::path inside = file.lexically_relative(contentFolder_);
        if (inside.empty() || *inside.begin() == ".." || written_.count(file) > 0 ||
            linkOnTheWay(contentFolder_, inside))
            continue;
        removeFile(file);
    }
}

void PageRecord::removeNew() const {
    for (const fs::path& file : written_)
        if (before_.count(file) == 0)
            removeFile(file);
    // The folders it made, deepest first, when nothing else is in them.
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(contentFolder_, ec)))
        return;
    std::vector<fs::path> folders;
    for (const TreeEntry& entry : listTree(contentFolder_))
        if (entry.kind == EntryKind::Folder && before_.count(entry.path.lexically_normal()) == 0)
            folders.push_back(entry.path);
    std::sort(folders.rbegin(), folders.rend());
    for (const fs::path& folder : folders)
        fs::remove(folder, ec); // only an empty folder goes
    if (!folderExisted_)
        fs::remove(contentFolder_, ec);
}

} // namespace qm
