#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "HelpViewer.h"
#include "WidgetText.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>

namespace qm {

namespace {

// The local files a drag carries that the window can open.
std::vector<std::filesystem::path> droppedDocuments(const QMimeData* data) {
    std::vector<std::filesystem::path> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() &&
            (MainFrm::isSourceDocument(url.toLocalFile()) || isHelpFileName(url.toLocalFile())) &&
            QFileInfo(url.toLocalFile()).isFile())
            files.push_back(widgettext::toPath(QDir::toNativeSeparators(url.toLocalFile())));
    return files;
}

} // namespace

MainFrm::MainFrm(Dialogs& dialogs, ui::ShellServices& shell, DocumentConverter* converter,
                 ProjectCompiler* compiler, std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), shell_(shell),
      presenter_(*this, {store_, shell, converter, compiler, std::move(programFolder),
                         widgettext::toPath(AdditionalCodePanel::userFolder())}) {
    createActions();
    buildWindow();
    ticker_ = new QTimer(this);
    ticker_->setInterval(500);
    connect(ticker_, &QTimer::timeout, this, [this] { presenter_.tick(); });
    resize(788, 521);
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    showProgressRow(false);
    QSettings settings = QtSettingsStore::open();
    if (settings.contains(QStringLiteral("window/geometry")))
        restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
    presenter_.restoreSettings();
    bindEdits();
    setAcceptDrops(true);
    presenter_.updateActions();
    // The rest of the start-up runs once the window is shown and the loop runs.
    QMetaObject::invokeMethod(
        this, [this] { presenter_.startUp(); }, Qt::QueuedConnection);
}

MainFrm::~MainFrm() {
    presenter_.shutDown();
    presenter_.removePreviews();
}

QString MainFrm::myCaption() {
    return QStringLiteral("Quillmark");
}

bool MainFrm::isSourceDocument(const QString& path) {
    return ui::MainPresenter::isSourceDocument(widgettext::toPath(path));
}

void MainFrm::processEvents() {
    QCoreApplication::processEvents();
}

void MainFrm::closeEvent(QCloseEvent* event) {
    if (!presenter_.requestClose()) {
        event->ignore();
        return;
    }
    QtSettingsStore::open().setValue(QStringLiteral("window/geometry"), saveGeometry());
    event->accept();
}

void MainFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (!presenter_.running() && !droppedDocuments(event->mimeData()).empty())
        event->acceptProposedAction();
}

// Dropped documents are opened as the open dialog opens them; nothing starts. A
// dropped CHM opens in the help viewer.
void MainFrm::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> files = droppedDocuments(event->mimeData());
    if (presenter_.running() || files.empty())
        return;
    event->acceptProposedAction();
    for (const std::filesystem::path& file : files)
        if (ui::MainPresenter::isHelpFile(file))
            presenter_.viewHelp(file);
    std::erase_if(files, ui::MainPresenter::isHelpFile);
    if (!files.empty())
        presenter_.openFiles(files);
}

ui::MainView::HelpShown MainFrm::showHelp(const std::filesystem::path& chm) {
    return openHelpViewer(chm, shell_, dialogs_) != nullptr ? HelpShown::Shown : HelpShown::Failed;
}

} // namespace qm
