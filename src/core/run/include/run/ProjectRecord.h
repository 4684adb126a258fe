#pragma once

#include "project/ContextIdMap.h"
#include "run/FileLayout.h"
#include "run/PageRecord.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The project's own record from one run to the next, kept in its ID map: the numbers,
// the document the project was made from, and the pages and pictures the last complete
// run wrote (see PageRecord). One run of one file at a time:
//   open() before anything is written, wrote() as files are written, writeMap() before
//   the files that carry the numbers, complete() once the project is whole; a run that
//   ends otherwise calls abandon(). Texts for the user are GBK.
class ProjectRecord {
public:
    // Asked when the project was made from another document; true lets the run replace it.
    using AskReplace = std::function<bool(const std::string& question)>;

    // Reads the map whole (a damaged one throws qm::Error naming the line; renumbering
    // sets it aside instead) and refuses, with both names, a project another document
    // made unless askReplace says yes. A map without the record of its document (one
    // written before maps had it), a document that is gone, and a Word document and the
    // page it was converted into are no other document. Writes nothing.
    void open(const FileLayout& layout, const std::filesystem::path& outputFolder, bool renumber,
              const AskReplace& askReplace);

    // The numbers of the earlier run; nullopt when there were none or when renumbering.
    std::optional<std::vector<ContextIdEntry>> earlierNumbers() const;

    // A file the run wrote (or tried to write) into the content folder.
    void wrote(const std::filesystem::path& file) { pages_.wrote(file); }

    // Writes the map with the new numbers and, until complete(), the earlier run's pages
    // still on record, so that a failure after it loses track of nothing.
    void writeMap(std::vector<ContextIdEntry> numbers);

    // The project is whole: the earlier run's pages this run did not write go, and the map
    // records this run's alone (a map that cannot be rewritten keeps both, which only
    // leaves them for a later run).
    void complete();

    // The run did not complete its project: what it created goes. Nothing when no project
    // is open.
    void abandon();

private:
    std::filesystem::path mapFile_;
    std::filesystem::path source_; // absolute
    bool renumber_ = false;
    std::optional<ContextIdMapFile> earlier_;
    ContextIdMapFile map_; // as last written
    PageRecord pages_;
    bool open_ = false;
};

} // namespace qm
