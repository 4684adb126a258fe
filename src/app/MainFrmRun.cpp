// The window as the host of a generation run: the run reads the settings from the
// controls at the moment of use and reports into the progress row and the tree.
#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Dialogs.h"
#include "WidgetText.h"
#include "text/Gbk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace qm {

void MainFrm::actGenerateExecute() {
    if (eCHMTitle_->text() == titleSuffix() &&
        dialogs_.askYesNo(QStringLiteral("提示"),
                          QStringLiteral("您没有给出帮助文件标题(CHM文件打开时显示的标题)，"
                                         "您希望给出标题后再生成吗？")))
        return;
    showProgressRow();
    bool failed = false;
    try {
        generator_.GenerationRun();
    } catch (const std::exception& error) {
        // The run has restored its flags and controls; the progress row stays in place
        // of the banner until a later run ends normally.
        failed = true;
        dialogs_.error(widgettext::errorText(error));
    }
    if (!failed)
        showBanner();
    updateActions();
    if (closeAfterRun_)
        close();
}

std::string MainFrm::levelText() {
    return widgettext::toGbk(eLevel_->text());
}

bool MainFrm::autoTitle() {
    return cbAutoCHMTitle_->isChecked();
}

bool MainFrm::useDefaultHeader() {
    return cbUsesDefaultHTMLHeader_->isChecked();
}

bool MainFrm::useAdditionalCode() {
    return additionalCode_->useAdditionalCode();
}

std::string MainFrm::beforeEntry() {
    return additionalCode_->beforeEntry();
}

std::string MainFrm::afterEntry() {
    return additionalCode_->afterEntry();
}

std::string MainFrm::chmTitle() {
    return widgettext::toGbk(eCHMTitle_->text());
}

void MainFrm::setChmTitle(const std::string& title) {
    eCHMTitle_->setText(widgettext::fromGbk(title));
}

std::string MainFrm::chmFileName() {
    return widgettext::toGbk(eCHMFileName_->text());
}

void MainFrm::setChmFileName(const std::string& name) {
    eCHMFileName_->setText(widgettext::fromGbk(name));
}

void MainFrm::showText(RunField field, const std::string& text) {
    const QString shown = widgettext::fromGbk(text);
    switch (field) {
    case RunField::SourceFileName:
        eSourceFileName_->setText(shown);
        break;
    case RunField::Status:
        lInfor_->setText(shown);
        break;
    case RunField::FileCount:
        lGlobalCount_->setText(shown);
        break;
    case RunField::BeginTime:
        lBegin_->setText(shown);
        break;
    case RunField::EndTime:
        lEnd_->setText(shown);
        break;
    case RunField::TargetFolder:
        label4_->setText(shown);
        break;
    case RunField::DefaultPage:
        edit3_->setText(shown);
        break;
    }
}

void MainFrm::setRunControlsEnabled(bool enabled) {
    eLevel_->setEnabled(enabled);
    additionalCode_->setRunControlsEnabled(enabled);
}

void MainFrm::runStarted() {
    runWarnings_.clear();
    eSourceFiles_->hide();
    actGenerate_->setEnabled(false);
    actOpen_->setEnabled(false);
    setRunControlsEnabled(false);
    updateActions();
}

void MainFrm::runFinished() {
    setBusy(false); // whatever way the run ended, the pointer is the arrow again
    eSourceFiles_->show();
    setRunControlsEnabled(true);
    updateActions();
}

void MainFrm::setBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// The run's warnings (a page the compiler could not find, a link left uncopied) end
// the summary, so the user sees them where the result is told.
void MainFrm::showSummary(const std::string& text) {
    std::string shown = text;
    if (!runWarnings_.empty()) {
        shown += "\r\r" + gbk::fromUtf8("警告：");
        for (const std::string& warning : runWarnings_)
            shown += "\r" + warning;
    }
    runWarnings_.clear();
    dialogs_.information(widgettext::boxText(shown));
}

void MainFrm::warning(const std::string& text) {
    runWarnings_.push_back(text);
}

void MainFrm::showWordFailure(const std::string& text) {
    dialogs_.information(widgettext::boxText(text));
}

void MainFrm::processEvents() {
    QCoreApplication::processEvents();
}

void MainFrm::structureCleared() {
    nodeItems_.clear();
    tlStruct_->clear();
}

void MainFrm::fillNodeItem(QTreeWidgetItem* item, const StructureNode& node) {
    item->setText(0, QString::fromStdString(
                         gbk::toDisplayUtf8(node.heading.empty() ? node.title : node.heading)));
    // The exact bytes of the title name the topic's page; the shown text may not
    // convert back to them.
    item->setData(0, Qt::UserRole, QByteArray::fromStdString(node.title));
    item->setText(1, QString::fromStdString(node.position));
    item->setText(2, QString::fromStdString(node.endPosition));
    item->setText(3, QString::fromStdString(node.level));
}

void MainFrm::nodeAdded(const StructureNode& node) {
    QTreeWidgetItem* parentItem = node.parent != nullptr ? nodeItems_.value(node.parent) : nullptr;
    auto* item =
        parentItem != nullptr ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(tlStruct_);
    fillNodeItem(item, node);
    nodeItems_.insert(&node, item);
    if (parentItem != nullptr)
        parentItem->setExpanded(true);
}

void MainFrm::nodeChanged(const StructureNode& node) {
    if (QTreeWidgetItem* item = nodeItems_.value(&node))
        fillNodeItem(item, node);
}

} // namespace qm
