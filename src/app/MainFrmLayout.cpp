// The window's controls: sizes, positions, captions and hints.
#include "MainFrm.h"

#include "ActionButton.h"
#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "Dialogs.h"
#include "ElidedField.h"
#include "ElidedLabel.h"
#include "WidgetText.h"
#include "split/PageFrame.h"
#include "ui/HelpTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kRightWidth = 493; // the banner's width
constexpr int kButtonWidth = 78;

const QColor kFieldBackground(245, 245, 240);
const QColor kInactiveCaption(191, 205, 219);
const QColor kInfoBackground(255, 255, 225);
const QColor kNavy(0, 0, 128);

// 宋体 where it is installed; otherwise a CJK font of the system, so that the Chinese
// captions keep their width.
QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")});
    font.setPointSize(9);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

QLineEdit* makeField(const char* name, const char* hint, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromUtf8(name));
    field->setToolTip(QString::fromUtf8(hint));
    return field;
}

// A read-only field the run fills: selectable with the mouse, but no stop of Tab,
// which goes from one setting to the next.
QLineEdit* makeReadOnlyField(const char* name, const char* hint, QWidget* parent) {
    QLineEdit* field = makeField(name, hint, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

// A read-only field shown like a caption: no frame, the inactive caption's colour.
QLineEdit* makeCaptionField(const char* name, const char* hint, QWidget* parent) {
    QLineEdit* field = makeReadOnlyField(name, hint, parent);
    field->setFrame(false);
    setBackground(field, kInactiveCaption);
    return field;
}

QLabel* makeLabel(const char* text, const char* hint, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

ActionButton* makeBoldButton(const char* name, QAction* action, QWidget* parent) {
    auto* button = new ActionButton(action, parent);
    button->setObjectName(QString::fromUtf8(name));
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setMinimumWidth(kButtonWidth);
    return button;
}

QPlainTextEdit* makeHelpMemo(const QString& text) {
    auto* memo = new QPlainTextEdit(text);
    memo->setReadOnly(true);
    memo->setTabChangesFocus(true);
    memo->setToolTip(QStringLiteral("程序说明"));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, kInfoBackground);
    palette.setColor(QPalette::Text, kNavy);
    memo->setPalette(palette);
    return memo;
}

} // namespace

void MainFrm::createActions() {
    actOpen_ =
        ActionButton::makeAction("actOpen", "打开(&O)", "打开Word文档或由Word生成的html文件", this);
    actGenerate_ = ActionButton::makeAction("actGenerate", "生成(&G)",
                                            "点击生成所有制作CHM所需的中间文件", this);
    actStop_ = ActionButton::makeAction("actStop", "停止(&X)",
                                        "停止正在进行的生成，已完成的文件保留", this);
    actOpenDestDirect_ = ActionButton::makeAction("actOpenDestDirect", "打开目录(&T)",
                                                  "打开生成文件所在的目录", this);
    actOpenHelp_ = ActionButton::makeAction("actOpenHelp", "打开帮助(&H)",
                                            "用CHM阅读器打开上次生成的帮助文件", this);
    connect(actOpen_, &QAction::triggered, this, [this] { presenter_.open(); });
    connect(actGenerate_, &QAction::triggered, this, [this] { presenter_.generate(); });
    connect(actStop_, &QAction::triggered, this, [this] { presenter_.stop(); });
    connect(actOpenDestDirect_, &QAction::triggered, this, [this] { presenter_.openFolder(); });
    connect(actOpenHelp_, &QAction::triggered, this, [this] { presenter_.openHelp(); });
}

void MainFrm::buildWindow() {
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(myCaption());
    setWindowIcon(QIcon(QStringLiteral(":/quillmark/quillmark.png")));
    setFont(windowFont());
    setToolTip(QStringLiteral("欢迎访问%1的网站").arg(widgettext::fromGbk(kMakerName)));

    // The structure grows with the window; the settings keep the banner's width unless
    // the user drags the divider.
    auto* halves = new QSplitter(Qt::Horizontal, this);
    halves->setObjectName(QStringLiteral("Halves"));
    halves->setChildrenCollapsible(false);
    halves->setContentsMargins(3, 6, 0, 4);
    halves->addWidget(buildStructureView());

    auto* right = new QWidget(halves);
    right->setObjectName(QStringLiteral("SettingsColumn"));
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 3, 0);
    column->setSpacing(4);
    column->addWidget(buildBannerRow());
    column->addWidget(buildControlArea());
    column->addWidget(buildTabs(), 1);
    halves->addWidget(right);
    halves->setStretchFactor(0, 1);
    halves->setStretchFactor(1, 0);
    halves->setSizes({280, kRightWidth});
    setCentralWidget(halves);
}

