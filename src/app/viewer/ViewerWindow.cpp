#include "ViewerWindow.h"

#include "Dialogs.h"
#include "HelpBrowser.h"
#include "WidgetText.h"
#include "text/Utf8Path.h"
#include "ui/ShellServices.h"
#include "viewer/HelpExtraction.h"
#include "viewer/HelpFile.h"
#include "viewer/HelpSearch.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {

ViewerWindow::ViewerWindow(std::unique_ptr<viewer::HelpFile> help, std::filesystem::path chm,
                           ui::ShellServices& shell, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), help_(std::move(help)),
      search_(std::make_unique<viewer::HelpSearch>(*help_)), chm_(std::move(chm)), shell_(shell),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("ViewerWindow"));
    setWindowTitle(QString::fromStdString(help_->title()));
    buildWindow();
    createActions();
    resize(960, 680);
    showPage(help_->defaultTopic());
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::buildWindow() {
    browser_ = new HelpBrowser(*help_, this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { followLink(url.toString(QUrl::PrettyDecoded)); });
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { selectInContents(); });

    panes_ = new QTabWidget(this);
    panes_->setObjectName(QStringLiteral("panes"));
    panes_->addTab(buildContentsPane(), QStringLiteral("目录(&C)"));
    panes_->addTab(buildIndexPane(), QStringLiteral("索引(&N)"));
    panes_->addTab(buildSearchPane(), QStringLiteral("搜索(&S)"));

    auto* page = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(browser_);
    pageLayout->addWidget(buildFindBar());

    auto* splitter = new QSplitter(this);
    splitter->addWidget(panes_);
    splitter->addWidget(page);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 680});
    setCentralWidget(splitter);
    statusBar();
}

void ViewerWindow::createActions() {
    auto* bar = addToolBar(QStringLiteral("帮助"));
    bar->setObjectName(QStringLiteral("viewerToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto add = [&](const char* name, const QString& text, const QKeySequence& key, auto slot) {
        auto* action = bar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QAction* back = add("actBack", QStringLiteral("后退(&B)"), QKeySequence::Back,
                        [this] { browser_->backward(); });
    QAction* forward = add("actForward", QStringLiteral("前进(&F)"), QKeySequence::Forward,
                           [this] { browser_->forward(); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    add("actHome", QStringLiteral("主页(&H)"), QKeySequence(),
        [this] { showPage(help_->defaultTopic()); });
    add("actFind", QStringLiteral("查找(&I)"), QKeySequence::Find, [this] {
        findBar_->show();
        findText_->setFocus();
        findText_->selectAll();
    });
    bar->addSeparator();
    add("actOpenInBrowser", QStringLiteral("在浏览器中打开(&W)"), QKeySequence(),
        [this] { openInBrowser(); });
    add("actOpenWith", QStringLiteral("用其他程序打开(&O)"), QKeySequence(),
        [this] { openWithOtherProgram(); });
}

bool ViewerWindow::showPage(const std::string& path, const std::string& fragment) {
    const std::optional<std::string> found = help_->findFile(path);
    if (!found) {
        say(QStringLiteral("帮助文件中没有“%1”。").arg(QString::fromStdString(path)));
        return false;
    }
    browser_->setSource(HelpBrowser::pageUrl(*found, fragment));
    return true;
}

bool ViewerWindow::showContextId(std::uint32_t id) {
    const std::optional<viewer::LinkTarget> target = help_->pageForContextId(id);
    if (!target) {
        const QString message = QStringLiteral("帮助文件中没有上下文编号 %1。").arg(id);
        say(message);
        dialogs_.information(message);
        return false;
    }
    return showPage(target->path, target->fragment);
}

void ViewerWindow::followLink(const QString& href) {
    const viewer::LinkTarget target = help_->resolve(
        browser_->currentPage().empty() ? "/" : browser_->currentPage(), href.toStdString());
    switch (target.kind) {
    case viewer::LinkTarget::Kind::Page:
        if (target.path == browser_->currentPage() && !target.fragment.empty())
            browser_->scrollToAnchor(QString::fromStdString(target.fragment));
        else
            showPage(target.path, target.fragment);
        break;
    case viewer::LinkTarget::Kind::External:
        shell_.openUrl(target.url);
        say(QStringLiteral("已在其他程序中打开 %1").arg(QString::fromStdString(target.url)));
        break;
    case viewer::LinkTarget::Kind::Refused:
        say(QStringLiteral("不打开此链接：%1（帮助之外只打开 http、https 和 mailto 链接）")
                .arg(href));
        break;
    }
}

bool ViewerWindow::findInPage(const QString& text, bool backward) {
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = browser_->find(text, flags);
    if (!found) { // round the end of the page
        QTextCursor cursor = browser_->textCursor();
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        browser_->setTextCursor(cursor);
        found = browser_->find(text, flags);
    }
    findStatus_->setText(found ? QString() : QStringLiteral("找不到“%1”").arg(text));
    return found;
}

std::filesystem::path ViewerWindow::extractedFolder() {
    if (!extracted_) {
        auto folder = std::make_unique<QTemporaryDir>();
        if (!folder->isValid())
            return {};
        try {
            viewer::extractHelpFiles(*help_, widgettext::toPath(folder->path()));
        } catch (const std::exception&) {
            return {};
        }
        extracted_ = std::move(folder);
    }
    return widgettext::toPath(extracted_->path());
}

void ViewerWindow::openInBrowser() {
    const std::filesystem::path folder = extractedFolder();
    if (folder.empty() || browser_->currentPage().empty()) {
        dialogs_.error(QStringLiteral("无法把帮助的页面写到临时文件夹。"));
        return;
    }
    shell_.openPath(folder / text::utf8Path(browser_->currentPage().substr(1)));
}

void ViewerWindow::openWithOtherProgram() {
    const std::vector<std::string> viewers = shell_.chmViewers();
    if (viewers.empty()) {
        dialogs_.information(
            QStringLiteral("没有找到其他能打开CHM帮助文件的程序。\n"
                           "Debian 中可以安装 xchm 或 kchmviewer，例如：sudo apt install xchm"));
        return;
    }
    shell_.openWith(viewers.front(), chm_);
}

void ViewerWindow::say(const QString& message) {
    statusBar()->showMessage(message, 10000);
}

} // namespace qm
