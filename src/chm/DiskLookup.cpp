#include "chm/DiskLookup.h"

#include "chm/TextCodec.h"
#include "platform/Files.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

namespace qm::chm {
namespace {

bool isInside(const std::filesystem::path& path, const std::filesystem::path& root) {
    return !root.empty() &&
           std::mismatch(root.begin(), root.end(), path.begin(), path.end()).first == root.end();
}

// Everything a file has, read at the size it had when opened, so that a large file is
// not copied as the string grows; what the size did not tell is read after it.
// readSome(into, room) gives the bytes it read, 0 at the end, or -1 on failure.
template <class ReadSome>
std::optional<std::string> readToEnd(std::uint64_t size, ReadSome readSome) {
    std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const std::int64_t n = readSome(bytes.data() + used, bytes.size() - used);
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

// A folder's entries: each name and whether it is a folder (a link to one counts);
// nothing when the folder cannot be listed.
using FolderEntries = std::vector<std::pair<std::filesystem::path, bool>>;

std::optional<FolderEntries> folderEntries(const std::filesystem::path& folder) {
    std::optional<std::vector<FolderEntry>> listed = listFolder(folder);
    if (!listed)
        return std::nullopt;
    FolderEntries entries;
    for (FolderEntry& entry : *listed) {
        std::error_code ec;
        const bool isFolder = entry.kind == EntryKind::Folder ||
                              (entry.kind == EntryKind::Link &&
                               std::filesystem::is_directory(folder / entry.name, ec));
        entries.emplace_back(std::move(entry.name), isFolder);
    }
    return entries;
}

} // namespace

std::optional<std::string> joinProjectPath(std::string_view folder, std::string_view reference) {
    std::string ref(reference);
    for (char& c : ref)
        if (c == '\\')
            c = '/';
    std::vector<std::string> parts;
    auto push = [&](std::string_view path) -> bool {
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t slash = path.find('/', start);
            std::string_view part = path.substr(
                start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
            if (part == "..") {
                if (parts.empty())
                    return false;
                parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.emplace_back(part);
            }
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
        return true;
    };
    if (ref.empty() || ref.front() != '/') {
        if (!push(folder))
            return std::nullopt;
    }
    if (!push(ref) || parts.empty())
        return std::nullopt;
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined.push_back('/');
        joined += part;
    }
    return joined;
}

std::string folderOf(std::string_view name) {
    std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash));
}

DiskLookup::DiskLookup(std::filesystem::path root) : root_(std::move(root)) {
    std::error_code ec;
    realRoot_ = std::filesystem::weakly_canonical(std::filesystem::absolute(root_, ec), ec);
}

void DiskLookup::setNameCharset(std::string charset) {
    nameCharset_ = std::move(charset);
    folders_.clear();
}

DiskLookup::Folder& DiskLookup::folder(const std::string& relative,
                                       const std::filesystem::path& disk) {
    auto [it, inserted] = folders_.try_emplace(relative);
    Folder& f = it->second;
    if (!inserted)
        return f;
    std::optional<FolderEntries> entries = folderEntries(relative.empty() ? root_ : root_ / disk);
    if (!entries)
        return f;
    f.exists = true;
    for (const auto& [fileName, isFolder] : *entries) {
        std::string name = text::utf8Text(fileName);
        if (!isValidUtf8(name) && !nameCharset_.empty()) {
            std::string utf8 = TextCodec(nameCharset_).toUtf8(name);
            f.onDisk.emplace(utf8, std::move(name));
            name = std::move(utf8);
        }
        f.entries.emplace(name, isFolder);
        f.byFolded.emplace(foldCase(name), name);
    }
    return f;
}

std::optional<DiskLookup::Found> DiskLookup::findFile(const std::string& name) {
    Found found;
    std::string current;
    std::filesystem::path disk;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = name.find('/', start);
        bool last = slash == std::string::npos;
        std::string part = name.substr(start, last ? std::string::npos : slash - start);
        Folder& f = folder(current, disk);
        if (!f.exists || part.empty())
            return std::nullopt;
        std::string actual;
        auto exact = f.entries.find(part);
        if (exact != f.entries.end() && exact->second == !last) {
            actual = part;
        } else {
            auto folded = f.byFolded.find(foldCase(part));
            if (folded == f.byFolded.end() || f.entries[folded->second] != !last)
                return std::nullopt;
            actual = folded->second;
            found.caseAdjusted = true;
        }
        auto raw = f.onDisk.find(actual);
        disk /= text::utf8Path(raw == f.onDisk.end() ? actual : raw->second);
        current = current.empty() ? actual : current + "/" + actual;
        if (last)
            break;
        start = slash + 1;
    }
    found.name = current;
    found.path = root_ / disk;
    return found;
}

DiskLookup::Content DiskLookup::read(const Found& found) const {
    Content content;
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(found.path, ec);
    if (ec)
        return content;
    if (!isInside(real, realRoot_)) {
        content.status = ReadStatus::LinkOut;
        return content;
    }
    // canonical() resolved every link on the way; the file itself is opened without
    // following a link or waiting for a writer, so that one put there since is not
    // followed out, and where it lies is checked again once open.
    const ReadableFile file(real, AtLink::Refuse);
    if (!file.isOpen()) {
        if (file.error() == ELOOP)
            content.status = ReadStatus::LinkOut;
        else if (file.error() == EISDIR || file.error() == 0)
            content.status = ReadStatus::NotRegular;
        return content;
    }
    const std::filesystem::path opened = file.openedPath();
    if (!opened.empty() && !isInside(opened, realRoot_)) {
        content.status = ReadStatus::LinkOut;
        return content;
    }
    std::uint64_t offset = 0;
    std::optional<std::string> bytes =
        readToEnd(file.size(), [&](char* into, std::size_t room) -> std::int64_t {
            const std::int64_t n = file.readAt(into, room, offset);
            offset += n > 0 ? static_cast<std::uint64_t>(n) : 0;
            return n;
        });
    if (!bytes)
        return {};
    content.bytes = std::move(*bytes);
    content.status = ReadStatus::Read;
    return content;
}

} // namespace qm::chm