// The user's edits go to the presenter; what the presenter sets itself comes back the
// same, which changes nothing.
void MainFrm::bindEdits() {
    for (ui::Text which : {ui::Text::Title, ui::Text::Level, ui::Text::OutputFolder})
        connect(field(which), &QLineEdit::textChanged, this, [this, which](const QString& text) {
            presenter_.textEdited(which, text.toStdString());
        });
    const auto bindSwitch = [this](QCheckBox* box, ui::Switch which) {
        connect(box, &QCheckBox::toggled, this,
                [this, which](bool on) { presenter_.switched(which, on); });
    };
    bindSwitch(cbAutoCHMTitle_, ui::Switch::AutoTitle);
    bindSwitch(cbUsesDefaultHTMLHeader_, ui::Switch::DefaultHeader);
    bindSwitch(cbRenumber_, ui::Switch::Renumber);
    bindSwitch(cbNumberedNames_, ui::Switch::NumberedNames);
}

QWidget* MainFrm::buildStructureView() {
    tlStruct_ = new QTreeWidget;
    tlStruct_->setObjectName(QStringLiteral("tlStruct"));
    tlStruct_->setToolTip(QStringLiteral("双击或按回车键打开相应的html文件"));
    tlStruct_->setColumnCount(4);
    tlStruct_->setHeaderLabels({QStringLiteral("文档结构图"), QStringLiteral("Position"),
                                QStringLiteral("EndPosition"), QStringLiteral("Level")});
    tlStruct_->header()->setDefaultAlignment(Qt::AlignCenter);
    for (int column = 1; column < 4; ++column)
        tlStruct_->setColumnHidden(column, true);
    tlStruct_->setMinimumWidth(120);
    // A double click and Enter alike.
    connect(tlStruct_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr)
            presenter_.openNode(
                static_cast<std::uintptr_t>(item->data(0, Qt::UserRole).toULongLong()));
    });
    return tlStruct_;
}

