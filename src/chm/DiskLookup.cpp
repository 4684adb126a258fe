#include "chm/DiskLookup.h"

#include "chm/TextCodec.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
#endif

// A folder's entries: each name and whether it is a folder; nothing when the folder
// cannot be listed.
using FolderEntries = std::vector<std::pair<std::filesystem::path, bool>>;

#ifdef _WIN32
// Listed through the extended-length form (\\?\C:\...) of the folder's path: a project
// deep in a folder tree lies past MAX_PATH's 260 characters, where the C runtime's
// folder listing behind directory_iterator stops.
std::optional<FolderEntries> listFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::wstring pattern = std::filesystem::absolute(folder, ec).lexically_normal().native();
    if (ec)
        return std::nullopt;
    std::replace(pattern.begin(), pattern.end(), L'/', L'\\');
    if (!pattern.starts_with(L"\\\\?\\"))
        pattern = pattern.starts_with(L"\\\\") ? L"\\\\?\\UNC\\" + pattern.substr(2)
                                               : L"\\\\?\\" + pattern;
    if (!pattern.ends_with(L'\\'))
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FolderEntries entries;
    do {
        const std::wstring_view name = entry.cFileName;
        if (name != L"." && name != L"..")
            entries.emplace_back(std::filesystem::path(name),
                                 (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return entries;
}
#else
std::optional<FolderEntries> listFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator iter(folder, ec);
    if (ec)
        return std::nullopt;
    FolderEntries entries;
    for (; iter != std::filesystem::directory_iterator(); iter.increment(ec)) {
        if (ec)
            break;
        entries.emplace_back(iter->path().filename(), iter->is_directory(ec));
    }
    return entries;
}
#endif

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
    std::optional<FolderEntries> entries = listFolder(relative.empty() ? root_ : root_ / disk);
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
#ifdef _WIN32
    // canonical() resolved every link on the way; the file itself is opened without
    // following a reparse point, so one put there since is not followed out.
    HANDLE file = CreateFileW(real.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return content;
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{file};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return content;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        content.status = ReadStatus::LinkOut;
        return content;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file) != FILE_TYPE_DISK) {
        content.status = ReadStatus::NotRegular;
        return content;
    }
    const std::uint64_t size =
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    std::optional<std::string> bytes =
        readToEnd(size, [&](char* into, std::size_t room) -> std::int64_t {
            DWORD n = 0;
            const auto want = static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30));
            return ReadFile(file, into, want, &n, nullptr) ? static_cast<std::int64_t>(n) : -1;
        });
#else
    struct stat info {};
    if (::stat(real.c_str(), &info) != 0)
        return content;
    if (!S_ISREG(info.st_mode)) {
        content.status = ReadStatus::NotRegular;
        return content;
    }
    // The path may have changed since it was checked: the file is opened without
    // following a link or waiting for a writer, and checked again once open.
    Descriptor fd(::open(real.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0)
        return content;
    if (!S_ISREG(info.st_mode)) {
        content.status = ReadStatus::NotRegular;
        return content;
    }
    const std::filesystem::path opened = std::filesystem::read_symlink(
        std::filesystem::path("/proc/self/fd") / std::to_string(fd.get()), ec);
    if (!ec && !isInside(opened, realRoot_)) {
        content.status = ReadStatus::LinkOut;
        return content;
    }
    const auto readSome = [&](char* into, std::size_t room) -> std::int64_t {
        ssize_t n;
        do
            n = ::read(fd.get(), into, room);
        while (n < 0 && errno == EINTR);
        return n;
    };
    std::optional<std::string> bytes =
        readToEnd(static_cast<std::uint64_t>(info.st_size), readSome);
#endif
    if (!bytes)
        return {};
    content.bytes = std::move(*bytes);
    content.status = ReadStatus::Read;
    return content;
}

} // namespace qm::chm
