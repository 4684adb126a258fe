#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// What the box at the end of a run tells.
struct RunReport {
    bool warning = false; // a file failed, a CHM was not built or the run was stopped
    QString headline;     // the first line: what failed, or that everything was made
    QString details;      // the whole summary, shown scrollable
};

// The modal boxes and file dialogs of the window. The window asks through this
// interface, so that tests can answer without a real modal loop.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A question with the buttons Yes and No and no icon, noByDefault: No has the focus
    // (a question that destroys or quits); true for Yes.
    virtual bool askYesNo(const QString& caption, const QString& text, bool noByDefault) = 0;
    // An information box with the OK button, captioned with the program's title.
    virtual void information(const QString& text) = 0;
    // The standard error box for an error that ended an operation.
    virtual void error(const QString& text) = 0;
    // The box that ends a run.
    virtual void showResult(const RunReport& report) = 0;
    // The open dialog for source documents, starting in folder: full paths in the
    // dialog's order, or an empty list when the user cancels.
    virtual QStringList openSourceFiles(const QString& folder) = 0;
    // The open and save dialogs for an additional-code file, starting in folder: a full
    // path, or empty when cancelled.
    virtual QString openAdditionalCodeFile(const QString& folder) = 0;
    virtual QString saveAdditionalCodeFile(const QString& folder) = 0;
    // A folder chooser starting at folder: the chosen folder, or empty when cancelled.
    virtual QString chooseFolder(const QString& folder) = 0;
};

} // namespace qm
