#include "MessageBoxDialogs.h"

#include "MainFrm.h"
#include "ui/MainPresenter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qm {

namespace {

// Word documents (LibreOffice converts the newer formats as well) and the HTML that
// Word saves. Qt reads the patterns from the last parenthesis.
// "Word 文档 (*.doc *.docx)": one filter per kind, as the window's logic lists them.
QStringList sourceFilters() {
    QStringList filters;
    for (const ui::MainPresenter::FileFilter& filter : ui::MainPresenter::sourceFilters()) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns.append(QString::fromStdString(pattern));
        filters.append(QString::fromStdString(filter.name) + " (" + patterns.join(' ') + ')');
    }
    return filters;
}
const char* const kAdditionalCodeFilter = "Quillmark 附加代码文件 (*.ahtml)";

QString oneFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

bool MessageBoxDialogs::askYesNo(const QString& caption, const QString& text, bool noByDefault) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(noByDefault ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxDialogs::information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), MainFrm::myCaption(), text);
}

void MessageBoxDialogs::error(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), MainFrm::myCaption(), text);
}

// The icon and the headline first, then the summary in a box that scrolls however many
// files the run had.
void MessageBoxDialogs::showResult(const RunReport& report) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("RunReport"));
    dialog.setWindowTitle(MainFrm::myCaption());
    dialog.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&dialog);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(&dialog);
    const QStyle::StandardPixmap kind =
        report.warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
    icon->setPixmap(dialog.style()->standardIcon(kind, nullptr, &dialog).pixmap(size, size));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* headline = new QLabel(report.headline, &dialog);
    headline->setWordWrap(true);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    top->addWidget(headline, 1);
    layout->addLayout(top);
    auto* details = new QPlainTextEdit(report.details, &dialog);
    details->setReadOnly(true);
    details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    details->setTabChangesFocus(true);
    layout->addWidget(details, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(560, 360);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    dialog.exec();
}

QStringList MessageBoxDialogs::openSourceFiles(const QString& folder) {
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("打开文档"), folder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(sourceFilters());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString MessageBoxDialogs::openAdditionalCodeFile(const QString& folder) {
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("打开附加代码"), folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QString::fromUtf8(kAdditionalCodeFilter));
    return oneFile(dialog);
}

QString MessageBoxDialogs::saveAdditionalCodeFile(const QString& folder) {
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("保存附加代码"), folder);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QString::fromUtf8(kAdditionalCodeFilter));
    dialog.setDefaultSuffix(QStringLiteral("ahtml"));
    return oneFile(dialog);
}

QString MessageBoxDialogs::chooseFolder(const QString& folder) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                             QStringLiteral("选择输出目录"), folder);
}

} // namespace qm
