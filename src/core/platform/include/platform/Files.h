#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The file seam: what the program needs of files beyond std::filesystem. Paths are
// std::filesystem paths (UTF-16 names on Windows, reached through the wide API);
// errors are errno values (ENOENT, EACCES, EISDIR, ...).
namespace qm {

// A regular file opened for reading at any offset. A FIFO or device is refused without
// waiting on it. With AtLink::Refuse a link at the path itself (a symbolic link, on
// Windows any reparse point) is not opened: error() is ELOOP.
enum class AtLink { Follow, Refuse };
class ReadableFile {
public:
    explicit ReadableFile(const std::filesystem::path& path, AtLink atLink = AtLink::Follow);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    bool isOpen() const { return handle_ != -1; }
    // Why it is not open: an errno value; EISDIR for a folder, 0 for a special file.
    int error() const { return error_; }
    std::uint64_t size() const { return size_; }
    // Reads up to count bytes at offset; the count read (0 at the end), or -1.
    std::int64_t readAt(char* buffer, std::size_t count, std::uint64_t offset) const;
    // Where the open file lies now, every link resolved; empty when the system does not
    // say (Windows).
    std::filesystem::path openedPath() const;

private:
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
    int error_ = 0;
    std::uint64_t size_ = 0;
};

// Makes path anew for writing, as a C runtime descriptor that write() and close() take,
// not inherited by child processes; -1 with errno set when it cannot. Whatever was at
// its name (a link left by a killed run or by someone else) is removed, never written
// through.
int openForWriting(const std::filesystem::path& path);

// Writes up to count bytes to a descriptor from openForWriting: how many were written
// (a large count may be taken in part), or -1 with errno set.
std::int64_t writeSome(int fd, const char* bytes, std::size_t count);

// Closes a descriptor from openForWriting: 0, or -1 with errno set (a write the system
// delayed failed: the file may lack bytes).
int closeWritten(int fd);

// Gives the file open at fd the permissions of target when target is a regular file, so
// that a replaced file keeps them (group-writable or read-only stays so). On Windows the
// read-only attribute, its one mode bit, comes along when the file replaces target.
void keepMode(int fd, const std::filesystem::path& target);

// Puts from in place of to, replacing it in one step; 0, or -1 with errno set.
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// What tells one state of a file from another: a document that changed while it was
// being converted, or was replaced by another file, has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds, as fine as the system keeps them

    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// Makes a new folder only we may enter, named prefix + random characters, inside parent;
// its path, or empty.
std::filesystem::path makePrivateFolder(const std::filesystem::path& parent,
                                        const std::string& prefix);

// True when path is a folder (not a link) that our user owns.
bool isOwnFolder(const std::filesystem::path& path);

// A local (Unix-domain) socket of our user at path: none there (or not ours), one that a
// program still listens on (or that cannot be told), or one left by a program that
// ended. Windows programs talk through named pipes, which are not files: none there.
enum class SocketState { Absent, Listening, Dead };
SocketState localSocketState(const std::filesystem::path& path);

// What a folder's entry is, a link not followed: a symbolic link or a Windows junction is
// a Link, whatever it points at (other reparse points, such as files kept in the cloud,
// are the files and folders they stand for).
enum class EntryKind { File, Folder, Link, Other };
struct FolderEntry {
    std::filesystem::path name; // the entry's own name, without its folder
    EntryKind kind = EntryKind::Other;
};

// What is at path, a link there not followed; nothing when nothing is there (or it cannot
// be told). std::filesystem's symlink_status sees no link on Windows: this does.
std::optional<EntryKind> entryKind(const std::filesystem::path& path);

// A folder's entries ("." and ".." aside), in no particular order; nothing when it cannot
// be listed. Windows lists it through the extended-length form of its path (\\?\C:\...),
// so that a folder deeper than 260 characters is listed too.
std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder);

// Everything below folder, each entry with its full path (folder / ...), a folder before
// what it holds; links are listed and not entered. Folders that cannot be listed are
// passed over; empty when folder itself cannot be.
struct TreeEntry {
    std::filesystem::path path;
    EntryKind kind = EntryKind::Other;
};
std::vector<TreeEntry> listTree(const std::filesystem::path& folder);

// Removes path and, when it is a folder, everything in it, never following a link out of
// it; the number of entries removed. What cannot be removed stays.
std::uintmax_t removeTree(const std::filesystem::path& path);

// A path as this system's programs pass it in narrow text: UTF-8 on Linux, the ANSI code
// page on Windows.
std::filesystem::path systemTextPath(const char* text);

// The folder our program was started from, or empty when the system does not say.
std::filesystem::path executableFolder();

} // namespace qm
