#pragma once

#include "Dialogs.h"

namespace qm {

// The real boxes and dialogs, parented to the application's active window.
class MessageBoxDialogs : public Dialogs {
public:
    bool askYesNo(const QString& caption, const QString& text) override;
    void information(const QString& text) override;
    void error(const QString& text) override;
    QStringList openSourceFiles() override;
    QString saveAdditionalCodeFile() override;
};

} // namespace qm
