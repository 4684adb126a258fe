#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace qm {

// Our own record of the files a run writes into a project's content folder (the topic
// pages and the copied pictures), kept in the project's ID map, so that the next run can
// tell its own leftovers from the user's files:
// - once a run completes, the files the earlier run recorded and this one did not write
//   (the page of a renamed heading, a picture gone from the document) are removed;
// - a run that fails, is stopped or finds nothing to write removes the files it created,
//   and the folders it made that are left empty, keeping the earlier run's.
// A file is never removed unless a run of ours wrote it; links are never followed.
class PageRecord {
public:
    // Before the run writes anything: what the content folder holds, and the earlier
    // record (paths as the map records them, relative to the map's folder).
    void begin(const std::filesystem::path& contentFolder, const std::filesystem::path& mapFile,
               std::vector<std::string> earlier);

    // A file the run wrote (or tried to write).
    void wrote(const std::filesystem::path& file);

    // This run's record; with the earlier one when `withEarlier` (while the run is not yet
    // complete, so that a failure after the map is written loses track of nothing).
    std::vector<std::string> record(bool withEarlier) const;

    // The run completed: removes the earlier run's files this run did not write.
    void removeStale() const;
    // The run did not complete: removes what it created.
    void removeNew() const;

private:
    std::filesystem::path contentFolder_;
    std::filesystem::path mapFile_;
    bool folderExisted_ = false;
    std::set<std::filesystem::path> before_; // files and folders there at the start
    std::vector<std::string> earlier_;
    std::set<std::filesystem::path> written_;
};

} // namespace qm
