#pragma once

#include <QMainWindow>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTemporaryDir;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qm::viewer {
class HelpFile;
class HelpSearch;
} // namespace qm::viewer

namespace qm {

class Dialogs;
class HelpBrowser;
namespace ui {
class ShellServices;
}

// A compiled help file as its readers see it on Windows: the panes 目录 (contents),
// 索引 (index) and 搜索 (full-text search) beside the page, with 后退/前进, find in
// page, "在浏览器中打开" and "用其他程序打开". Links out of the help open in the user's
// programs only for http:, https: and mailto:.
class ViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    // Takes the help; the shell and the dialogs are borrowed and must outlive it. The
    // window shows the help's first page.
    ViewerWindow(std::unique_ptr<viewer::HelpFile> help, std::filesystem::path chm,
                 ui::ShellServices& shell, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ViewerWindow() override;

    const viewer::HelpFile& help() const { return *help_; }
    const std::filesystem::path& chmPath() const { return chm_; }
    HelpBrowser* browser() const { return browser_; }

    // Shows a page of the help (path "/dir/page.htm", UTF-8); false when it holds none.
    bool showPage(const std::string& path, const std::string& fragment = {});
    // Shows the page that context number id opens; when the help maps no such number,
    // says so and stays where it is, returning false.
    bool showContextId(std::uint32_t id);
    // Follows a link (UTF-8, as the page holds it) from the page in view.
    void followLink(const QString& href);
    // The panes' searches, as the reader types and presses Enter.
    void findInIndex(const QString& typed);
    void search(const QString& query);
    // Finds text in the page from the cursor on (backward: before it), wrapping round;
    // false when the page does not hold it.
    bool findInPage(const QString& text, bool backward = false);
    // The help's files in a private temporary folder (removed with the window); the
    // folder, or an empty path when they could not be written.
    std::filesystem::path extractedFolder();

private:
    void buildWindow();
    void createActions();
    QWidget* buildContentsPane();
    QWidget* buildIndexPane();
    QWidget* buildSearchPane();
    QWidget* buildFindBar();
    void selectInContents();
    void showIndexTopics(int row);
    void openIndexTopic(int row);
    void openInBrowser();
    void openWithOtherProgram();
    void say(const QString& message);

    std::unique_ptr<viewer::HelpFile> help_;
    std::unique_ptr<viewer::HelpSearch> search_;
    std::filesystem::path chm_;
    ui::ShellServices& shell_;
    Dialogs& dialogs_;
    std::unique_ptr<QTemporaryDir> extracted_;
    std::map<std::string, QTreeWidgetItem*> contentsItems_; // page (ASCII lower case) → item

    HelpBrowser* browser_ = nullptr;
    QTabWidget* panes_ = nullptr;
    QTreeWidget* contentsTree_ = nullptr;
    QLineEdit* indexFilter_ = nullptr;
    QListWidget* indexList_ = nullptr;
    QListWidget* indexTopics_ = nullptr;
    QLineEdit* searchText_ = nullptr;
    QListWidget* searchResults_ = nullptr;
    QLabel* searchStatus_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLabel* findStatus_ = nullptr;
};

} // namespace qm
