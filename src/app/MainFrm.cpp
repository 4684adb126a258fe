#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "Dialogs.h"
#include "ElidedLabel.h"
#include "ShellServices.h"
#include "WidgetText.h"
#include "split/PageFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <set>

namespace qm {

namespace {

constexpr int kRecentFiles = 8;

// The path as the enable rule of actGenerate sees it: without leading and trailing
// blanks and control characters.
bool isBlank(const std::filesystem::path& path) {
    const std::string& text = path.native();
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The local files a drag carries that the window can open.
QStringList droppedDocuments(const QMimeData* data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && MainFrm::isSourceDocument(url.toLocalFile()) &&
            QFileInfo(url.toLocalFile()).isFile())
            files.append(QDir::toNativeSeparators(url.toLocalFile()));
    return files;
}

} // namespace

MainFrm::MainFrm(Dialogs& dialogs, ShellServices& shell, DocumentConverter* converter,
                 ProjectCompiler* compiler, std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), shell_(shell),
      programFolder_(std::move(programFolder)), generator_(*this, converter, compiler) {
    createActions();
    buildWindow();
    remainingTimer_ = new QTimer(this);
    remainingTimer_->setInterval(500);
    connect(remainingTimer_, &QTimer::timeout, this, &MainFrm::tickRemainingTime);
    resize(788, 521);
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    showBanner();
    restoreSettings();
    setAcceptDrops(true);
    updateActions();

    // The enable rules follow the state whenever the event loop is about to wait.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainFrm::updateActions);
    // The rest of the start-up runs once the window is shown and the loop runs.
    QMetaObject::invokeMethod(this, &MainFrm::startUp, Qt::QueuedConnection);
}

MainFrm::~MainFrm() {
    if (runThread_ != nullptr) {
        // The window goes while a run works (the program quits): the run stops, and
        // waits for nothing from the window any more.
        closing_ = true;
        generator_.abort();
        runThread_->wait();
        delete runThread_;
        runThread_ = nullptr;
    }
    removePreviews();
}

QString MainFrm::myCaption() {
    return QStringLiteral("Quillmark");
}

QString MainFrm::titleSuffix() {
    return QStringLiteral(" －帮助");
}

bool MainFrm::isSourceDocument(const QString& path) {
    static const QStringList kSuffixes{QStringLiteral("doc"), QStringLiteral("docx"),
                                       QStringLiteral("rtf"), QStringLiteral("odt"),
                                       QStringLiteral("htm"), QStringLiteral("html")};
    return kSuffixes.contains(QFileInfo(path).suffix().toLower());
}

void MainFrm::startUp() {
    if (startedUp_)
        return;
    startedUp_ = true;
    additionalCode_->listFiles(programFolder_);
    updateActions();
}

void MainFrm::updateActions() {
    actOpen_->setEnabled(!running_);
    recentButton_->setEnabled(!running_ && !recentFiles_.isEmpty());
    // The generator is the run's while it works.
    actGenerate_->setEnabled(!running_ && !isBlank(generator_.intermediateHtml()));
    actStop_->setEnabled(running_ && !stopRequested_);
    actOpenDestDirect_->setEnabled(!openedFiles_.isEmpty());
    actOpenHelp_->setEnabled(!running_ && lastChm_.has_value());
    additionalCode_->updateActions(running_);
}

std::vector<std::filesystem::path> MainFrm::openedPaths() const {
    std::vector<std::filesystem::path> paths;
    paths.reserve(static_cast<std::size_t>(openedFiles_.size()));
    for (const QString& file : openedFiles_)
        paths.push_back(widgettext::toPath(file));
    return paths;
}

void MainFrm::actOpenExecute() {
    const QStringList files = dialogs_.openSourceFiles(lastFolder_);
    // A cancelled dialog keeps the files opened before: the window still names them,
    // and "生成" must process what it shows.
    if (files.isEmpty())
        return;
    openFiles(files);
}

void MainFrm::openFiles(const QStringList& files) {
    if (running_ || files.isEmpty())
        return;
    openedFiles_ = files;
    generator_.openFiles(openedPaths());
    lastFolder_ = QFileInfo(files.constFirst()).absolutePath();
    addRecentFiles(files);
    clearLastResults();

    eSourceFileName_->setText(files.constFirst());
    if (cbAutoCHMTitle_->isChecked()) {
        eCHMTitle_->setText(widgettext::fromPath(generator_.intermediateHtml().stem()) +
                            titleSuffix());
    }
    eSourceFiles_->setText(files.join(QLatin1Char(';')));
    updateActions();
}

// What the last run showed belongs to other files than the ones just opened.
void MainFrm::clearLastResults() {
    nodeItems_.clear();
    tlStruct_->clear();
    treeLayout_.reset();
    eCHMFileName_->clear();
    edit3_->clear();
    label4_->setFullText({});
}

void MainFrm::addRecentFiles(const QStringList& files) {
    for (auto file = files.crbegin(); file != files.crend(); ++file) {
        recentFiles_.removeAll(*file);
        recentFiles_.prepend(*file);
    }
    while (recentFiles_.size() > kRecentFiles)
        recentFiles_.removeLast();
    fillRecentMenu();
}

void MainFrm::fillRecentMenu() {
    recentMenu_->clear();
    for (const QString& file : recentFiles_) {
        QAction* item = recentMenu_->addAction(file);
        connect(item, &QAction::triggered, this, [this, file] {
            if (!QFileInfo(file).isFile()) {
                recentFiles_.removeAll(file);
                fillRecentMenu();
                dialogs_.information(QStringLiteral("文件“%1”已不存在。").arg(file));
                return;
            }
            openFiles({file});
        });
    }
    if (!recentFiles_.isEmpty()) {
        recentMenu_->addSeparator();
        QAction* forget = recentMenu_->addAction(QStringLiteral("清除列表"));
        connect(forget, &QAction::triggered, this, [this] {
            recentFiles_.clear();
            fillRecentMenu();
        });
    }
    recentButton_->setEnabled(!running_ && !recentFiles_.isEmpty());
}

void MainFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (!running_ && !droppedDocuments(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// Dropped documents are opened as the open dialog opens them; nothing starts.
void MainFrm::dropEvent(QDropEvent* event) {
    const QStringList files = droppedDocuments(event->mimeData());
    if (running_ || files.isEmpty())
        return;
    event->acceptProposedAction();
    openFiles(files);
}

void MainFrm::actOpenDestDirectExecute() {
    // Each folder once, also when files share it; an output folder takes them all.
    const std::filesystem::path output = widgettext::toPath(eOutputFolder_->text().trimmed());
    std::set<std::filesystem::path> seen;
    for (const std::filesystem::path& file : openedPaths()) {
        std::filesystem::path folder = output.empty() ? file.parent_path() : output;
        folder = (folder / "").lexically_normal();
        if (seen.insert(folder).second)
            shell_.openPath(folder);
    }
}

void MainFrm::actOpenHelpExecute() {
    if (!lastChm_)
        return;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*lastChm_, error)) {
        dialogs_.information(
            QStringLiteral("帮助文件“%1”已不存在。").arg(widgettext::fromPath(*lastChm_)));
        return;
    }
    const QStringList viewers = shell_.chmViewers();
    if (viewers.isEmpty()) {
        dialogs_.information(
            QStringLiteral("没有找到能打开CHM帮助文件的程序。\n"
                           "Debian 中可以安装 xchm 或 kchmviewer，例如：sudo apt install xchm"));
        return;
    }
    shell_.openWith(viewers.constFirst(), *lastChm_);
}

void MainFrm::tlStructDblClick() {
    const QTreeWidgetItem* item = tlStruct_->currentItem();
    if (item == nullptr || !treeLayout_)
        return;
    const std::string title = item->data(0, Qt::UserRole).toByteArray().toStdString();
    const std::filesystem::path page =
        treeLayout_->topicPagePath(title, item->text(1).toStdString());
    std::error_code error;
    if (std::filesystem::is_regular_file(page, error))
        shell_.openPath(page);
    else
        dialogs_.information(
            QStringLiteral("“%1”的页面文件不存在：\n%2\n它可能已被删除，或者生成还没有写到这一页。")
                .arg(item->text(0), widgettext::fromPath(page)));
}

void MainFrm::image1Click() {
    shell_.openUrl(widgettext::fromGbk(kMakerAddress));
}

void MainFrm::closeEvent(QCloseEvent* event) {
    if (!running_) {
        saveSettings();
        removePreviews();
        event->accept();
        return;
    }
    // The run still works: a confirmed close stops it, and the window closes once the
    // run has ended.
    event->ignore();
    if (closeAfterRun_)
        return;
    if (dialogs_.askYesNo(
            QStringLiteral("退出提示"),
            QStringLiteral("正在生成帮助相关文件，是否确定要中断操作并退出本程序？")) &&
        running_) {
        closeAfterRun_ = true;
        stopRequested_ = true;
        generator_.abort();
        updateActions();
    }
}

void MainFrm::removePreviews() {
    additionalCode_->removePreviews();
}

void MainFrm::showProgressRow() {
    image1_->hide();
    panel6_->show();
}

void MainFrm::showBanner() {
    panel6_->hide();
    image1_->show();
}

// ---- Settings between sessions ------------------------------------------------------

void MainFrm::restoreSettings() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("window"));
    if (settings.contains(QStringLiteral("geometry")))
        restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    lastFolder_ = settings.value(QStringLiteral("lastFolder")).toString();
    recentFiles_ = settings.value(QStringLiteral("recentFiles")).toStringList();
    eLevel_->setText(settings.value(QStringLiteral("level"), QStringLiteral("0")).toString());
    cbAutoCHMTitle_->setChecked(settings.value(QStringLiteral("autoTitle"), true).toBool());
    cbUsesDefaultHTMLHeader_->setChecked(
        settings.value(QStringLiteral("defaultHeader"), false).toBool());
    eOutputFolder_->setText(settings.value(QStringLiteral("outputFolder")).toString());
    additionalCode_->setUseAdditionalCode(
        settings.value(QStringLiteral("useAdditionalCode"), false).toBool());
    additionalCode_->setCode(settings.value(QStringLiteral("prefixCode")).toString(),
                             settings.value(QStringLiteral("suffixCode")).toString());
    settings.endGroup();
    while (recentFiles_.size() > kRecentFiles)
        recentFiles_.removeLast();
    fillRecentMenu();
}

void MainFrm::saveSettings() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("window"));
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("lastFolder"), lastFolder_);
    settings.setValue(QStringLiteral("recentFiles"), recentFiles_);
    settings.setValue(QStringLiteral("level"), eLevel_->text());
    settings.setValue(QStringLiteral("autoTitle"), cbAutoCHMTitle_->isChecked());
    settings.setValue(QStringLiteral("defaultHeader"), cbUsesDefaultHTMLHeader_->isChecked());
    settings.setValue(QStringLiteral("outputFolder"), eOutputFolder_->text());
    settings.setValue(QStringLiteral("useAdditionalCode"), additionalCode_->useAdditionalCode());
    settings.setValue(QStringLiteral("prefixCode"), additionalCode_->prefixText());
    settings.setValue(QStringLiteral("suffixCode"), additionalCode_->suffixText());
    settings.endGroup();
}

} // namespace qm
