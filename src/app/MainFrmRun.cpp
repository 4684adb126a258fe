// The window as the host of a generation run. The run works on a thread of its own;
// every call it makes here either reads the settings the controls share with it or
// passes what it reports to the window's thread through the event loop.
#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Dialogs.h"
#include "ElidedLabel.h"
#include "WidgetText.h"
#include "split/StructureTree.h"
#include "text/DelphiFormat.h"
#include "text/Gbk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace qm {

namespace {

bool startsWith(const std::string& text, const char* utf8) {
    return text.starts_with(gbk::fromUtf8(utf8));
}

// The core's time texts lead with four blanks to stand apart in one row; the window
// gives each its own label.
QString trimmed(const std::string& gbkText) {
    return widgettext::fromGbk(gbkText).trimmed();
}

QString clockText(qint64 milliseconds) {
    const qint64 seconds = (milliseconds + 999) / 1000;
    return QString::asprintf("%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                             seconds % 60);
}

} // namespace

// ---- The window's side: starting, watching and ending a run -----------------------

void MainFrm::actGenerateExecute() {
    if (running_)
        return;
    if (eCHMTitle_->text() == titleSuffix() &&
        dialogs_.askYesNo(QStringLiteral("提示"),
                          QStringLiteral("您没有给出帮助文件标题(CHM文件打开时显示的标题)，"
                                         "您希望给出标题后再生成吗？")))
        return;

    // A stop or close of the last run must not end this one before it starts.
    generator_.stopFlag().clear();
    stopRequested_ = false;
    closeAfterRun_ = false;
    const RunSettings settings = runSettings();
    runOutput_ = settings.outputFolder;
    std::vector<RunProgress::File> files;
    for (const std::filesystem::path& path : generator_.openedFiles()) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(path, error);
        bool converted = false;
        try {
            converted = FileLayout::forSource(path).needsConversion();
        } catch (const std::exception&) {
            // the run refuses the name when it comes to the file
        }
        files.push_back({error ? 0 : static_cast<std::int64_t>(bytes), converted});
    }
    progress_.start(std::move(files));
    nextFile_ = 0;
    lastStatus_.clear();
    runWarnings_.clear();
    summaryShown_ = false;

    running_ = true;
    setRunControlsEnabled(false);
    eSourceFiles_->hide();
    eSourceFileName_->show();
    progressBar_->setValue(0);
    shownProgress_ = 0;
    lInfor_->setText(progress_.text());
    lEnd_->clear();
    showProgressRow();
    setCursor(Qt::BusyCursor);
    runClock_.start();
    estimatedEnd_ = -1;
    remainingTimer_->start();
    updateActions();

    runThread_ = QThread::create([this, settings] {
        RunOutcome outcome;
        bool failed = false;
        QString error;
        try {
            outcome = generator_.GenerationRun(settings);
        } catch (const std::exception& e) {
            failed = true;
            error = widgettext::errorText(e);
        } catch (...) {
            failed = true;
            error = QStringLiteral("生成时发生未知错误。");
        }
        post([this, outcome, failed, error] { finishRun(outcome, failed, error); });
    });
    runThread_->setObjectName(QStringLiteral("GenerationRun"));
    runThread_->start();
}

void MainFrm::actStopExecute() {
    if (!running_ || stopRequested_)
        return;
    stopRequested_ = true;
    generator_.abort();
    lInfor_->setText(QStringLiteral("正在停止 …"));
    updateActions();
}

void MainFrm::finishRun(const RunOutcome& outcome, bool failed, const QString& error) {
    runThread_->wait(); // it has nothing left to do but return
    delete runThread_;
    runThread_ = nullptr;
    running_ = false;
    remainingTimer_->stop();
    unsetCursor();
    eSourceFileName_->hide();
    eSourceFiles_->show();
    setRunControlsEnabled(true);
    cbRenumber_->setChecked(false); // numbered anew once; the next run keeps the numbers

    if (failed) {
        // The progress row stays in place of the banner until a later run ends normally.
        updateActions();
        dialogs_.error(error);
    } else {
        progressBar_->setValue(RunProgress::kMaximum);
        showBanner();
        updateActions();
        if (!closeAfterRun_)
            showRunReport(outcome);
    }
    runWarnings_.clear();
    updateActions();
    emit runEnded();
    if (closeAfterRun_)
        close();
}

