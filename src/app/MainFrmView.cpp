// The window as the presenter's view: every call sets or reads widgets, nothing more.
#include "MainFrm.h"

#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "Dialogs.h"
#include "ElidedField.h"
#include "ElidedLabel.h"
#include "WidgetText.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace qm {

namespace {

QString shown(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString folderText(const std::filesystem::path& folder) {
    return widgettext::fromPath(folder);
}

} // namespace

// Code posted to a window that is gone is dropped with the window's pending events.
void MainFrm::post(std::function<void()> code) {
    QMetaObject::invokeMethod(this, std::move(code), Qt::QueuedConnection);
}

QLineEdit* MainFrm::field(ui::Text which) const {
    switch (which) {
    case ui::Text::SourceFiles:
        return eSourceFiles_;
    case ui::Text::SourceFileName:
        return eSourceFileName_;
    case ui::Text::Title:
        return eCHMTitle_;
    case ui::Text::ChmFileName:
        return eCHMFileName_;
    case ui::Text::DefaultPage:
        return edit3_;
    case ui::Text::OutputFolder:
        return eOutputFolder_;
    case ui::Text::Level:
        return eLevel_;
    default:
        return nullptr;
    }
}

void MainFrm::setText(ui::Text which, const std::string& text) {
    switch (which) {
    case ui::Text::TargetFolder:
        return label4_->setFullText(shown(text));
    case ui::Text::DefaultPage:
        return edit3_->setFullText(shown(text));
    case ui::Text::BeforeEntry:
    case ui::Text::AfterEntry:
        return additionalCode_->setMemo(which, shown(text));
    case ui::Text::Status:
        return lInfor_->setText(shown(text));
    case ui::Text::FileCount:
        return lGlobalCount_->setText(shown(text));
    case ui::Text::BeginTime:
        return lBegin_->setText(shown(text));
    case ui::Text::EndTime:
        return lEnd_->setText(shown(text));
    default:
        field(which)->setText(shown(text));
    }
}

void MainFrm::setChecked(ui::Switch box, bool on) {
    switch (box) {
    case ui::Switch::AutoTitle:
        return cbAutoCHMTitle_->setChecked(on);
    case ui::Switch::DefaultHeader:
        return cbUsesDefaultHTMLHeader_->setChecked(on);
    case ui::Switch::Renumber:
        return cbRenumber_->setChecked(on);
    case ui::Switch::NumberedNames:
        return cbNumberedNames_->setChecked(on);
    case ui::Switch::UseAdditionalCode:
        return additionalCode_->setUseAdditionalCode(on);
    }
}

void MainFrm::setEnabled(ui::Control control, bool enabled) {
    if (additionalCode_->setControlEnabled(control, enabled))
        return;
    QObject* target = nullptr;
    switch (control) {
    case ui::Control::Open:
        target = actOpen_;
        break;
    case ui::Control::Recent:
        target = recentButton_;
        break;
    case ui::Control::Generate:
        target = actGenerate_;
        break;
    case ui::Control::Stop:
        target = actStop_;
        break;
    case ui::Control::OpenFolder:
        target = actOpenDestDirect_;
        break;
    case ui::Control::OpenHelp:
        target = actOpenHelp_;
        break;
    case ui::Control::Level:
        target = eLevel_;
        break;
    case ui::Control::DefaultHeader:
        target = cbUsesDefaultHTMLHeader_;
        break;
    case ui::Control::Renumber:
        target = cbRenumber_;
        break;
    case ui::Control::NumberedNames:
        target = cbNumberedNames_;
        break;
    case ui::Control::OutputFolder:
        target = eOutputFolder_;
        break;
    case ui::Control::BrowseOutput:
        target = browseOutput_;
        break;
    default:
        return;
    }
    if (auto* action = qobject_cast<QAction*>(target))
        action->setEnabled(enabled);
    else if (auto* widget = qobject_cast<QWidget*>(target))
        widget->setEnabled(enabled);
}

void MainFrm::showProgressRow(bool shownRow) {
    image1_->setVisible(!shownRow);
    panel6_->setVisible(shownRow);
}

void MainFrm::showFileInHand(bool shownField) {
    eSourceFiles_->setVisible(!shownField);
    eSourceFileName_->setVisible(shownField);
}

// The whole run shows the busy pointer over the window; the window still answers.
void MainFrm::setBusy(bool busy) {
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainFrm::setProgress(int value) {
    progressBar_->setValue(value);
}

void MainFrm::setTicking(bool on) {
    if (on)
        ticker_->start();
    else
        ticker_->stop();
}

void MainFrm::runHasEnded() {
    emit runEnded();
}

void MainFrm::clearTree() {
    nodeItems_.clear();
    tlStruct_->clear();
}

void MainFrm::fillNodeItem(QTreeWidgetItem* item, const ui::NodeRow& row) {
    item->setText(0, shown(row.shown));
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(row.id)));
    item->setText(1, shown(row.position));
    item->setText(2, shown(row.endPosition));
    item->setText(3, shown(row.level));
}