// The banner, or during a run the progress: the bar over the whole run, what is being
// done, the file count and the times. Each label is as wide as its text.
QWidget* MainFrm::buildBannerRow() {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("BannerRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    image1_ = new Banner(row);
    image1_->setToolTip(toolTip());
    // Narrower than the picture when the window is: the picture is cut at its right.
    image1_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    image1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(image1_, &Banner::clicked, this, [this] { presenter_.openMakerSite(); });
    layout->addWidget(image1_, 1);

    panel6_ = new QWidget(row);
    panel6_->setObjectName(QStringLiteral("Panel6"));
    auto* stack = new QVBoxLayout(panel6_);
    stack->setContentsMargins(8, 0, 4, 0);
    stack->setSpacing(2);
    const auto addLabel = [this](const char* name) {
        auto* label = new QLabel(panel6_);
        label->setObjectName(QString::fromUtf8(name));
        return label;
    };
    auto* doing = new QHBoxLayout;
    lInfor_ = addLabel("lInfor");
    lGlobalCount_ = addLabel("lGlobalCount");
    QPalette red = lGlobalCount_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lGlobalCount_->setPalette(red);
    doing->addWidget(lInfor_, 1);
    doing->addWidget(lGlobalCount_);
    stack->addLayout(doing);
    progressBar_ = new QProgressBar(panel6_);
    progressBar_->setObjectName(QStringLiteral("RunProgress"));
    progressBar_->setRange(0, ui::RunProgress::kMaximum);
    progressBar_->setTextVisible(true);
    progressBar_->setMaximumHeight(fontMetrics().height() + 4);
    stack->addWidget(progressBar_);
    auto* times = new QHBoxLayout;
    lBegin_ = addLabel("lBegin");
    lEnd_ = addLabel("lEnd");
    times->addWidget(lBegin_);
    times->addStretch(1);
    times->addWidget(lEnd_);
    stack->addLayout(times);
    layout->addWidget(panel6_, 1);

    // The row keeps one height whichever of the two it shows.
    row->setFixedHeight(std::max(image1_->sizeHint().height(), panel6_->sizeHint().height()));
    return row;
}

QWidget* MainFrm::buildControlArea() {
    auto* area = new QWidget;
    area->setObjectName(QStringLiteral("ControlArea"));
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(6, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);

    addSourceRow(grid, area);
    addTitleRow(grid, area);
    addTargetRow(grid, area);
    addOutputRow(grid, area);
    addRunRow(grid, area);
    return area;
}

// The opened files; during a run the file in hand takes their place.
void MainFrm::addSourceRow(QGridLayout* grid, QWidget* area) {
    grid->addWidget(makeBoldButton("SpeedButton1", actOpen_, area), 0, 0);
    eSourceFiles_ = makeCaptionField("eSourceFiles", "显示所有已经打开的原始文件", area);
    eSourceFileName_ = makeReadOnlyField("eSourceFileName", "当前正在处理的原始文件", area);
    setBackground(eSourceFileName_, kFieldBackground);
    eSourceFileName_->hide();
    grid->addWidget(eSourceFiles_, 0, 1, 1, 2);
    grid->addWidget(eSourceFileName_, 0, 1, 1, 2);
    recentButton_ = new QPushButton(QStringLiteral("最近(&R)"), area);
    recentButton_->setObjectName(QStringLiteral("RecentFiles"));
    recentButton_->setToolTip(QStringLiteral("最近打开的文件"));
    recentMenu_ = new QMenu(recentButton_);
    recentMenu_->setObjectName(QStringLiteral("RecentMenu"));
    recentButton_->setMenu(recentMenu_);
    grid->addWidget(recentButton_, 0, 3);
}

void MainFrm::addTitleRow(QGridLayout* grid, QWidget* area) {
    const char* titleHint = "CHM文件打开时所显示的标题";
    QLabel* titleLabel = makeLabel("帮助标题(&I)：", titleHint, area);
    eCHMTitle_ = makeField("eCHMTitle", titleHint, area);
    eCHMTitle_->setText(QString::fromUtf8(ui::MainPresenter::titleSuffix()));
    titleLabel->setBuddy(eCHMTitle_);
    cbAutoCHMTitle_ = new QCheckBox(QStringLiteral("自动生成标题(&A)"), area);
    cbAutoCHMTitle_->setObjectName(QStringLiteral("cbAutoCHMTitle"));
    cbAutoCHMTitle_->setToolTip(QStringLiteral("打开文件时用文件名生成帮助文件标题"));
    cbAutoCHMTitle_->setChecked(true);
    grid->addWidget(titleLabel, 1, 0);
    grid->addWidget(eCHMTitle_, 1, 1, 1, 2);
    grid->addWidget(cbAutoCHMTitle_, 1, 3);
}

// The CHM's file name and its home page.
void MainFrm::addTargetRow(QGridLayout* grid, QWidget* area) {
    const char* fileHint = "最终生成的CHM文件名";
    const char* homeHint = "CHM文件中的默认页(本软件取第一页作为CHM默认页)";
    eCHMFileName_ = makeCaptionField("eCHMFileName", fileHint, area);
    edit3_ = new ElidedField(area);
    edit3_->setObjectName(QStringLiteral("Edit3"));
    edit3_->setToolTip(QString::fromUtf8(homeHint));
    edit3_->setFocusPolicy(Qt::ClickFocus);
    setBackground(edit3_, kFieldBackground);
    grid->addWidget(makeLabel("目标文件名：", fileHint, area), 2, 0);
    grid->addWidget(eCHMFileName_, 2, 1);
    grid->addWidget(makeLabel("首页：", homeHint, area), 2, 2);
    grid->addWidget(edit3_, 2, 3);
}

void MainFrm::addOutputRow(QGridLayout* grid, QWidget* area) {
    const char* outputHint = "生成的所有文件都保存到这个目录；不填则保存在各原始文件旁边";
    QLabel* outputLabel = makeLabel("输出目录(&U)：", outputHint, area);
    eOutputFolder_ = makeField("eOutputFolder", outputHint, area);
    eOutputFolder_->setPlaceholderText(QStringLiteral("不填：保存在原始文件旁边"));
    eOutputFolder_->setClearButtonEnabled(true);
    outputLabel->setBuddy(eOutputFolder_);
    browseOutput_ = new QPushButton(QStringLiteral("浏览(&B)…"), area);
    browseOutput_->setObjectName(QStringLiteral("BrowseOutput"));
    browseOutput_->setToolTip(QStringLiteral("选择输出目录"));
    connect(browseOutput_, &QPushButton::clicked, this, [this] { presenter_.browseOutput(); });
    grid->addWidget(outputLabel, 3, 0);
    grid->addWidget(eOutputFolder_, 3, 1, 1, 2);
    grid->addWidget(browseOutput_, 3, 3);
}

// The run's buttons, and under them the folder where the files of the file in hand go.
void MainFrm::addRunRow(QGridLayout* grid, QWidget* area) {
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(makeBoldButton("SpeedButton2", actGenerate_, area));
    buttons->addWidget(makeBoldButton("StopButton", actStop_, area));
    buttons->addWidget(makeBoldButton("SpeedButton3", actOpenDestDirect_, area));
    buttons->addWidget(makeBoldButton("OpenHelpButton", actOpenHelp_, area));
    buttons->addStretch(1);
    // Pages named by their context numbers: ASCII names every CHM viewer opens.
    cbNumberedNames_ = new QCheckBox(QStringLiteral("编号页名(&J)"), area);
    cbNumberedNames_->setObjectName(QStringLiteral("cbNumberedNames"));
    cbNumberedNames_->setToolTip(QStringLiteral("每个主题的页面以其上下文编号命名（如1003.htm），"
                                                "各种CHM阅读器都能打开，修改文档后名字不变"));
    buttons->addWidget(cbNumberedNames_);
    grid->addLayout(buttons, 4, 0, 1, 4);

    label4_ = new ElidedLabel(area);
    label4_->setObjectName(QStringLiteral("Label4"));
    QPalette grey = label4_->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    label4_->setPalette(grey);
    label4_->setMinimumHeight(fontMetrics().height());
    grid->addWidget(label4_, 5, 0, 1, 4);
}

QWidget* MainFrm::buildTabs() {
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("PageControl1"));
    tabs_->setDocumentMode(true); // flat tabs without the page frame
    tabs_->addTab(buildAdvancedPage(), QStringLiteral("高级设置(&P)"));
    tabs_->addTab(makeHelpMemo(QString::fromStdString(ui::helptexts::description())),
                  QStringLiteral("说明(&D)"));
    tabs_->addTab(makeHelpMemo(QString::fromStdString(ui::helptexts::history())),
                  QStringLiteral("更新历史"));
    tabs_->addTab(makeHelpMemo(QString::fromStdString(ui::helptexts::additionalCode())),
                  QStringLiteral("附加码使用说明"));
    tabs_->addTab(makeHelpMemo(QString::fromStdString(ui::helptexts::thanks())),
                  QStringLiteral("致谢"));
    tabs_->setCurrentIndex(0);
    return tabs_;
}

