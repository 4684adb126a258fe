#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace qm::ui {

class SettingsStore;

// The files opened lately, newest first. An entry is what one opening took: a single
// document, a CHM shown in the help viewer, or the run of documents opened together,
// which comes back together. At most kEntries entries are kept.
class RecentList {
public:
    using Entry = std::vector<std::filesystem::path>; // never empty
    static constexpr std::size_t kEntries = 8;

    const std::vector<Entry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    // Puts files first as one entry; an entry of the same files (in any order) goes.
    void add(const Entry& files);
    // The entry of exactly these files (in any order) goes; false when there is none.
    bool remove(const Entry& files);
    void clear() { entries_.clear(); }

    // Reads what the window stored, also a list that earlier versions wrote (one file a
    // line, each a single entry); writes the entries and, for those versions, their files.
    void load(SettingsStore& store);
    void save(SettingsStore& store) const;

    // How a menu names an entry (UTF-8): a single file by its path, a batch by its first
    // file and the count ("a.doc 等 3 个文件").
    static std::string caption(const Entry& files);
    // Every file of the entry, one a line (UTF-8), for a tooltip; a long batch is cut
    // after its first files with the count of the rest.
    static std::string details(const Entry& files);

private:
    std::vector<Entry> entries_;
};

// A list of paths as lines (UTF-8), at most `shown` of them, then "…… 另有 N 个文件".
std::string pathLines(const std::vector<std::filesystem::path>& files, std::size_t shown);

} // namespace qm::ui
