#pragma once

#include <QWidget>

#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm {

class ActionButton;
class Dialogs;
class Generator;
class HalfSplitter;
class ShellServices;

// The additional-code part of the advanced settings: the use switch, the open, clear,
// save and preview buttons, the list of stored files and the two memos. The memos are
// the only copy of the code; a run reads them for every page.
class AdditionalCodePanel : public QWidget {
    Q_OBJECT
public:
    AdditionalCodePanel(Dialogs& dialogs, ShellServices& shell, Generator& generator,
                        QWidget* parent);

    // The memo texts as GBK with CR LF line breaks, exactly as typed.
    std::string beforeEntry() const;
    std::string afterEntry() const;
    bool useAdditionalCode() const;

    // The memos' texts as the user sees them, for keeping between sessions.
    QString prefixText() const;
    QString suffixText() const;
    void setCode(const QString& prefix, const QString& suffix);
    void setUseAdditionalCode(bool use);
    // The preview shows the built-in page head instead of the document's own.
    void setDefaultHeader(bool on) { defaultHeader_ = on; }

    // The user's own folder of stored files, where saving proposes to write.
    static QString userFolder();
    // Fills the list with the stored files of the program's folder and the user's.
    void listFiles(const std::filesystem::path& programFolder);
    // Removes the preview pages written so far.
    void removePreviews();
    // Loads a stored file into the memos; an element the file lacks leaves its memo.
    void loadFile(const std::filesystem::path& path);

    // The enable rules of the three actions.
    void updateActions(bool generating);
    // A run disables the switch and the four buttons while it works.
    void setRunControlsEnabled(bool enabled);

signals:
    // The code or the use switch changed.
    void codeChanged();

private:
    void actOpenAddtionalCodeFileExecute();
    void loadListedFile(QTreeWidgetItem* row);
    void actSaveAdditionCodeExecute();
    void actPreviewAddtionCodeExecute();
    void speedButton7Click();
    QWidget* buildSwitchStrip();
    QWidget* buildCodeArea();
    QPlainTextEdit* makeMemo(const char* name, const char* hint);

    Dialogs& dialogs_;
    ShellServices& shell_;
    Generator& generator_;
    std::filesystem::path programFolder_;
    std::vector<std::filesystem::path> previews_;
    bool defaultHeader_ = false;

    QAction* actOpenAddtionalCodeFile_;
    QAction* actSaveAdditionCode_;
    QAction* actPreviewAddtionCode_;
    QCheckBox* ceUseAddtionCode_ = nullptr;
    ActionButton* speedButton6_ = nullptr; // open
    QPushButton* speedButton7_ = nullptr;  // clear
    ActionButton* speedButton5_ = nullptr; // save
    ActionButton* speedButton4_ = nullptr; // preview
    QTreeWidget* tlAddtionalCodeFiles_ = nullptr;
    HalfSplitter* pEntryAddtionCode_ = nullptr;
    QPlainTextEdit* mBeforeEntry_ = nullptr;
    QPlainTextEdit* mAfterEntry_ = nullptr;
};

} // namespace qm
