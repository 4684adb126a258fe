#include "run/CopyFolder.h"

#include "platform/Files.h"
#include "text/Error.h"
#include "text/OutputFile.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Makes target a real folder; a link in its place is removed, not written through.
bool makeFolder(const fs::path& target) {
    const std::optional<EntryKind> kind = entryKind(target);
    if (kind == EntryKind::Folder)
        return true;
    std::error_code ec;
    if (kind == EntryKind::Link && !fs::remove(target, ec))
        return false;
    return fs::create_directory(target, ec) || entryKind(target) == EntryKind::Folder;
}

struct CopyLists {
    std::vector<fs::path>* skipped;
    std::vector<fs::path>* copied;
    std::string* reason;
};

// Each picture is written whole or not at all, so that a full disk leaves no cut picture
// that looks finished.
bool copyOne(const fs::path& from, const fs::path& to, const CopyLists& lists) {
    try {
        copyFile(from, to);
        return true;
    } catch (const Error& e) {
        if (lists.reason)
            *lists.reason = e.what();
        return false;
    }
}

bool copyInto(const fs::path& source, const fs::path& target, const CopyLists& lists) {
    if (!makeFolder(target))
        return false;
    std::optional<std::vector<FolderEntry>> entries = listFolder(source);
    if (!entries)
        return false;
    for (const FolderEntry& entry : *entries) {
        const fs::path from = source / entry.name;
        const fs::path to = target / entry.name;
        std::error_code ec;
        if (entry.kind == EntryKind::Folder) {
            if (!copyInto(from, to, lists))
                return false;
        } else if (entry.kind == EntryKind::File) {
            // A link at the target would be written through.
            if (entryKind(to) == EntryKind::Link && !fs::remove(to, ec))
                return false;
            if (lists.copied)
                lists.copied->push_back(to);
            if (!copyOne(from, to, lists))
                return false;
        } else if (lists.skipped) {
            lists.skipped->push_back(from); // a link, a FIFO or a device: no picture
        }
    }
    return true;
}

} // namespace

bool copyFolder(const fs::path& source, const fs::path& destination, std::vector<fs::path>* skipped,
                std::vector<fs::path>* copied, std::string* reason) {
    std::error_code ec;
    if (!fs::is_directory(source, ec) || !fs::is_directory(destination, ec))
        return false;
    if (entryKind(source) == EntryKind::Link) {
        if (skipped)
            skipped->push_back(source);
        return true;
    }
    return copyInto(source, destination / source.filename(), {skipped, copied, reason});
}

} // namespace qm
