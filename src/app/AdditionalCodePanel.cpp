#include "AdditionalCodePanel.h"

#include "ActionButton.h"
#include "HalfSplitter.h"
#include "WidgetText.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextDocument>
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

AdditionalCodePanel::AdditionalCodePanel(ui::MainPresenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter),
      actOpenAddtionalCodeFile_(ActionButton::makeAction("actOpenAddtionalCodeFile", "打开(&N)",
                                                         "打开一个附加代码文件(.ahtml)", this)),
      actSaveAdditionCode_(ActionButton::makeAction("actSaveAdditionCode", "保存(&S)", "", this)),
      actPreviewAddtionCode_(ActionButton::makeAction("actPreviewAddtionCode", "预览(&V)",
                                                      "预览附加代码的效果", this)) {
    setObjectName(QStringLiteral("AdditionalCodePanel"));
    connect(actOpenAddtionalCodeFile_, &QAction::triggered, this,
            [this] { presenter_.openCodeFile(); });
    connect(actSaveAdditionCode_, &QAction::triggered, this, [this] { presenter_.saveCode(); });
    connect(actPreviewAddtionCode_, &QAction::triggered, this,
            [this] { presenter_.previewCode(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(buildSwitchStrip());
    layout->addWidget(buildCodeArea(), 1);
    fitMemos();
}

void AdditionalCodePanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitMemos();
}

void AdditionalCodePanel::fitMemos() {
    constexpr int kLines = 3;
    for (QPlainTextEdit* memo : {mBeforeEntry_, mAfterEntry_}) {
        const auto margin = static_cast<int>(memo->document()->documentMargin());
        memo->setMinimumHeight(kLines * memo->fontMetrics().lineSpacing() + 2 * margin +
                               2 * memo->frameWidth() +
                               memo->horizontalScrollBar()->sizeHint().height());
    }
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
    connect(ceUseAddtionCode_, &QCheckBox::toggled, this,
            [this](bool on) { presenter_.switched(ui::Switch::UseAdditionalCode, on); });
    row->addStretch(1);

    speedButton6_ = new ActionButton(actOpenAddtionalCodeFile_, strip);
    speedButton6_->setObjectName(QStringLiteral("SpeedButton6"));
    speedButton7_ = new QPushButton(QStringLiteral("清除(&C)"), strip);
    speedButton7_->setObjectName(QStringLiteral("SpeedButton7"));
    connect(speedButton7_, &QPushButton::clicked, this, [this] { presenter_.clearCode(); });
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

QPlainTextEdit* AdditionalCodePanel::makeMemo(const char* name, const char* hint, ui::Text field) {
    auto* memo = new QPlainTextEdit;
    memo->setObjectName(QString::fromUtf8(name));
    memo->setToolTip(QString::fromUtf8(hint));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setTabChangesFocus(true); // Tab goes on to the next control, as everywhere
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, field] {
        presenter_.textEdited(field, memo->toPlainText().toStdString());
    });
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
    connect(tlAddtionalCodeFiles_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row) {
        if (row != nullptr)
            presenter_.loadListedCode(widgettext::toPath(row->text(1)));
    });
    libraryLayout->addWidget(tlAddtionalCodeFiles_, 1);

    pEntryAddtionCode_ = new HalfSplitter(area);
    pEntryAddtionCode_->setObjectName(QStringLiteral("pEntryAddtionCode"));
    const auto addHalf = [this](const char* name, const char* header, QPlainTextEdit* memo) {
        auto* half = new QWidget(pEntryAddtionCode_);
        half->setObjectName(QString::fromUtf8(name));
        auto* halfLayout = new QVBoxLayout(half);
        halfLayout->setContentsMargins(0, 0, 0, 0);
        halfLayout->setSpacing(0);
        halfLayout->addWidget(makeHeader(header, half));
        memo->setParent(half);
        halfLayout->addWidget(memo, 1);
        pEntryAddtionCode_->addWidget(half);
    };
    mBeforeEntry_ = makeMemo("mBeforeEntry", "<body>标签后附加的代码", ui::Text::BeforeEntry);
    mAfterEntry_ = makeMemo("mAfterEntry", "</body>标签前附加的代码", ui::Text::AfterEntry);
    addHalf("pBeforeEntry", "Html前缀附加代码", mBeforeEntry_);
    addHalf("pAfterEntry", "Html后缀附加代码", mAfterEntry_);

    area->addWidget(library);
    area->addWidget(pEntryAddtionCode_);
    area->setStretchFactor(1, 1);
    area->setSizes({kListWidth, 1000});
    library->setMinimumWidth(40);
    return area;
}

void AdditionalCodePanel::setMemo(ui::Text field, const QString& text) {
    QPlainTextEdit* memo = field == ui::Text::BeforeEntry ? mBeforeEntry_ : mAfterEntry_;
    if (memo->toPlainText() != text)
        memo->setPlainText(text);
}

void AdditionalCodePanel::setUseAdditionalCode(bool use) {
    ceUseAddtionCode_->setChecked(use);
}

QString AdditionalCodePanel::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void AdditionalCodePanel::setRows(const std::vector<ui::CodeFileRow>& rows) {
    tlAddtionalCodeFiles_->clear();
    for (const ui::CodeFileRow& file : rows) {
        auto* row = new QTreeWidgetItem(tlAddtionalCodeFiles_);
        row->setText(0, QString::fromStdString(file.title));
        row->setText(1, widgettext::fromPath(file.path));
        row->setToolTip(0, widgettext::fromPath(file.path));
        tlAddtionalCodeFiles_->scrollToItem(row);
    }
    if (tlAddtionalCodeFiles_->topLevelItemCount() > 0)
        tlAddtionalCodeFiles_->resizeColumnToContents(0);
}

bool AdditionalCodePanel::setControlEnabled(ui::Control control, bool enabled) {
    switch (control) {
    case ui::Control::OpenCode:
        actOpenAddtionalCodeFile_->setEnabled(enabled);
        return true;
    case ui::Control::SaveCode:
        actSaveAdditionCode_->setEnabled(enabled);
        return true;
    case ui::Control::PreviewCode:
        actPreviewAddtionCode_->setEnabled(enabled);
        return true;
    case ui::Control::ClearCode:
        speedButton7_->setEnabled(enabled);
        return true;
    case ui::Control::UseAdditionalCode:
        ceUseAddtionCode_->setEnabled(enabled);
        return true;
    default:
        return false;
    }
}

} // namespace qm
