#include "MessageBoxDialogs.h"

#include "MainFrm.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace qm {

namespace {

// Word documents (LibreOffice converts the newer formats as well) and the HTML that
// Word saves. Qt reads the patterns from the last parenthesis.
const char* const kSourceFilter =
    "Word文件(*.doc;*.docx;*.rtf;*.odt);Word转存的HTML文件(*.html;*.htm) "
    "(*.html *.htm *.doc *.docx *.rtf *.odt)";
const char* const kAdditionalCodeFilter = "Quillmark 附加代码文件 (*.ahtml)";

} // namespace

bool MessageBoxDialogs::askYesNo(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxDialogs::information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), MainFrm::myCaption(), text);
}

void MessageBoxDialogs::error(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), MainFrm::myCaption(), text);
}

QStringList MessageBoxDialogs::openSourceFiles() {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QString::fromUtf8(kSourceFilter));
    dialog.setDefaultSuffix(QStringLiteral("html"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString MessageBoxDialogs::saveAdditionalCodeFile() {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QString::fromUtf8(kAdditionalCodeFilter));
    dialog.setDefaultSuffix(QStringLiteral("ahtml"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace qm