// The box that ends a run: its first line says what failed, if anything, and the
// summary with the run's warnings (a page the compiler could not find, a link left
// uncopied) follows.
void MainFrm::showRunReport(const RunOutcome& outcome) {
    const bool stopped = outcome.ending == RunOutcome::Ending::Interrupted;
    if (!summaryShown_ && !(stopped && stopRequested_))
        return;
    std::string text = outcome.summary;
    if (!runWarnings_.empty()) {
        text += "\r\r" + gbk::fromUtf8("警告：");
        for (const std::string& line : runWarnings_)
            text += "\r" + line;
    }
    RunReport report;
    report.details = widgettext::boxText(text);
    const int files = static_cast<int>(openedFiles_.size());
    const int unfinished = std::max(0, files - outcome.chmsBuilt);
    if (stopped) {
        report.warning = true;
        report.headline = QStringLiteral("生成已停止，已完成的文件保留。");
    } else if (unfinished > 0 || outcome.filesFailed > 0 || outcome.chmsIncomplete > 0) {
        report.warning = true;
        report.headline = files == 1
                              ? QStringLiteral("没有生成完整的CHM帮助文件")
                              : QStringLiteral("%1 个文件中有 %2 个没有生成完整的CHM帮助文件")
                                    .arg(files)
                                    .arg(unfinished);
        if (outcome.filesFailed > 0)
            report.headline += QStringLiteral("（%1 个文件处理失败）").arg(outcome.filesFailed);
        report.headline += QStringLiteral("，详见下文。");
    } else {
        report.headline = QStringLiteral("已生成 %1 个CHM帮助文件。").arg(outcome.chmsBuilt);
    }
    dialogs_.showResult(report);
}

void MainFrm::tickRemainingTime() {
    if (!running_ || shownProgress_ <= 0)
        return;
    const qint64 elapsed = runClock_.elapsed();
    const double done = static_cast<double>(shownProgress_) / RunProgress::kMaximum;
    // The estimate counts down between two reports of progress; once it runs out while
    // the work goes on, it is made anew from the pace so far.
    if (estimatedEnd_ < 0 || estimatedEnd_ - elapsed < 1000)
        estimatedEnd_ =
            elapsed + static_cast<qint64>(static_cast<double>(elapsed) * (1 - done) / done);
    lEnd_->setText(QStringLiteral("大概剩余时间：%1").arg(clockText(estimatedEnd_ - elapsed)));
}

void MainFrm::setRunControlsEnabled(bool enabled) {
    eLevel_->setEnabled(enabled);
    cbUsesDefaultHTMLHeader_->setEnabled(enabled);
    cbRenumber_->setEnabled(enabled);
    eOutputFolder_->setEnabled(enabled);
    browseOutput_->setEnabled(enabled);
    additionalCode_->setRunControlsEnabled(enabled);
}

// ---- Crossing between the two threads ----------------------------------------------

bool MainFrm::onGuiThread() const {
    return QThread::currentThread() == thread();
}

void MainFrm::post(std::function<void()> code) {
    if (onGuiThread())
        code();
    else
        QMetaObject::invokeMethod(this, std::move(code), Qt::QueuedConnection);
}

// Runs code on the window's thread and waits for it, unless the window is going away.
void MainFrm::waitForGui(std::function<void()> code) {
    if (onGuiThread()) {
        code();
        return;
    }
    auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        this,
        [code = std::move(code), done] {
            code();
            done->release();
        },
        Qt::QueuedConnection);
    while (!done->tryAcquire(1, 50))
        if (closing_)
            return;
}

void MainFrm::publishProgress(bool wait) {
    auto show = [this, value = progress_.value(), text = progress_.text()] {
        if (!running_)
            return;
        lInfor_->setText(stopRequested_ ? QStringLiteral("正在停止 …") : text);
        if (value != shownProgress_) {
            shownProgress_ = value;
            estimatedEnd_ = -1;
            progressBar_->setValue(value);
        }
    };
    if (wait)
        waitForGui(std::move(show));
    else
        post(std::move(show));
}

// A new file of the run: its names and target folder replace the last file's at once.
void MainFrm::fileStartedOnRunThread(const std::string& shownPath) {
    const std::vector<std::filesystem::path>& files = generator_.openedFiles();
    std::size_t index = nextFile_;
    for (std::size_t i = nextFile_; i < files.size(); ++i)
        if (gbk::fromPath(files[i]) == shownPath) {
            index = i;
            break;
        }
    nextFile_ = index + 1;
    progress_.fileStarted(index);
    lastStatus_.clear(); // the conversion's notice comes again for this file
    QString fileName;
    QString folder;
    if (index < files.size()) {
        try {
            const FileLayout layout = FileLayout::forSource(files[index], runOutput_);
            fileName = widgettext::fromGbk(layout.baseName + ".chm");
            folder = QStringLiteral("生成文件保存到【%1】目录下")
                         .arg(widgettext::fromGbk(layout.targetFolderText()));
        } catch (const std::exception&) {
            // a name no project can have: the run says so when it comes to it
        }
    }
    post([this, shown = widgettext::fromGbk(shownPath), fileName, folder] {
        eSourceFileName_->setText(shown);
        eCHMFileName_->setText(fileName);
        label4_->setFullText(folder);
        edit3_->clear();
    });
    publishProgress(false);
}

// ---- RunListener --------------------------------------------------------------------

// Asked when the run is about to replace a project another document made.
bool MainFrm::replaceProject(const std::string& question) {
    auto replace = std::make_shared<bool>(false);
    waitForGui([this, replace, shown = widgettext::boxText(question)] {
        *replace = dialogs_.askYesNo(QStringLiteral("替换帮助工程"), shown);
    });
    return *replace;
}

