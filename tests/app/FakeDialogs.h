#pragma once

#include "Dialogs.h"

#include <QHash>
#include <QList>

#include <functional>

namespace qm::test {

// Dialogs that record what the window asks and answer as the test says, without any
// modal loop.
class FakeDialogs : public Dialogs {
public:
    struct Question {
        QString caption;
        QString text;
    };

    bool askYesNo(const QString& caption, const QString& text) override {
        questions.append({caption, text});
        if (onQuestion)
            onQuestion(caption);
        return answers.value(caption, false);
    }
    void information(const QString& text) override { informations.append(text); }
    void error(const QString& text) override { errors.append(text); }
    QStringList openSourceFiles() override { return filesToOpen; }
    QString saveAdditionalCodeFile() override { return saveTo; }

    QHash<QString, bool> answers; // by caption; a question not listed is answered No
    std::function<void(const QString&)> onQuestion;
    QStringList filesToOpen; // what the open dialog returns; empty means cancelled
    QString saveTo;          // what the save dialog returns; empty means cancelled

    QList<Question> questions;
    QStringList informations;
    QStringList errors;
};

} // namespace qm::test
