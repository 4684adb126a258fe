#pragma once

#include "run/Generator.h"
#include "run/RunHost.h"

#include <QHash>
#include <QMainWindow>

#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qm {

class AdditionalCodePanel;
class Banner;
class Dialogs;
class ShellServices;

// The program's one window. It holds every setting in its controls, owns the run
// state (a Generator) and implements RunHost over its controls, so a run reads each
// setting at the moment of use. Controls carry the object names the rest of the
// program and the tests know them by (eCHMTitle, tlStruct, actGenerate, ...).
class MainFrm : public QMainWindow, public RunHost {
    Q_OBJECT
public:
    // converter and compiler may be null (see Generator). programFolder is where the
    // stored additional-code files are listed from at start-up.
    MainFrm(Dialogs& dialogs, ShellServices& shell, DocumentConverter* converter,
            ProjectCompiler* compiler, std::filesystem::path programFolder,
            QWidget* parent = nullptr);
    ~MainFrm() override;

    // The program's title, which also captions its message boxes.
    static QString myCaption();

    Generator& generator() { return generator_; }

    // The deferred start-up step: lists the stored additional-code files once.
    void startUp();
    // The enable rules of the actions; run whenever the application goes idle.
    void updateActions();

    void actOpenExecute();
    void actGenerateExecute();
    void actOpenDestDirectExecute();
    void tlStructDblClick();
    void image1Click();

    // RunHost, over the controls (MainFrmRun.cpp).
    std::string levelText() override;
    bool autoTitle() override;
    bool useDefaultHeader() override;
    bool useAdditionalCode() override;
    std::string beforeEntry() override;
    std::string afterEntry() override;
    std::string chmTitle() override;
    void setChmTitle(const std::string& title) override;
    std::string chmFileName() override;
    void setChmFileName(const std::string& name) override;
    void showText(RunField field, const std::string& text) override;
    void runStarted() override;
    void runFinished() override;
    void setBusy(bool busy) override;
    void showSummary(const std::string& text) override;
    void showWordFailure(const std::string& text) override;
    void warning(const std::string& text) override;
    void processEvents() override;
    void structureCleared() override;
    void nodeAdded(const StructureNode& node) override;
    void nodeChanged(const StructureNode& node) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout (MainFrmLayout.cpp).
    void createActions();
    void buildWindow();
    QWidget* buildStructureView();
    QWidget* buildBannerRow();
    QWidget* buildControlArea();
    QWidget* buildTabs();
    QWidget* buildAdvancedPage();

    void showProgressRow();
    void showBanner();
    void setRunControlsEnabled(bool enabled);
    // " －帮助": the title suffix, and the whole title before a file is opened.
    static QString titleSuffix();
    static void fillNodeItem(QTreeWidgetItem* item, const StructureNode& node);

    Dialogs& dialogs_;
    ShellServices& shell_;
    std::filesystem::path programFolder_;
    Generator generator_;
    bool startedUp_ = false;
    bool busy_ = false;
    std::vector<std::string> runWarnings_; // shown after the summary of the run
    bool closeAfterRun_ = false;           // the user confirmed closing during a run
    // The rows of tlStruct for the nodes of the generator's tree, which keeps its
    // nodes in place until the next scan clears it.
    QHash<const StructureNode*, QTreeWidgetItem*> nodeItems_;

    QAction* actOpen_ = nullptr;
    QAction* actGenerate_ = nullptr;
    QAction* actOpenDestDirect_ = nullptr;

    QTreeWidget* tlStruct_ = nullptr;
    Banner* image1_ = nullptr;
    QWidget* panel5_ = nullptr;
    QWidget* panel6_ = nullptr;
    QLabel* lInfor_ = nullptr;
    QLabel* lGlobalCount_ = nullptr;
    QLabel* lBegin_ = nullptr;
    QLabel* lEnd_ = nullptr;
    QLineEdit* eSourceFiles_ = nullptr;
    QLineEdit* eSourceFileName_ = nullptr;
    QLineEdit* eCHMTitle_ = nullptr;
    QCheckBox* cbAutoCHMTitle_ = nullptr;
    QLineEdit* eCHMFileName_ = nullptr;
    QLineEdit* edit3_ = nullptr;
    QLabel* label4_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* eLevel_ = nullptr;
    QCheckBox* cbUsesDefaultHTMLHeader_ = nullptr;
    AdditionalCodePanel* additionalCode_ = nullptr;
};

} // namespace qm
