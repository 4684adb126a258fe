#pragma once

#include "RunProgress.h"
#include "run/FileLayout.h"
#include "run/Generator.h"
#include "run/RunListener.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QThread;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qm {

class AdditionalCodePanel;
class Banner;
class ElidedLabel;
class Dialogs;
class ShellServices;

// The program's one window. It holds every setting in its controls, owns the run
// state (a Generator) and listens to its runs. A run works on a thread of its own:
// what it reports reaches the controls through the event loop, and what the user
// changes during a run reaches it through Generator::changeSettings, so the window
// repaints and answers throughout. Controls carry the object names the
// rest of the program and the tests know them by (eCHMTitle, tlStruct, actGenerate, ...).
class MainFrm : public QMainWindow, public RunListener {
    Q_OBJECT
public:
    // converter and compiler may be null (see Generator). programFolder is where the
    // stored additional-code files are listed from at start-up, besides the user's own
    // folder. The window reads and keeps its settings in QSettings.
    MainFrm(Dialogs& dialogs, ShellServices& shell, DocumentConverter* converter,
            ProjectCompiler* compiler, std::filesystem::path programFolder,
            QWidget* parent = nullptr);
    ~MainFrm() override;

    // The program's title, which also captions its message boxes.
    static QString myCaption();
    // The source documents the window opens (the open dialog's filter, drops).
    static bool isSourceDocument(const QString& path);

    // The generator is the run's while a run works: look at it only when idle.
    Generator& generator() { return generator_; }
    bool running() const { return running_; }

    // The deferred start-up step: lists the stored additional-code files once.
    void startUp();
    // The enable rules of the actions; run whenever the application goes idle.
    void updateActions();

    void actOpenExecute();
    void actGenerateExecute();
    void actStopExecute();
    void actOpenDestDirectExecute();
    void actOpenHelpExecute();
    void tlStructDblClick();
    void image1Click();
    // Opens files as the open dialog does: names them, clears the last run's results.
    void openFiles(const QStringList& files);

    // The settings as the controls hold them.
    RunSettings runSettings() const;

    // RunListener (MainFrmRun.cpp), called on the run's thread.
    bool replaceProject(const std::string& question) override;
    void showText(RunField field, const std::string& text) override;
    void titleChosen(const std::string& title) override;
    void showSummary(const std::string& text) override;
    void showWordFailure(const std::string& text) override;
    void warning(const std::string& text) override;
    void processEvents() override;
    void scanProgress(std::int64_t done, std::int64_t total, std::size_t nodes) override;
    void structureCleared(const FileLayout& layout) override;
    void nodeAdded(const StructureNode& node) override;
    void nodeChanged(const StructureNode& node) override;
    void fileDone(const FileReport& report) override;

signals:
    // A run has ended and the window is idle again (after its result box).
    void runEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A node of the tree as the run's thread copies it for the window.
    struct NodeRow {
        const StructureNode* key;
        const StructureNode* parent;
        QString shown;
        QByteArray title;
        QString position, endPosition, level;
    };
    // Layout (MainFrmLayout.cpp).
    void actBrowseOutputExecute();
    void createActions();
    void buildWindow();
    QWidget* buildStructureView();
    QWidget* buildBannerRow();
    QWidget* buildControlArea();
    QWidget* buildTabs();
    QWidget* buildAdvancedPage();

    // Settings between sessions (MainFrm.cpp).
    void restoreSettings();
    void saveSettings();
    void addRecentFiles(const QStringList& files);
    void fillRecentMenu();

    // The run's side (MainFrmRun.cpp).
    bool onGuiThread() const;
    void post(std::function<void()> code);
    void waitForGui(std::function<void()> code);
    void publishProgress(bool wait);
    void finishRun(const RunOutcome& outcome, bool failed, const QString& error);
    void showRunReport(const RunOutcome& outcome);
    void tickRemainingTime();
    void fileStartedOnRunThread(const std::string& shownPath);
    void removePreviews();

    void showProgressRow();
    void showBanner();
    void setRunControlsEnabled(bool enabled);
    void clearLastResults();
    // " －帮助": the title suffix, and the whole title before a file is opened.
    static QString titleSuffix();
    static NodeRow nodeRow(const StructureNode& node);
    static void fillNodeItem(QTreeWidgetItem* item, const NodeRow& row);
    std::vector<std::filesystem::path> openedPaths() const;

    Dialogs& dialogs_;
    ShellServices& shell_;
    std::filesystem::path programFolder_;
    Generator generator_;
    bool startedUp_ = false;
    bool running_ = false;
    bool closeAfterRun_ = false;                   // the user confirmed closing during a run
    bool stopRequested_ = false;                   // the user pressed Stop
    QStringList openedFiles_;                      // as the window shows them
    QString lastFolder_;                           // where the open dialog starts
    std::optional<std::filesystem::path> lastChm_; // the last run's help file
    QStringList recentFiles_;

    // The run's thread and what crosses to it.
    QThread* runThread_ = nullptr;
    std::atomic<bool> closing_{false}; // the window goes: the run must not wait for it
    std::filesystem::path runOutput_;  // the output folder of the run that works
    // Touched by the run's thread only, while a run works.
    RunProgress progress_;
    std::size_t nextFile_ = 0;
    std::int64_t lastSync_ = 0;
    std::string lastStatus_;

    // The window's side of a run.
    std::vector<std::string> runWarnings_; // shown after the summary of the run
    bool summaryShown_ = false;            // the run ended with its summary
    QElapsedTimer runClock_;
    QTimer* remainingTimer_ = nullptr;
    int shownProgress_ = 0;
    qint64 estimatedEnd_ = -1; // run clock milliseconds; -1: no estimate yet
    // The rows of tlStruct for the nodes of the run's tree, and where their pages are.
    QHash<const StructureNode*, QTreeWidgetItem*> nodeItems_;
    std::optional<FileLayout> treeLayout_;

    QAction* actOpen_ = nullptr;
    QAction* actGenerate_ = nullptr;
    QAction* actStop_ = nullptr;
    QAction* actOpenDestDirect_ = nullptr;
    QAction* actOpenHelp_ = nullptr;
    QMenu* recentMenu_ = nullptr;

    QTreeWidget* tlStruct_ = nullptr;
    Banner* image1_ = nullptr;
    QWidget* panel6_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* lInfor_ = nullptr;
    QLabel* lGlobalCount_ = nullptr;
    QLabel* lBegin_ = nullptr;
    QLabel* lEnd_ = nullptr;
    QPushButton* recentButton_ = nullptr;
    QLineEdit* eSourceFiles_ = nullptr;
    QLineEdit* eSourceFileName_ = nullptr;
    QLineEdit* eCHMTitle_ = nullptr;
    QCheckBox* cbAutoCHMTitle_ = nullptr;
    QLineEdit* eCHMFileName_ = nullptr;
    QLineEdit* edit3_ = nullptr;
    QLineEdit* eOutputFolder_ = nullptr;
    QPushButton* browseOutput_ = nullptr;
    ElidedLabel* label4_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* eLevel_ = nullptr;
    QCheckBox* cbUsesDefaultHTMLHeader_ = nullptr;
    QCheckBox* cbRenumber_ = nullptr; // one run's choice, not kept
    AdditionalCodePanel* additionalCode_ = nullptr;
};

} // namespace qm
