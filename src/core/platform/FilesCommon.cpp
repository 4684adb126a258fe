// The parts of the file seam both systems share, built on listFolder: std::filesystem's
// folder walks stop at 260 characters on Windows (remove_all then never returns).
#include "platform/Files.h"

#include <algorithm>

namespace qm {
namespace {

void addTree(const std::filesystem::path& folder, std::vector<TreeEntry>& into) {
    std::optional<std::vector<FolderEntry>> entries = listFolder(folder);
    if (!entries)
        return;
    for (FolderEntry& entry : *entries) {
        into.push_back({folder / entry.name, entry.kind});
        if (entry.kind == EntryKind::Folder)
            addTree(folder / entry.name, into);
    }
}

} // namespace

std::vector<TreeEntry> listTree(const std::filesystem::path& folder) {
    std::vector<TreeEntry> entries;
    addTree(folder, entries);
    return entries;
}

std::uintmax_t removeTree(const std::filesystem::path& path) {
    std::error_code ec;
    std::uintmax_t removed = 0;
    if (entryKind(path) == EntryKind::Folder) {
        std::vector<TreeEntry> entries = listTree(path);
        // Deepest first, so that each folder is empty when its turn comes.
        std::sort(entries.begin(), entries.end(),
                  [](const TreeEntry& a, const TreeEntry& b) { return a.path > b.path; });
        for (const TreeEntry& entry : entries)
            removed += std::filesystem::remove(entry.path, ec) ? 1u : 0u;
    }
    return removed + (std::filesystem::remove(path, ec) ? 1u : 0u);
}

} // namespace qm
