#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Finding a project's files on a case-sensitive disk as Windows would find them.
namespace qm::chm {

// Joins a reference (UTF-8, backslash or slash) to the folder it is relative to
// ('/'-separated, "" for the project's folder; a reference starting with a slash is
// relative to the project's folder itself) and removes "." and ".." steps. The result
// is '/'-separated without a leading slash. nullopt when it climbs out of the
// project's folder or names no file.
std::optional<std::string> joinProjectPath(std::string_view folder, std::string_view reference);

// The folder part of a '/'-separated name ("a/b/c.htm" → "a/b", "c.htm" → "").
std::string folderOf(std::string_view name);

class DiskLookup {
public:
    explicit DiskLookup(std::filesystem::path root);

    // The charset (ICU name) of on-disk names that are not UTF-8: the project's code
    // page, in which a Windows author's files were named.
    void setNameCharset(std::string charset);

    struct Found {
        std::filesystem::path path; // on disk
        std::string name;           // '/'-separated, relative to the root, letter case as on disk
        bool caseAdjusted = false;  // the letter case of the request differed
    };

    // A file by its '/'-separated name relative to the root (as joinProjectPath returns
    // it): the exact name first, then a name that differs only in letter case.
    std::optional<Found> findFile(const std::string& name);

    enum class ReadStatus {
        Read,
        LinkOut,    // a symbolic link on the way leads out of the root
        NotRegular, // a FIFO, a device, a socket: opening or reading it could hang
        Failed,
    };
    struct Content {
        ReadStatus status = ReadStatus::Failed;
        std::string bytes;
    };
    // The bytes of a found file. Symbolic links are followed only as far as they stay
    // inside the root, and only regular files are read; anything else is not opened.
    Content read(const Found& found) const;

private:
    struct Folder {
        bool exists = false;
        std::unordered_map<std::string, bool> entries;         // name → is a folder
        std::unordered_map<std::string, std::string> byFolded; // folded name → name
        std::unordered_map<std::string, std::string> onDisk;   // name → bytes, if not UTF-8
    };
    Folder& folder(const std::string& relative, const std::filesystem::path& disk);

    std::filesystem::path root_;
    std::string nameCharset_;
    std::filesystem::path realRoot_; // no symbolic links in it
    std::unordered_map<std::string, Folder> folders_;
};

} // namespace qm::chm
