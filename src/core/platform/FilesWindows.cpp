#include "platform/Files.h"

#include "ExtendedPath.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <sys/stat.h>

namespace qm {
namespace {

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

} // namespace

std::wstring extendedPath(const std::filesystem::path& path) {
    const std::wstring& given = path.native();
    if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\"))
        return given;
    const DWORD room = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (given.empty() || room == 0)
        return given;
    std::wstring full(room, L'\0');
    const DWORD n = GetFullPathNameW(given.c_str(), room, full.data(), nullptr);
    if (n == 0 || n >= room)
        return given;
    full.resize(n);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

ReadableFile::ReadableFile(const std::filesystem::path& path, AtLink atLink) {
    // Shared for writing and deleting too: a document open in the user's own program is
    // still read.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (atLink == AtLink::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE h = CreateFileW(extendedPath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = errnoOf(GetLastError());
        return;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    // Files kept in the cloud are reparse points too: only a refused link counts as one.
    const DWORD ignored = atLink == AtLink::Refuse ? 0 : DWORD{FILE_ATTRIBUTE_REPARSE_POINT};
    const DWORD attributes = known ? info.dwFileAttributes & ~ignored : 0;
    if (!known || GetFileType(h) != FILE_TYPE_DISK ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        error_ = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ELOOP
                 : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? EISDIR
                                                                  : 0;
        CloseHandle(h);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

ReadableFile::~ReadableFile() {
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::int64_t ReadableFile::readAt(char* buffer, std::size_t count, std::uint64_t offset) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<std::int64_t>(got);
}

std::filesystem::path ReadableFile::openedPath() const {
    return {};
}

// Windows names files in UTF-16: the wide calls keep every character of a path.
int openForWriting(const std::filesystem::path& path) {
    return ::_wopen(extendedPath(path).c_str(),
                    _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

// _write() takes an unsigned int count.
std::int64_t writeSome(int fd, const char* bytes, std::size_t count) {
    return ::_write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}

int closeWritten(int fd) {
    return ::_close(fd);
}

void keepMode(int, const std::filesystem::path&) {}

// rename() will not replace an existing file there.
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(extendedPath(from).c_str(), extendedPath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    HANDLE h = CreateFileW(extendedPath(path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return std::nullopt;
    auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                        join(info.nFileSizeHigh, info.nFileSizeLow),
                        static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                       info.ftLastWriteTime.dwLowDateTime)) *
                            100};
}

// The user's own temporary folder is private to them already.
std::filesystem::path makePrivateFolder(const std::filesystem::path& parent,
                                        const std::string& prefix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 8; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        std::filesystem::path folder = parent / name;
        if (CreateDirectoryW(extendedPath(folder).c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return {};
}

bool isOwnFolder(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

SocketState localSocketState(const std::filesystem::path&) {
    return SocketState::Absent;
}

namespace {

// A symbolic link or a junction is a link; other reparse points (files kept in the cloud,
// deduplicated ones) are the files and folders they stand for. Wine shows a Unix link to
// a folder as a reparse point without a tag: a link too.
EntryKind kindOf(const WIN32_FIND_DATAW& found) {
    const DWORD attributes = found.dwFileAttributes;
    const DWORD tag = found.dwReserved0;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == 0))
        return EntryKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
}

} // namespace

std::optional<EntryKind> entryKind(const std::filesystem::path& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(extendedPath(path).c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        // A drive's root is no entry of a folder.
        const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
    }
    FindClose(find);
    return kindOf(found);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder) {
    std::wstring pattern = extendedPath(folder);
    if (!pattern.ends_with(L'\\'))
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<FolderEntry> entries;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({std::filesystem::path(std::wstring(name)), kindOf(found)});
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return entries;
}

std::filesystem::path systemTextPath(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return std::filesystem::path(wide);
}

std::filesystem::path executableFolder() {
    std::wstring name(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0 || n >= name.size())
        return {};
    name.resize(n);
    return std::filesystem::path(name).parent_path();
}

} // namespace qm
