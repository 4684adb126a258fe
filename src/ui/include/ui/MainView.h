#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm::ui {

// The texts a window shows and the user may edit. All texts crossing the view are
// UTF-8; memos break their lines with LF.
enum class Text {
    SourceFiles,    // eSourceFiles: the opened files, joined by ';'
    SourceFileName, // eSourceFileName: the file in hand (shown during a run)
    Title,          // eCHMTitle: editable, also during a run
    ChmFileName,    // eCHMFileName
    DefaultPage,    // Edit3: the help home page of the latest project
    TargetFolder,   // Label4: where the files of the file in hand go
    OutputFolder,   // eOutputFolder: editable, empty: beside each source
    Level,          // eLevel: one digit or nothing
    BeforeEntry,    // mBeforeEntry: additional code after the body start
    AfterEntry,     // mAfterEntry: additional code before the body end
    Status,         // lInfor: what the run does
    FileCount,      // lGlobalCount: "(i/n)"
    BeginTime,      // lBegin
    EndTime,        // lEnd: the remaining time during a run, then the end time
};

// The check boxes.
enum class Switch { AutoTitle, DefaultHeader, Renumber, NumberedNames, UseAdditionalCode };

// Everything the presenter enables and disables: the actions and the settings that
// must not change while a run works.
enum class Control {
    Open,
    Recent,
    Generate,
    Stop,
    OpenFolder,
    OpenHelp,
    OpenCode,
    SaveCode,
    PreviewCode,
    ClearCode, // also loading a listed additional-code file
    Level,
    DefaultHeader,
    Renumber,
    NumberedNames,
    OutputFolder,
    BrowseOutput,
    UseAdditionalCode,
};

// A row of the structure tree. The view hands id back when the user activates the row.
struct NodeRow {
    std::uintptr_t id = 0;
    std::uintptr_t parent = 0; // 0: a top row
    std::string shown;         // the heading as the reader reads it
    std::string position, endPosition, level;
};

// An entry of the recent files: one file, or documents opened together. The view hands
// files back when the user picks the entry.
struct RecentRow {
    std::string caption; // UTF-8, the menu's text (a '&' is no mnemonic)
    std::string details; // UTF-8, every file one a line: a tooltip or a status text
    std::vector<std::filesystem::path> files;
};

// A stored additional-code file in the library list.
struct CodeFileRow {
    std::string title;
    std::filesystem::path path;
};

// The button a question gives the keyboard focus: Return answers with it. Questions
// that destroy or quit default to No.
enum class Answer { Yes, No };

// What the box at the end of a run tells.
struct RunReport {
    bool warning = false; // a file failed, a CHM was not built or the run was stopped
    std::string headline; // the first line: what failed, or that everything was made
    std::string details;  // the whole summary, shown scrollable
};

// What any window of the program must show and ask; MainPresenter decides everything
// and calls these on the window's thread only (it crosses with post). The view reports
// the user's doings to the presenter; a report of a text the presenter set itself does
// no harm.
class MainView {
public:
    virtual ~MainView() = default;

    // Runs code on the window's thread soon, in the order posted. Called from any thread;
    // code posted to a window that is gone is dropped.
    virtual void post(std::function<void()> code) = 0;

    virtual void setText(Text field, const std::string& text) = 0;
    virtual void setChecked(Switch box, bool on) = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;

    // The progress row (bar, status, count, times) instead of the banner.
    virtual void showProgressRow(bool shown) = 0;
    // The file in hand instead of the opened files, during a run.
    virtual void showFileInHand(bool shown) = 0;
    virtual void setBusy(bool busy) = 0;     // the busy pointer
    virtual void setProgress(int value) = 0; // 0 .. RunProgress::kMaximum
    virtual void setTicking(bool on) = 0;    // call MainPresenter::tick every ~500 ms
    virtual void runHasEnded() {}            // a run has ended, its box closed

    virtual void clearTree() = 0;
    virtual void addNode(const NodeRow& row) = 0;    // its parent was added before
    virtual void changeNode(const NodeRow& row) = 0; // a row added before, by id
    virtual void setRecentFiles(const std::vector<RecentRow>& rows) = 0;
    virtual void setCodeFiles(const std::vector<CodeFileRow>& files) = 0;

    // Modal boxes.
    virtual bool askYesNo(const std::string& caption, const std::string& text, Answer preset) = 0;
    virtual void information(const std::string& text) = 0;
    virtual void error(const std::string& text) = 0;
    virtual void showResult(const RunReport& report) = 0;

    // File dialogs starting in folder; empty when the user cancels.
    virtual std::vector<std::filesystem::path>
    chooseSourceFiles(const std::filesystem::path& folder) = 0;
    virtual std::filesystem::path chooseCodeFileToOpen(const std::filesystem::path& folder) = 0;
    virtual std::filesystem::path chooseCodeFileToSave(const std::filesystem::path& folder) = 0;
    virtual std::filesystem::path chooseFolder(const std::filesystem::path& folder) = 0;

    // Closes the window: the user confirmed closing during a run, which has now ended.
    virtual void closeWindow() = 0;

    // Shows a CHM in the window's own help viewer. A window without one leaves it to the
    // presenter, which hands the CHM to the desktop's CHM viewer.
    enum class HelpShown {
        Shown,
        Failed,   // no CHM the viewer can read; the view has said so
        NoViewer, // the window has no viewer of its own
    };
    virtual HelpShown showHelp(const std::filesystem::path&) { return HelpShown::NoViewer; }
};

} // namespace qm::ui
