#pragma once

#include <filesystem>
#include <string>

namespace qm {

// What a generation run is told to do. Texts are GBK byte strings. A front end may
// change the settings while a run works (Generator::changeSettings); each is read when
// its comment says, so a change applies from that read on.
struct RunSettings {
    // Read once per run, at its start: where the run writes everything; empty: beside
    // each source file.
    std::filesystem::path outputFolder;

    // Read once per file, when the run comes to it.
    std::string level = "0";    // deepest heading level that starts a topic; "0": all
    bool autoTitle = true;      // the file's title becomes "<name> －帮助"
    bool defaultHeader = false; // the built-in page head instead of the document's own
    bool renumber = false;      // number the context IDs anew, forgetting the ID map
    // Each topic's page is named by its context number ("1003.htm"): ASCII names that
    // every viewer opens, and that stay with their topics across edits, as the numbers
    // do. Otherwise pages are named by their headings.
    bool numberedNames = false;

    // Read at use: the title when the project file is written (the run sets it itself
    // when it makes an automatic title), the additional code at every page.
    std::string title;
    bool useAdditionalCode = false;
    std::string beforeEntry; // after the body start, exactly as typed
    std::string afterEntry;  // before the body end, exactly as typed
};

} // namespace qm
