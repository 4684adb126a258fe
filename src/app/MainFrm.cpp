#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "Dialogs.h"
#include "ShellServices.h"
#include "WidgetText.h"
#include "split/PageFrame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>

namespace qm {

namespace {

// The path as the enable rule of actGenerate sees it: without leading and trailing
// blanks and control characters.
bool isBlank(const std::filesystem::path& path) {
    const std::string& text = path.native();
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

} // namespace

MainFrm::MainFrm(Dialogs& dialogs, ShellServices& shell, DocumentConverter* converter,
                 ProjectCompiler* compiler, std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), shell_(shell),
      programFolder_(std::move(programFolder)), generator_(*this, converter, compiler) {
    createActions();
    buildWindow();
    resize(788, 521);
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    showBanner();
    updateActions();

    // The enable rules follow the state whenever the event loop is about to wait.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainFrm::updateActions);
    // The rest of the start-up runs once the window is shown and the loop runs.
    QMetaObject::invokeMethod(this, &MainFrm::startUp, Qt::QueuedConnection);
}

MainFrm::~MainFrm() = default;

QString MainFrm::myCaption() {
    return QStringLiteral("Quillmark");
}

QString MainFrm::titleSuffix() {
    return QStringLiteral(" －帮助");
}

void MainFrm::startUp() {
    if (startedUp_)
        return;
    startedUp_ = true;
    additionalCode_->listFiles(programFolder_);
    updateActions();
}

void MainFrm::updateActions() {
    const bool generating = generator_.generating();
    actOpen_->setEnabled(!generating);
    actGenerate_->setEnabled(!isBlank(generator_.intermediateHtml()) && !generating);
    actOpenDestDirect_->setEnabled(!eSourceFiles_->text().isEmpty());
    additionalCode_->updateActions(generating);
}

void MainFrm::actOpenExecute() {
    const QStringList files = dialogs_.openSourceFiles();
    // A cancelled dialog keeps the files opened before: the window still names them,
    // and "生成" must process what it shows.
    if (files.isEmpty())
        return;
    std::vector<std::filesystem::path> paths;
    paths.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files)
        paths.push_back(widgettext::toPath(file));
    generator_.openFiles(paths);

    eSourceFileName_->setText(files.constFirst());
    if (cbAutoCHMTitle_->isChecked())
        eCHMTitle_->setText(widgettext::fromPath(generator_.intermediateHtml().stem()) +
                            titleSuffix());
    eSourceFiles_->setText(files.join(QLatin1Char(';')));
    updateActions();
}

void MainFrm::actOpenDestDirectExecute() {
    // One request per opened file, also when files share a folder.
    for (const std::filesystem::path& file : generator_.openedFiles())
        shell_.openPath(file.parent_path() / "");
}

void MainFrm::tlStructDblClick() {
    const QTreeWidgetItem* item = tlStruct_->currentItem();
    if (item == nullptr)
        return;
    StructureNode node;
    node.title = item->data(0, Qt::UserRole).toByteArray().toStdString();
    node.position = item->text(1).toStdString();
    const std::filesystem::path page = generator_.topicPagePath(node);
    std::error_code error;
    if (std::filesystem::is_regular_file(page, error))
        shell_.openPath(page);
}

void MainFrm::image1Click() {
    shell_.openUrl(widgettext::fromGbk(kMakerAddress));
}

void MainFrm::closeEvent(QCloseEvent* event) {
    if (!generator_.generating()) {
        event->accept();
        return;
    }
    // The run is still on the stack below this handler: the window must outlive it.
    // A confirmed close stops the run, and the window closes once the run has returned.
    event->ignore();
    if (closeAfterRun_)
        return;
    if (dialogs_.askYesNo(
            QStringLiteral("退出提示"),
            QStringLiteral("正在生成帮助相关文件，是否确定要中断操作并退出本程序？"))) {
        closeAfterRun_ = true;
        generator_.abort();
    }
}

void MainFrm::showProgressRow() {
    image1_->hide();
    panel5_->show();
    panel6_->show();
}

void MainFrm::showBanner() {
    panel6_->hide();
    panel5_->hide();
    image1_->show();
}

} // namespace qm
