#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// The modal boxes and file dialogs of the window. The window asks through this
// interface, so that tests can answer without a real modal loop.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A question with the buttons Yes and No and no icon; true for Yes.
    virtual bool askYesNo(const QString& caption, const QString& text) = 0;
    // An information box with the OK button, captioned with the program's title.
    virtual void information(const QString& text) = 0;
    // The standard error box for an error that ended an operation.
    virtual void error(const QString& text) = 0;
    // The open dialog for source documents: full paths in the dialog's order, or an
    // empty list when the user cancels.
    virtual QStringList openSourceFiles() = 0;
    // The save dialog for an additional-code file: a full path, or empty when cancelled.
    virtual QString saveAdditionalCodeFile() = 0;
};

} // namespace qm
