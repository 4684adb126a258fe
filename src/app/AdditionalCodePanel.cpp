#include "AdditionalCodePanel.h"

#include "ActionButton.h"
#include "Dialogs.h"
#include "HalfSplitter.h"
#include "ShellServices.h"
#include "WidgetText.h"
#include "addcode/AdditionalCodeFile.h"
#include "addcode/AdditionalCodeLibrary.h"
#include "addcode/Preview.h"
#include "run/Generator.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

namespace {

constexpr int kListWidth = 153;
constexpr int kSplitterWidth = 8;
constexpr int kSwitchStripHeight = 33;

// The four buttons look like links: blue, bold, underlined, without a frame.
void styleAsLink(QPushButton* button) {
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: blue; font-weight: bold; text-decoration: underline;"
                       " border: none; padding: 2px 4px; }"
                       "QPushButton:disabled { color: gray; }"
                       "QPushButton:hover { color: #0040ff; }"));
}

QLabel* makeHeader(const char* text, QWidget* parent) {
    auto* header = new QLabel(QString::fromUtf8(text), parent);
    header->setFrameShape(QFrame::Panel);
    header->setFrameShadow(QFrame::Raised);
    header->setContentsMargins(3, 1, 3, 1);
    return header;
}

} // namespace

AdditionalCodePanel::AdditionalCodePanel(Dialogs& dialogs, ShellServices& shell,
                                         Generator& generator, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), shell_(shell), generator_(generator),
      actOpenAddtionalCodeFile_(ActionButton::makeAction("actOpenAddtionalCodeFile", "打开(&N)",
                                                         "打开一个附加代码文件(.ahtml)", this)),
      actSaveAdditionCode_(ActionButton::makeAction("actSaveAdditionCode", "保存(&S)", "", this)),
      actPreviewAddtionCode_(ActionButton::makeAction("actPreviewAddtionCode", "预览(&V)",
                                                      "预览附加代码的效果", this)) {
    setObjectName(QStringLiteral("AdditionalCodePanel"));
    connect(actOpenAddtionalCodeFile_, &QAction::triggered, this,
            &AdditionalCodePanel::actOpenAddtionalCodeFileExecute);
    connect(actSaveAdditionCode_, &QAction::triggered, this,
            &AdditionalCodePanel::actSaveAdditionCodeExecute);
    connect(actPreviewAddtionCode_, &QAction::triggered, this,
            &AdditionalCodePanel::actPreviewAddtionCodeExecute);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(buildSwitchStrip());
    layout->addWidget(buildCodeArea(), 1);
    updateActions(false);
}

QWidget* AdditionalCodePanel::buildSwitchStrip() {
    auto* strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setFixedHeight(kSwitchStripHeight);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 0, 4, 0);
    row->setSpacing(2);

    ceUseAddtionCode_ = new QCheckBox(QStringLiteral("使用附加代码(&K)"), strip);
    ceUseAddtionCode_->setObjectName(QStringLiteral("ceUseAddtionCode"));
    row->addWidget(ceUseAddtionCode_);
    connect(ceUseAddtionCode_, &QCheckBox::toggled, this, &AdditionalCodePanel::codeChanged);
    row->addStretch(1);

    speedButton6_ = new ActionButton(actOpenAddtionalCodeFile_, strip);
    speedButton6_->setObjectName(QStringLiteral("SpeedButton6"));
    speedButton7_ = new QPushButton(QStringLiteral("清除(&C)"), strip);
    speedButton7_->setObjectName(QStringLiteral("SpeedButton7"));
    connect(speedButton7_, &QPushButton::clicked, this, &AdditionalCodePanel::speedButton7Click);
    speedButton5_ = new ActionButton(actSaveAdditionCode_, strip);
    speedButton5_->setObjectName(QStringLiteral("SpeedButton5"));
    speedButton4_ = new ActionButton(actPreviewAddtionCode_, strip);
    speedButton4_->setObjectName(QStringLiteral("SpeedButton4"));
    for (QPushButton* button :
         {static_cast<QPushButton*>(speedButton6_), speedButton7_,
          static_cast<QPushButton*>(speedButton5_), static_cast<QPushButton*>(speedButton4_)}) {
        styleAsLink(button);
        row->addWidget(button, 0, Qt::AlignTop);
    }
    return strip;
}

