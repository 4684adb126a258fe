#pragma once

#include "ui/MainPresenter.h"

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
class HalfSplitter;

// The additional-code part of the advanced settings: the use switch, the open, clear,
// save and preview buttons, the list of stored files and the two memos. Widgets only:
// what they do and when they are enabled, the presenter decides.
class AdditionalCodePanel : public QWidget {
    Q_OBJECT
public:
    AdditionalCodePanel(ui::MainPresenter& presenter, QWidget* parent);

    void setMemo(ui::Text field, const QString& text);
    void setUseAdditionalCode(bool use);
    void setRows(const std::vector<ui::CodeFileRow>& rows);
    // Enables one of the panel's controls; false for a control it does not have.
    bool setControlEnabled(ui::Control control, bool enabled);

    // The user's own folder of stored files, where saving proposes to write.
    static QString userFolder();

protected:
    void changeEvent(QEvent* event) override;

private:
    // Each memo keeps room for three lines of its font, with its frame and scroll bar.
    void fitMemos();
    QWidget* buildSwitchStrip();
    QWidget* buildCodeArea();
    QPlainTextEdit* makeMemo(const char* name, const char* hint, ui::Text field);

    ui::MainPresenter& presenter_;

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
