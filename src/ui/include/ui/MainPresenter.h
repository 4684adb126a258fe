#pragma once

#include "run/FileLayout.h"
#include "run/Generator.h"
#include "run/RunListener.h"
#include "ui/MainView.h"
#include "ui/RecentList.h"
#include "ui/RunProgress.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qm::ui {

class SettingsStore;
class ShellServices;

// The window's logic without a toolkit: the opened files and the automatic title, the
// enable rule of every control, the checks before a run, the run on a worker thread with
// its events crossed to the view's thread, the progress and the remaining time, the
// result box, the recent files, the settings between sessions and the additional-code
// library. It owns the run state (a Generator). Every public function is called on the
// view's thread.
class MainPresenter {
public:
    struct Services {
        SettingsStore& store;
        ShellServices& shell;
        DocumentConverter* converter = nullptr; // may be null (see Generator)
        ProjectCompiler* compiler = nullptr;
        std::filesystem::path programFolder; // stored additional code beside the program
        std::filesystem::path userFolder;    // the user's own stored additional code
    };
    MainPresenter(MainView& view, Services services);
    ~MainPresenter();
    MainPresenter(const MainPresenter&) = delete;
    MainPresenter& operator=(const MainPresenter&) = delete;

    // Reads the stored settings into the view; then the deferred start-up step lists the
    // stored additional-code files once, when the window is shown.
    void restoreSettings();
    void startUp();
    void saveSettings();
    // Stops a run that still works and waits for it: the window goes.
    void shutDown();

    // The source documents a window opens (the open dialog's filter, drops).
    static bool isSourceDocument(const std::filesystem::path& path);
    // The open dialog's filters, in order: every kind it opens, each kind alone, and
    // every file.
    struct FileFilter {
        std::string name;                  // UTF-8
        std::vector<std::string> patterns; // "*.doc"
    };
    static const std::vector<FileFilter>& sourceFilters();
    // " －帮助" (UTF-8): the title suffix, and the whole title before a file is opened.
    static const char* titleSuffix();

    void updateActions();
    void open();
    // Opens files as the open dialog does: names them, clears the last run's results.
    void openFiles(const std::vector<std::filesystem::path>& files);
    // Opens a recent entry again: its documents together, or its CHM in the viewer. Files
    // that are gone are named; an entry whose files are all gone leaves the list. Taken
    // by value: the view's list it comes from changes meanwhile.
    void openRecent(std::vector<std::filesystem::path> files);
    // Shows a CHM in the help viewer (dropped, from the recent files, after a run) and
    // lists it among the recent files.
    void viewHelp(const std::filesystem::path& chm);
    // A CHM by its name (".chm", any case): the recent files and drops hold both kinds.
    static bool isHelpFile(const std::filesystem::path& path);
    void clearRecent();
    void generate();
    void stop();
    void openFolder();
    void openHelp();
    void openNode(std::uintptr_t id);
    void openMakerSite();
    void browseOutput();
    // The user asks to close the window: true when it may close now.
    bool requestClose();
    void tick(); // the remaining time, while a run works

    void textEdited(Text field, const std::string& text);
    void switched(Switch box, bool on);

    // The additional-code library.
    void openCodeFile();
    void loadListedCode(const std::filesystem::path& file);
    void loadCode(const std::filesystem::path& file);
    void saveCode();
    void previewCode();
    void clearCode();
    void removePreviews();

    bool running() const { return running_; }
    // The settings as the window holds them.
    RunSettings runSettings() const;
    // The generator is the run's while a run works: look at it only when idle.
    Generator& generator() { return generator_; }

private:
    class Events;
    struct NodeData {
        std::string title; // the exact bytes that name the topic's page (GBK)
        std::string position;
        std::string page; // the page's numbered name, when pages are named by numbers
        std::string shown;
    };

    void clearLastResults();
    void addRecentFiles(const std::vector<std::filesystem::path>& files);
    void showRecentFiles();
    void listCodeFiles();
    void setMemo(Text field, const std::string& gbk);
    void setTitle(const std::string& gbk);
    std::filesystem::path outputFolder() const;
    void startRun();
    void finishRun(const RunOutcome& outcome, bool failed, const std::string& error);
    void showRunReport(const RunOutcome& outcome);
    std::string failureHeadline(const RunOutcome& outcome) const;
    void fileFailed(const FileReport& report);

    // The run's side (MainPresenterRun.cpp), on the run's thread.
    void waitForView(std::function<void()> code);
    void publishProgress(bool wait);
    void fileStarted(const std::string& shownPath);
    void runText(RunField field, const std::string& text);
    void addNode(const StructureNode& node, bool added);

    MainView& view_;
    Services services_;
    std::unique_ptr<Events> events_;
    Generator generator_;

    // The settings, as the controls show them.
    RunSettings settings_;
    std::string outputText_; // UTF-8 as typed
    std::vector<std::filesystem::path> opened_;
    std::filesystem::path lastFolder_;
    RecentList recent_;
    std::vector<std::filesystem::path> previews_;
    bool startedUp_ = false;

    bool running_ = false;
    bool stopRequested_ = false;
    bool closeAfterRun_ = false;
    std::optional<std::filesystem::path> lastChm_;
    std::thread runThread_;
    std::atomic<bool> closing_{false}; // the window goes: the run must not wait for it
    std::filesystem::path runOutput_;  // the output folder of the run that works
    // Touched by the run's thread only, while a run works.
    RunProgress progress_;
    std::size_t nextFile_ = 0;
    std::string lastStatus_;
    // The view's side of a run.
    std::vector<std::string> runWarnings_; // GBK, shown after the summary
    // The files of the run that failed, "name：why" (UTF-8), for the result's headline.
    std::vector<std::string> runFailures_;
    std::string conversionFailure_; // why the file in hand was not converted (GBK)
    bool summaryShown_ = false;
    std::chrono::steady_clock::time_point runStart_;
    int shownProgress_ = 0;
    std::int64_t estimatedEnd_ = -1; // milliseconds into the run; -1: no estimate yet
    std::map<std::uintptr_t, NodeData> nodes_;
    std::optional<FileLayout> treeLayout_;
};

} // namespace qm::ui
