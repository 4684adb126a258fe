#pragma once

#include "chm/DiskLookup.h"
#include "chm/Messages.h"
#include "chm/Project.h"
#include "chm/Sitemap.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// Which files go into the CHM, read from disk once: everything [FILES] lists, the
// contents and index files and the files they name, the window and default topic
// files, the targets of [ALIAS], the text-popup files, and, followed from page to page, every local
// file a page or style sheet refers to. Missing files are warnings and are left out, and so are
// files outside the project's folder (reached by "..", an absolute path or a symbolic link) and
// files that are not regular (a FIFO or a device would hang the compile).
//
// Each file's content is handed on as soon as it is read and scanned, and then
// dropped: only the names and what the scan found stay, so the gatherer never holds
// the project's content whole.
namespace qm::chm {

struct GatheredFile {
    std::string name;           // inside the CHM: '/'-separated, no leading slash, UTF-8
    std::filesystem::path path; // on disk
    bool isPage = false;        // an HTML page: a topic of the CHM
    bool inContents = false;    // named by the contents file
    std::string title;          // a page's <title>, UTF-8
    std::string charset;        // the charset a page was read in
};

struct GatheredProject {
    std::vector<GatheredFile> files; // in the order they were found
    std::optional<std::size_t> contentsFile;
    std::optional<std::size_t> indexFile;
    Sitemap contents;
    Sitemap index;
    // For the compile summary: the pages' hyperlinks and the pictures gathered.
    int localLinks = 0;
    int internetLinks = 0;
    int graphics = 0;
    // The IDs the text-popup files define (".topic IDH_x" or ".topic 10010"), as written.
    std::set<std::string> popupTopics;

    // The CHM name of a file named by the project (relative to its folder), or empty
    // when no such file is in the CHM.
    std::string nameOf(std::string_view projectReference) const;
    std::optional<std::size_t> find(std::string_view chmName) const;

    std::unordered_map<std::string, std::size_t> byFoldedName;
};

// Receives each file once, in the order of GatheredProject::files, with its content;
// the title and charset of a page are set already, inContents may not be yet.
using GatheredFileSink = std::function<void(const GatheredFile& file, std::string_view bytes)>;

// Reads the project's files. Sends a progress line per file (which may cancel the
// compile: CompileCancelled) and a warning per problem.
GatheredProject gatherFiles(const Project& project, DiskLookup& disk, Reporter& reporter,
                            const GatheredFileSink& sink);

} // namespace qm::chm