void MainFrm::addNode(const ui::NodeRow& row) {
    QTreeWidgetItem* parentItem = row.parent != 0 ? nodeItems_.value(row.parent) : nullptr;
    auto* item =
        parentItem != nullptr ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(tlStruct_);
    fillNodeItem(item, row);
    nodeItems_.insert(row.id, item);
    if (parentItem != nullptr)
        parentItem->setExpanded(true);
}

void MainFrm::changeNode(const ui::NodeRow& row) {
    if (QTreeWidgetItem* item = nodeItems_.value(row.id))
        fillNodeItem(item, row);
}

void MainFrm::setRecentFiles(const std::vector<ui::RecentRow>& rows) {
    recentMenu_->clear();
    recentMenu_->setToolTipsVisible(true); // a batch lists its files there
    for (const ui::RecentRow& row : rows) {
        // A path's '&' is no mnemonic.
        QAction* item = recentMenu_->addAction(shown(row.caption).replace('&', "&&"));
        item->setToolTip(shown(row.details));
        connect(item, &QAction::triggered, this,
                [this, files = row.files] { presenter_.openRecent(files); });
    }
    if (!rows.empty()) {
        recentMenu_->addSeparator();
        QAction* forget = recentMenu_->addAction(QStringLiteral("清除列表"));
        connect(forget, &QAction::triggered, this, [this] { presenter_.clearRecent(); });
    }
}

void MainFrm::setCodeFiles(const std::vector<ui::CodeFileRow>& files) {
    additionalCode_->setRows(files);
}

bool MainFrm::askYesNo(const std::string& caption, const std::string& text, ui::Answer preset) {
    return dialogs_.askYesNo(shown(caption), shown(text), preset == ui::Answer::No);
}

void MainFrm::information(const std::string& text) {
    dialogs_.information(shown(text));
}

void MainFrm::error(const std::string& text) {
    dialogs_.error(shown(text));
}

void MainFrm::showResult(const ui::RunReport& report) {
    dialogs_.showResult({report.warning, shown(report.headline), shown(report.details)});
}

std::vector<std::filesystem::path> MainFrm::chooseSourceFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const QString& file : dialogs_.openSourceFiles(folderText(folder)))
        files.push_back(widgettext::toPath(file));
    return files;
}

std::filesystem::path MainFrm::chooseCodeFileToOpen(const std::filesystem::path& folder) {
    return widgettext::toPath(dialogs_.openAdditionalCodeFile(folderText(folder)));
}

std::filesystem::path MainFrm::chooseCodeFileToSave(const std::filesystem::path& folder) {
    return widgettext::toPath(dialogs_.saveAdditionalCodeFile(folderText(folder)));
}

std::filesystem::path MainFrm::chooseFolder(const std::filesystem::path& folder) {
    return widgettext::toPath(dialogs_.chooseFolder(folderText(folder)));
}

void MainFrm::closeWindow() {
    QMainWindow::close();
}

} // namespace qm
