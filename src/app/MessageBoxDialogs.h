#pragma once

#include "Dialogs.h"

namespace qm {

// The real boxes and dialogs, parented to the application's active window.
class MessageBoxDialogs : public Dialogs {
public:
    bool askYesNo(const QString& caption, const QString& text, bool noByDefault) override;
    void information(const QString& text) override;
    void error(const QString& text) override;
    void showResult(const RunReport& report) override;
    QStringList openSourceFiles(const QString& folder) override;
    QString openAdditionalCodeFile(const QString& folder) override;
    QString saveAdditionalCodeFile(const QString& folder) override;
    QString chooseFolder(const QString& folder) override;
};

} // namespace qm