QWidget* MainFrm::buildAdvancedPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);

    auto* levelStrip = new QFrame(page);
    levelStrip->setFrameShape(QFrame::StyledPanel);
    auto* stripRow = new QHBoxLayout(levelStrip);
    stripRow->setContentsMargins(6, 3, 6, 3);
    stripRow->setSpacing(2);
    // The level box sits inside the sentence.
    auto* lead = new QLabel(QStringLiteral("Word文档中，标题(&L)"), levelStrip);
    eLevel_ = new QLineEdit(levelStrip);
    eLevel_->setObjectName(QStringLiteral("eLevel"));
    eLevel_->setInputMask(QStringLiteral("0;_")); // one digit or nothing
    eLevel_->setText(QStringLiteral("0"));
    eLevel_->setAlignment(Qt::AlignCenter);
    eLevel_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00")) + 14);
    lead->setBuddy(eLevel_);
    stripRow->addWidget(lead);
    stripRow->addWidget(eLevel_);
    stripRow->addWidget(
        new QLabel(QStringLiteral("之后的不生成层次关系(0表示所有的都生成)"), levelStrip));
    stripRow->addStretch(1);
    cbUsesDefaultHTMLHeader_ = new QCheckBox(QStringLiteral("使用缺省HTML头(&E)"), levelStrip);
    cbUsesDefaultHTMLHeader_->setObjectName(QStringLiteral("cbUsesDefaultHTMLHeader"));
    stripRow->addWidget(cbUsesDefaultHTMLHeader_);
    // The context IDs keep their numbers from run to run (<name>.ids); this starts over
    // in document order, for the next run only.
    cbRenumber_ = new QCheckBox(QStringLiteral("重新编号(&M)"), levelStrip);
    cbRenumber_->setObjectName(QStringLiteral("cbRenumber"));
    cbRenumber_->setToolTip(QStringLiteral("下次生成时按文档顺序重新编排上下文ID（IDH_n），"
                                           "不沿用上次的编号"));
    stripRow->addWidget(cbRenumber_);
    layout->addWidget(levelStrip);

    additionalCode_ = new AdditionalCodePanel(presenter_, page);
    layout->addWidget(additionalCode_, 1);
    return page;
}

} // namespace qm
