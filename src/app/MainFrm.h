#pragma once

#include "QtSettingsStore.h"
#include "ui/MainPresenter.h"

#include <QHash>
#include <QMainWindow>

#include <filesystem>
#include <functional>

class QAction;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qm {

class AdditionalCodePanel;
class Banner;
class ElidedField;
class ElidedLabel;
class Dialogs;

// The program's one window: widgets bound to a ui::MainPresenter, which holds the
// settings, decides every enable rule and runs the generation on a thread of its own.
// Controls carry the object names the rest of the program and the tests know them by
// (eCHMTitle, tlStruct, actGenerate, ...).
class MainFrm : public QMainWindow, public ui::MainView {
    Q_OBJECT
public:
    // converter and compiler may be null (see Generator). programFolder is where the
    // stored additional-code files are listed from at start-up, besides the user's own
    // folder. The window keeps its settings in QSettings.
    MainFrm(Dialogs& dialogs, ui::ShellServices& shell, DocumentConverter* converter,
            ProjectCompiler* compiler, std::filesystem::path programFolder,
            QWidget* parent = nullptr);
    ~MainFrm() override;

    // The program's title, which also captions its message boxes.
    static QString myCaption();
    // The source documents the window opens (the open dialog's filter, drops).
    static bool isSourceDocument(const QString& path);

    // The generator is the run's while a run works: look at it only when idle.
    Generator& generator() { return presenter_.generator(); }
    bool running() const { return presenter_.running(); }
    RunSettings runSettings() const { return presenter_.runSettings(); }
    void startUp() { presenter_.startUp(); }
    void updateActions() { presenter_.updateActions(); }
    // Lets pending events through, as between two steps of the user.
    static void processEvents();

    // ui::MainView.
    void post(std::function<void()> code) override;
    void setText(ui::Text field, const std::string& text) override;
    void setChecked(ui::Switch box, bool on) override;
    void setEnabled(ui::Control control, bool enabled) override;
    void showProgressRow(bool shown) override;
    void showFileInHand(bool shown) override;
    void setBusy(bool busy) override;
    void setProgress(int value) override;
    void setTicking(bool on) override;
    void runHasEnded() override;
    void clearTree() override;
    void addNode(const ui::NodeRow& row) override;
    void changeNode(const ui::NodeRow& row) override;
    void setRecentFiles(const std::vector<ui::RecentRow>& rows) override;
    void setCodeFiles(const std::vector<ui::CodeFileRow>& files) override;
    bool askYesNo(const std::string& caption, const std::string& text, ui::Answer preset) override;
    void information(const std::string& text) override;
    void error(const std::string& text) override;
    void showResult(const ui::RunReport& report) override;
    std::vector<std::filesystem::path>
    chooseSourceFiles(const std::filesystem::path& folder) override;
    std::filesystem::path chooseCodeFileToOpen(const std::filesystem::path& folder) override;
    std::filesystem::path chooseCodeFileToSave(const std::filesystem::path& folder) override;
    std::filesystem::path chooseFolder(const std::filesystem::path& folder) override;
    void closeWindow() override;
    HelpShown showHelp(const std::filesystem::path& chm) override;

signals:
    // A run has ended and the window is idle again (after its result box).
    void runEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Layout (MainFrmLayout.cpp).
    void createActions();
    void buildWindow();
    void bindEdits();
    QWidget* buildStructureView();
    QWidget* buildBannerRow();
    QWidget* buildControlArea();
    void addSourceRow(QGridLayout* grid, QWidget* area);
    void addTitleRow(QGridLayout* grid, QWidget* area);
    void addTargetRow(QGridLayout* grid, QWidget* area);
    void addOutputRow(QGridLayout* grid, QWidget* area);
    void addRunRow(QGridLayout* grid, QWidget* area);
    QWidget* buildTabs();
    QWidget* buildAdvancedPage();

    static void fillNodeItem(QTreeWidgetItem* item, const ui::NodeRow& row);
    QLineEdit* field(ui::Text field) const;

    Dialogs& dialogs_;
    ui::ShellServices& shell_; // for the help viewers the window opens
    QtSettingsStore store_;
    ui::MainPresenter presenter_;
    QTimer* ticker_ = nullptr;
    // The rows of tlStruct by the presenter's node ids.
    QHash<std::uintptr_t, QTreeWidgetItem*> nodeItems_;

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
    ElidedField* edit3_ = nullptr; // the home page's name, shortened to fit
    QLineEdit* eOutputFolder_ = nullptr;
    QPushButton* browseOutput_ = nullptr;
    ElidedLabel* label4_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* eLevel_ = nullptr;
    QCheckBox* cbUsesDefaultHTMLHeader_ = nullptr;
    QCheckBox* cbRenumber_ = nullptr; // one run's choice, not kept
    QCheckBox* cbNumberedNames_ = nullptr;
    AdditionalCodePanel* additionalCode_ = nullptr;
};

} // namespace qm
