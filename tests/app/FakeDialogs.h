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
        bool noByDefault = false;
    };

    bool askYesNo(const QString& caption, const QString& text, bool noByDefault) override {
        questions.append({caption, text, noByDefault});
        if (onQuestion)
            onQuestion(caption);
        return answers.value(caption, false);
    }
    void information(const QString& text) override { informations.append(text); }
    void error(const QString& text) override { errors.append(text); }
    void showResult(const RunReport& report) override { results.append(report); }
    QStringList openSourceFiles(const QString& folder) override {
        folders.append(folder);
        return filesToOpen;
    }
    QString openAdditionalCodeFile(const QString& folder) override {
        folders.append(folder);
        return codeToOpen;
    }
    QString saveAdditionalCodeFile(const QString& folder) override {
        folders.append(folder);
        return saveTo;
    }
    QString chooseFolder(const QString& folder) override {
        folders.append(folder);
        return folderToChoose;
    }

    QHash<QString, bool> answers; // by caption; a question not listed is answered No
    std::function<void(const QString&)> onQuestion;
    QStringList filesToOpen; // what the open dialog returns; empty means cancelled
    QString codeToOpen;      // what the additional-code open dialog returns
    QString saveTo;          // what the save dialog returns; empty means cancelled
    QString folderToChoose;  // what the folder chooser returns

    QList<Question> questions;
    QStringList informations;
    QStringList errors;
    QList<RunReport> results;
    QStringList folders; // where each file or folder dialog started
};

} // namespace qm::test
