#pragma once

#include "run/FileLayout.h"
#include "run/FileReport.h"
#include "run/ProjectRecord.h"
#include "run/RunSettings.h"
#include "split/StructureTree.h"
#include "text/ReadStream.h"
#include "word/StopFlag.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class RunListener;
class TopicPageWriter;
class DocumentConverter;
class ProjectCompiler;

// How a run ended, for front ends that report more than the summary box (the command
// line's exit status). A file that fails does not end the run: the next one is taken.
struct RunOutcome {
    enum class Ending { Finished, Interrupted };
    Ending ending = Ending::Finished;
    int projectsWritten = 0; // files processed to the end
    int filesFailed = 0;     // files that could not be read, converted or written
    int chmsBuilt = 0;       // complete CHMs only
    // CHMs the compiler wrote without every page the project lists (or that cannot be
    // read back to tell); the summary names the missing pages.
    int chmsIncomplete = 0;
    std::string summary; // the text of the summary box (GBK)
};

// The state of the program and the generation run over it: the opened files, the
// run flags, the structure tree of the last file, the page frame texts and the logs.
// One object per window (or command-line run); the run reports to a RunListener. Not
// thread-safe but for changeSettings, stopFlag and abort: everything else runs on the
// thread that calls generationRun(), or while no run works.
class Generator {
public:
    // converter and compiler may be null: a Word document then takes the conversion
    // failure path, and the compile step reports that no CHM was built.
    Generator(RunListener& listener, DocumentConverter* converter, ProjectCompiler* compiler);
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    // The opened-file list (the open dialog's selection, in its order). Opening also
    // sets the IntermediateHtml path from the first file.
    void openFiles(std::vector<std::filesystem::path> files);
    const std::vector<std::filesystem::path>& openedFiles() const { return openedFiles_; }
    const std::filesystem::path& intermediateHtml() const { return intermediateHtml_; }

    // The generation run over the opened files. File errors (and a compiler that
    // cannot be loaded) propagate as qm::Error after the run's final step has restored
    // the flags and the host's controls.
    RunOutcome generationRun(const RunSettings& settings);
    // Changes the settings of the run that works (from any thread); each applies from
    // its next read (see RunSettings). Without a run it changes nothing that lasts.
    void changeSettings(const std::function<void(RunSettings&)>& change);

    bool generating() const { return generating_; }
    bool aborted() const { return stop_.isSet(); }
    // The user confirmed stopping: the scan, the conversion and the compile stop soon,
    // the run log is written.
    void abort() { stop_.set(); }
    // The run's stop flag, for a signal handler.
    StopFlag& stopFlag() { return stop_; }
    const std::filesystem::path& currentFile() const { return currentFile_; }

    // The structure of the last processed file and where its pages are.
    const StructureTree& tree() const { return tree_; }
    const FileLayout& layout() const { return layout_; }
    // The page of a node, derived from the current IntermediateHtml path.
    std::filesystem::path topicPagePath(const StructureNode& node) const;

    // The page frame: head, the text after the title, tail (GBK).
    const std::string& pageHead() const;
    const std::string& pageTail() const;
    // The text after the title; defaultHeader: the built-in one.
    std::string afterTitle(bool defaultHeader);
    // Forget the cached head of the source, so the next page reads it again.
    void clearSourceHeadCache();

    const std::vector<std::string>& writtenTopics() const { return writtenTopics_; }
    const std::vector<std::string>& runLog() const { return runLog_; }
    const std::vector<std::string>& compileLog() const { return compileLog_; }

private:
    class Adapter;
    // Every way a file can fail or end without its CHM.
    enum class Failure {
        Unusable,      // unreadable, unwritable, locked or no page: the file failed
        NotConverted,  // the Word document could not be converted: the file failed
        NoContent,     // no heading and no text: no project
        ChmNotBuilt,   // the compiler wrote no CHM
        ChmIncomplete, // the CHM lacks pages the project lists, or cannot be read back
    };
    void processFile(std::size_t i, std::size_t n, RunOutcome& outcome);
    void fileFailed(Failure failure, const std::string& reason, RunOutcome& outcome);
    RunSettings settings();
    void rejectSharedProjects() const;
    void prepareConversions();
    void shareConversionTime(const std::vector<std::filesystem::path>& documents, double seconds);
    void finishReport(bool chmBuilt);
    void warn(const std::string& text);
    void warnOfPictures(const std::vector<std::filesystem::path>& skipped,
                        const std::vector<std::filesystem::path>& copied);
    void openProject();
    void copyPictures();
    bool convertDocument();
    void openPage();
    void scanHeadings();
    bool writeProject(RunOutcome& outcome);
    void numberTopics();
    void nameByNumbers(TopicPageWriter& writer);
    void recordPages();
    void settlePages();
    bool compileProject(RunOutcome& outcome);
    void endRun(RunOutcome& outcome, std::size_t n);
    void closeWorkStream();
    void removeWorkingFiles();

    RunListener& listener_;
    DocumentConverter* converter_;
    ProjectCompiler* compiler_;

    std::vector<std::filesystem::path> openedFiles_;
    std::filesystem::path intermediateHtml_; // set by opening and by each file of a run
    FileLayout layout_;                      // the file in hand, then the last one
    std::filesystem::path currentFile_;
    std::filesystem::path outputFolder_; // taken at the start of a run
    std::mutex settingsMutex_;
    RunSettings settings_;     // as the front end changes them; under settingsMutex_
    RunSettings fileSettings_; // taken when the run comes to the file in hand
    std::string chmFileName_;  // "<name>.chm" of the file in hand
    bool generating_ = false;
    StopFlag stop_;
    bool outsideTag_ = true; // carried from one scan to the next

    std::unique_ptr<ReadStream> workStream_;
    std::filesystem::path workFileName_;
    std::filesystem::path gbkCopy_;    // a GBK copy of a page saved in another charset
    std::filesystem::path pageSource_; // what the pages are cut from: the copy or the page
    StructureTree tree_;
    std::vector<std::string> writtenTopics_;
    std::vector<std::string> runLog_;
    std::vector<std::string> compileLog_;
    // What the summary says of each incomplete CHM and each failed file of the run,
    // until endRun tells it; fileFailed fills both.
    std::vector<std::string> incompleteChms_;
    std::vector<std::string> failures_;
    FileReport report_; // of the file in hand
    // Each Word document's share of the run's batch conversion, in seconds.
    std::map<std::filesystem::path, double> conversionShares_;
    ProjectRecord record_;                  // of the file in hand
    std::optional<ContextIdNumbering> ids_; // the topics' numbers, once they are cut
    std::string sourceHeadCache_;
};

} // namespace qm