void MainFrm::showText(RunField field, const std::string& text) {
    switch (field) {
    case RunField::SourceFileName:
        fileStartedOnRunThread(text);
        return;
    case RunField::Status:
        // The bar tells the step from the core's texts; the same text again (the
        // compiler's checkpoints) changes nothing.
        if (text == lastStatus_)
            return;
        lastStatus_ = text;
        if (startsWith(text, "正在生成中间文件"))
            progress_.converting();
        else if (startsWith(text, "正在编译"))
            progress_.compiling();
        else if (!text.empty())
            progress_.compilerSaid(text);
        publishProgress(false);
        return;
    case RunField::FileCount:
        post([this, shown = widgettext::fromGbk(text)] { lGlobalCount_->setText(shown); });
        return;
    case RunField::BeginTime:
        post([this, shown = trimmed(text)] { lBegin_->setText(shown); });
        return;
    case RunField::EndTime:
        // The window keeps its own remaining time for the whole run.
        if (text.find(gbk::fromUtf8("剩余时间")) != std::string::npos)
            return;
        post([this, shown = trimmed(text)] { lEnd_->setText(shown); });
        return;
    case RunField::ChmFileName:
        post([this, shown = widgettext::fromGbk(text)] { eCHMFileName_->setText(shown); });
        return;
    case RunField::TargetFolder:
        post([this, shown = widgettext::fromGbk(text)] { label4_->setFullText(shown); });
        return;
    case RunField::DefaultPage:
        post([this, shown = widgettext::fromGbk(text)] { edit3_->setText(shown); });
        return;
    }
}

// The window shows the title the run made; a title typed later goes to the run again.
void MainFrm::titleChosen(const std::string& title) {
    post([this, text = widgettext::fromGbk(title)] { eCHMTitle_->setText(text); });
}

void MainFrm::showSummary(const std::string&) {
    post([this] { summaryShown_ = true; });
}

// The run waits until the user has read why the document could not be converted.
void MainFrm::showWordFailure(const std::string& text) {
    waitForGui([this, shown = widgettext::boxText(text)] { dialogs_.information(shown); });
}

void MainFrm::warning(const std::string& text) {
    post([this, text] { runWarnings_.push_back(text); });
}

// The window's thread has its own event loop; on the window's thread (a test, a
// caller of its own) this lets pending events through.
void MainFrm::processEvents() {
    if (onGuiThread())
        QCoreApplication::processEvents();
}

// The scan waits until the window shows its progress: the tree never lags far behind
// the scan, and a stop pressed meanwhile is seen at the scan's next step.
void MainFrm::scanProgress(std::int64_t done, std::int64_t total, std::size_t nodes) {
    progress_.scanned(done, total, nodes);
    publishProgress(true);
}

void MainFrm::structureCleared(const FileLayout& layout) {
    post([this, layout] {
        nodeItems_.clear();
        tlStruct_->clear();
        treeLayout_ = layout;
    });
}

MainFrm::NodeRow MainFrm::nodeRow(const StructureNode& node) {
    return NodeRow{&node,
                   node.parent,
                   QString::fromStdString(
                       gbk::toDisplayUtf8(node.heading.empty() ? node.title : node.heading)),
                   QByteArray::fromStdString(node.title),
                   QString::fromStdString(node.position),
                   QString::fromStdString(node.endPosition),
                   QString::fromStdString(node.level)};
}

void MainFrm::fillNodeItem(QTreeWidgetItem* item, const NodeRow& row) {
    item->setText(0, row.shown);
    // The exact bytes of the title name the topic's page; the shown text may not
    // convert back to them.
    item->setData(0, Qt::UserRole, row.title);
    item->setText(1, row.position);
    item->setText(2, row.endPosition);
    item->setText(3, row.level);
}

// The nodes stay in place in the run's tree until the next scan clears it, so their
// addresses name them; the window never follows them.
void MainFrm::nodeAdded(const StructureNode& node) {
    post([this, row = nodeRow(node)] {
        QTreeWidgetItem* parentItem =
            row.parent != nullptr ? nodeItems_.value(row.parent) : nullptr;
        auto* item = parentItem != nullptr ? new QTreeWidgetItem(parentItem)
                                           : new QTreeWidgetItem(tlStruct_);
        fillNodeItem(item, row);
        nodeItems_.insert(row.key, item);
        if (parentItem != nullptr)
            parentItem->setExpanded(true);
    });
}

// The help button opens the last CHM the run finished.
void MainFrm::fileDone(const FileReport& report) {
    if (report.outcome != FileReport::Outcome::Done)
        return;
    for (const std::filesystem::path& output : report.outputs)
        if (output.extension() == ".chm")
            post([this, output] { lastChm_ = output; });
}

void MainFrm::nodeChanged(const StructureNode& node) {
    post([this, row = nodeRow(node)] {
        if (QTreeWidgetItem* item = nodeItems_.value(row.key))
            fillNodeItem(item, row);
    });
}

} // namespace qm