QPlainTextEdit* AdditionalCodePanel::makeMemo(const char* name, const char* hint) {
    auto* memo = new QPlainTextEdit;
    memo->setObjectName(QString::fromUtf8(name));
    memo->setToolTip(QString::fromUtf8(hint));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setTabChangesFocus(true); // Tab goes on to the next control, as everywhere
    connect(memo, &QPlainTextEdit::textChanged, this, &AdditionalCodePanel::codeChanged);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

QWidget* AdditionalCodePanel::buildCodeArea() {
    auto* area = new QSplitter(Qt::Horizontal, this);
    area->setHandleWidth(kSplitterWidth);
    area->setChildrenCollapsible(false);

    auto* library = new QWidget(area);
    auto* libraryLayout = new QVBoxLayout(library);
    libraryLayout->setContentsMargins(0, 0, 0, 0);
    libraryLayout->setSpacing(0);
    libraryLayout->addWidget(makeHeader("已存储的附加代码", library));
    tlAddtionalCodeFiles_ = new QTreeWidget(library);
    tlAddtionalCodeFiles_->setObjectName(QStringLiteral("tlAddtionalCodeFiles"));
    tlAddtionalCodeFiles_->setToolTip(QStringLiteral("双击或按回车键载入相应的附加代码文件"));
    tlAddtionalCodeFiles_->setColumnCount(2); // Title, and Position: the full path
    tlAddtionalCodeFiles_->setColumnHidden(1, true);
    tlAddtionalCodeFiles_->setHeaderHidden(true);
    tlAddtionalCodeFiles_->setRootIsDecorated(false);
    connect(tlAddtionalCodeFiles_, &QTreeWidget::itemActivated, this,
            &AdditionalCodePanel::loadListedFile);
    libraryLayout->addWidget(tlAddtionalCodeFiles_, 1);

    pEntryAddtionCode_ = new HalfSplitter(area);
    pEntryAddtionCode_->setObjectName(QStringLiteral("pEntryAddtionCode"));
    const auto addHalf = [this](const char* name, const char* header, QPlainTextEdit* memo) {
        auto* half = new QWidget(pEntryAddtionCode_);
        half->setObjectName(QString::fromUtf8(name));
        // The halves split the area evenly at any height, not only above the memos'
        // natural minimum.
        half->setMinimumHeight(1);
        auto* halfLayout = new QVBoxLayout(half);
        halfLayout->setContentsMargins(0, 0, 0, 0);
        halfLayout->setSpacing(0);
        halfLayout->addWidget(makeHeader(header, half));
        memo->setParent(half);
        halfLayout->addWidget(memo, 1);
        pEntryAddtionCode_->addWidget(half);
    };
    mBeforeEntry_ = makeMemo("mBeforeEntry", "<body>标签后附加的代码");
    mAfterEntry_ = makeMemo("mAfterEntry", "</body>标签前附加的代码");
    addHalf("pBeforeEntry", "Html前缀附加代码", mBeforeEntry_);
    addHalf("pAfterEntry", "Html后缀附加代码", mAfterEntry_);

    area->addWidget(library);
    area->addWidget(pEntryAddtionCode_);
    area->setStretchFactor(1, 1);
    area->setSizes({kListWidth, 1000});
    library->setMinimumWidth(40);
    return area;
}

std::string AdditionalCodePanel::beforeEntry() const {
    return widgettext::memoToGbk(mBeforeEntry_->toPlainText());
}

std::string AdditionalCodePanel::afterEntry() const {
    return widgettext::memoToGbk(mAfterEntry_->toPlainText());
}

bool AdditionalCodePanel::useAdditionalCode() const {
    return ceUseAddtionCode_->isChecked();
}

QString AdditionalCodePanel::prefixText() const {
    return mBeforeEntry_->toPlainText();
}

QString AdditionalCodePanel::suffixText() const {
    return mAfterEntry_->toPlainText();
}

void AdditionalCodePanel::setCode(const QString& prefix, const QString& suffix) {
    mBeforeEntry_->setPlainText(prefix);
    mAfterEntry_->setPlainText(suffix);
}

void AdditionalCodePanel::setUseAdditionalCode(bool use) {
    ceUseAddtionCode_->setChecked(use);
}

QString AdditionalCodePanel::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void AdditionalCodePanel::listFiles(const std::filesystem::path& programFolder) {
    programFolder_ = programFolder;
    tlAddtionalCodeFiles_->clear();
    std::vector<AdditionalCodeFileEntry> files = ListAdditionalCodeFiles(programFolder);
    const std::filesystem::path user = widgettext::toPath(userFolder());
    std::error_code error;
    if (!std::filesystem::equivalent(user, programFolder, error)) {
        std::vector<AdditionalCodeFileEntry> own = ListAdditionalCodeFiles(user);
        files.insert(files.end(), own.begin(), own.end());
    }
    for (const AdditionalCodeFileEntry& file : files) {
        auto* row = new QTreeWidgetItem(tlAddtionalCodeFiles_);
        row->setText(0, widgettext::fromGbk(file.title));
        row->setText(1, widgettext::fromPath(file.position));
        row->setToolTip(0, widgettext::fromPath(file.position));
        tlAddtionalCodeFiles_->scrollToItem(row);
    }
    if (tlAddtionalCodeFiles_->topLevelItemCount() > 0)
        tlAddtionalCodeFiles_->resizeColumnToContents(0);
}

void AdditionalCodePanel::removePreviews() {
    for (const std::filesystem::path& page : previews_) {
        std::error_code error;
        std::filesystem::remove(page, error);
    }
    previews_.clear();
}

void AdditionalCodePanel::loadFile(const std::filesystem::path& path) {
    try {
        const LoadedAdditionalCode code = LoadAdditionalCodeFile(path);
        if (code.beforeEntry)
            mBeforeEntry_->setPlainText(widgettext::memoFromGbk(*code.beforeEntry));
        if (code.afterEntry)
            mAfterEntry_->setPlainText(widgettext::memoFromGbk(*code.afterEntry));
    } catch (const std::exception& error) {
        dialogs_.error(widgettext::errorText(error));
    }
}

void AdditionalCodePanel::updateActions(bool generating) {
    const bool hasCode =
        !mBeforeEntry_->document()->isEmpty() || !mAfterEntry_->document()->isEmpty();
    actSaveAdditionCode_->setEnabled(hasCode && !generating);
    actPreviewAddtionCode_->setEnabled(hasCode && !generating);
    actOpenAddtionalCodeFile_->setEnabled(!generating);
}

void AdditionalCodePanel::setRunControlsEnabled(bool enabled) {
    ceUseAddtionCode_->setEnabled(enabled);
    speedButton7_->setEnabled(enabled);
    for (ActionButton* button : {speedButton4_, speedButton5_, speedButton6_}) {
        if (enabled)
            button->followAction();
        else
            button->setEnabled(false);
    }
}

void AdditionalCodePanel::actOpenAddtionalCodeFileExecute() {
    const QString path = dialogs_.openAdditionalCodeFile(userFolder());
    if (!path.isEmpty())
        loadFile(widgettext::toPath(path));
}

void AdditionalCodePanel::loadListedFile(QTreeWidgetItem* row) {
    if (row != nullptr && speedButton7_->isEnabled())
        loadFile(widgettext::toPath(row->text(1)));
}

void AdditionalCodePanel::actSaveAdditionCodeExecute() {
    // The user's own folder exists once there is something to store in it.
    const QString folder = userFolder();
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    const QString path = dialogs_.saveAdditionalCodeFile(folder);
    if (path.isEmpty())
        return;
    try {
        SaveAdditionalCodeFile(widgettext::toPath(path),
                               AdditionalCode{beforeEntry(), afterEntry()});
    } catch (const std::exception& error) {
        dialogs_.error(widgettext::errorText(error));
    }
    listFiles(programFolder_);
}

void AdditionalCodePanel::actPreviewAddtionCodeExecute() {
    try {
        const std::filesystem::path page =
            PreviewAdditionalCode(generator_.layout().targetFolder, generator_.pageHead(),
                                  generator_.afterTitle(defaultHeader_), beforeEntry(),
                                  afterEntry(), generator_.pageTail());
        // Kept whole: the current folder may change before the window removes it.
        std::error_code code;
        const std::filesystem::path whole = std::filesystem::absolute(page, code);
        if (std::find(previews_.begin(), previews_.end(), whole) == previews_.end())
            previews_.push_back(whole);
        shell_.openPath(page);
    } catch (const std::exception& error) {
        dialogs_.error(widgettext::errorText(error));
    }
}

void AdditionalCodePanel::speedButton7Click() {
    if (mBeforeEntry_->document()->isEmpty() && mAfterEntry_->document()->isEmpty())
        return;
    if (!dialogs_.askYesNo(QStringLiteral("清除附加代码"),
                           QStringLiteral("确定要清除前缀和后缀附加代码吗？")))
        return;
    mBeforeEntry_->clear();
    mAfterEntry_->clear();
}

} // namespace qm
