// The window's controls: sizes, positions, captions and hints.
#include "MainFrm.h"

#include "ActionButton.h"
#include "AdditionalCodePanel.h"
#include "Banner.h"
#include "HelpTexts.h"
#include "WidgetText.h"
#include "split/PageFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kRightWidth = 493;
constexpr int kBannerRowHeight = 45;
constexpr int kControlAreaHeight = 151;
constexpr int kLevelStripHeight = 29;
constexpr int kEditHeight = 21;
constexpr int kButtonHeight = 23;

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

// A read-only field shown like a caption: no frame, the inactive caption's colour.
QLineEdit* makeCaptionField(const char* name, const char* hint, QWidget* parent) {
    QLineEdit* field = makeField(name, hint, parent);
    field->setReadOnly(true);
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
    return button;
}

QPlainTextEdit* makeHelpMemo(const QString& text) {
    auto* memo = new QPlainTextEdit(text);
    memo->setReadOnly(true);
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
        ActionButton::makeAction("actOpen", "打开(&O)", "打开由Word生成的原始html文件", this);
    actGenerate_ = ActionButton::makeAction("actGenerate", "生成(&G)",
                                            "点击生成所有制作CHM所需的中间文件", this);
    actOpenDestDirect_ =
        ActionButton::makeAction("actOpenDestDirect", "打开目标文件目录(&T)", "", this);
    connect(actOpen_, &QAction::triggered, this, &MainFrm::actOpenExecute);
    connect(actGenerate_, &QAction::triggered, this, &MainFrm::actGenerateExecute);
    connect(actOpenDestDirect_, &QAction::triggered, this, &MainFrm::actOpenDestDirectExecute);
}

void MainFrm::buildWindow() {
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(myCaption());
    setWindowIcon(QIcon(QStringLiteral(":/quillmark/quillmark.png")));
    setFont(windowFont());
    setToolTip(QStringLiteral("欢迎访问%1的网站").arg(widgettext::fromGbk(kMakerName)));

    auto* central = new QWidget(this);
    auto* halves = new QHBoxLayout(central);
    halves->setContentsMargins(3, 6, 0, 4);
    halves->setSpacing(2);
    halves->addWidget(buildStructureView(), 1);

    auto* right = new QWidget(central);
    right->setFixedWidth(kRightWidth);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildBannerRow());
    column->addWidget(buildControlArea());
    column->addWidget(buildTabs(), 1);
    halves->addWidget(right);
    setCentralWidget(central);
}

QWidget* MainFrm::buildStructureView() {
    tlStruct_ = new QTreeWidget;
    tlStruct_->setObjectName(QStringLiteral("tlStruct"));
    tlStruct_->setToolTip(QStringLiteral("双击打开相应的html文件"));
    tlStruct_->setColumnCount(4);
    tlStruct_->setHeaderLabels({QStringLiteral("文档结构图"), QStringLiteral("Position"),
                                QStringLiteral("EndPosition"), QStringLiteral("Level")});
    tlStruct_->header()->setDefaultAlignment(Qt::AlignCenter);
    for (int column = 1; column < 4; ++column)
        tlStruct_->setColumnHidden(column, true);
    connect(tlStruct_, &QTreeWidget::itemDoubleClicked, this, &MainFrm::tlStructDblClick);
    return tlStruct_;
}

QWidget* MainFrm::buildBannerRow() {
    auto* row = new QWidget;
    row->setFixedHeight(kBannerRowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    image1_ = new Banner(row);
    image1_->setToolTip(toolTip());
    connect(image1_, &Banner::clicked, this, &MainFrm::image1Click);
    layout->addWidget(image1_, 1);

    panel5_ = new QWidget(row);
    panel5_->setObjectName(QStringLiteral("Panel5"));
    panel5_->setFixedWidth(9);
    layout->addWidget(panel5_);

    panel6_ = new QWidget(row);
    panel6_->setObjectName(QStringLiteral("Panel6"));
    auto* stack = new QVBoxLayout(panel6_);
    stack->setContentsMargins(0, 8, 0, 0); // Panel3, the spacer above the labels
    stack->setSpacing(0);
    auto* panel4 = new QWidget(panel6_);
    panel4->setObjectName(QStringLiteral("Panel4"));
    panel4->setFixedHeight(24);
    auto* labels = new QHBoxLayout(panel4);
    labels->setContentsMargins(0, 0, 0, 0);
    labels->setSpacing(0);
    const auto addLabel = [panel4, labels](const char* name) {
        auto* label = new QLabel(panel4);
        label->setObjectName(QString::fromUtf8(name));
        labels->addWidget(label);
        return label;
    };
    lInfor_ = addLabel("lInfor");
    lGlobalCount_ = addLabel("lGlobalCount");
    QPalette red = lGlobalCount_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lGlobalCount_->setPalette(red);
    lBegin_ = addLabel("lBegin");
    lEnd_ = addLabel("lEnd");
    labels->addStretch(1);
    stack->addWidget(panel4);
    stack->addStretch(1);
    layout->addWidget(panel6_, 1);
    return row;
}

QWidget* MainFrm::buildControlArea() {
    auto* area = new QWidget;
    area->setObjectName(QStringLiteral("ControlArea"));
    area->setFixedSize(kRightWidth, kControlAreaHeight);

    makeBoldButton("SpeedButton1", actOpen_, area)->setGeometry(8, 0, 78, kButtonHeight + 2);
    // The field of the file in hand lies beneath the field of all opened files; a run
    // hides the upper one.
    eSourceFileName_ = makeField("eSourceFileName", "当前正在处理的原始文件", area);
    eSourceFileName_->setReadOnly(true);
    setBackground(eSourceFileName_, kFieldBackground);
    eSourceFileName_->setGeometry(88, 2, 402, kEditHeight);
    eSourceFiles_ = makeCaptionField("eSourceFiles", "显示所有已经打开的原始文件", area);
    eSourceFiles_->setGeometry(88, 2, 402, kEditHeight);

    const char* titleHint = "CHM文件打开时所显示的标题";
    QLabel* titleLabel = makeLabel("帮助标题(&I)：", titleHint, area);
    titleLabel->setGeometry(8, 35, 80, kEditHeight);
    eCHMTitle_ = makeField("eCHMTitle", titleHint, area);
    eCHMTitle_->setText(titleSuffix());
    eCHMTitle_->setGeometry(88, 35, 251, kEditHeight);
    titleLabel->setBuddy(eCHMTitle_);
    cbAutoCHMTitle_ = new QCheckBox(QStringLiteral("自动生成帮助文件标题"), area);
    cbAutoCHMTitle_->setObjectName(QStringLiteral("cbAutoCHMTitle"));
    cbAutoCHMTitle_->setChecked(true);
    cbAutoCHMTitle_->setGeometry(351, 35, 140, kEditHeight);

    // The home page's label and field share the row and lie behind the file name,
    // which covers them.
    const char* homeHint = "CHM文件中的默认页(本软件取第一页作为CHM默认页)";
    makeLabel("帮助首页文件名：", homeHint, area)->setGeometry(271, 66, 96, kEditHeight);
    edit3_ = makeField("Edit3", homeHint, area);
    edit3_->setReadOnly(true);
    setBackground(edit3_, kFieldBackground);
    edit3_->setGeometry(367, 66, 123, kEditHeight);
    const char* fileHint = "最终生成的CHM文件名";
    makeLabel("目标文件名：", fileHint, area)->setGeometry(8, 66, 80, kEditHeight);
    eCHMFileName_ = makeCaptionField("eCHMFileName", fileHint, area);
    eCHMFileName_->setGeometry(88, 66, 402, kEditHeight);

    makeBoldButton("SpeedButton2", actGenerate_, area)->setGeometry(8, 95, 78, kButtonHeight);
    label4_ = new QLabel(area);
    label4_->setObjectName(QStringLiteral("Label4"));
    QPalette grey = label4_->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    label4_->setPalette(grey);
    label4_->setGeometry(88, 95, 402, kButtonHeight);

    ActionButton* openFolder = makeBoldButton("SpeedButton3", actOpenDestDirect_, area);
    openFolder->setText(QStringLiteral("打开目录(&T)"));
    openFolder->setGeometry(8, 119, 78, kButtonHeight);
    return area;
}

QWidget* MainFrm::buildTabs() {
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("PageControl1"));
    tabs_->setDocumentMode(true); // flat tabs without the page frame
    tabs_->addTab(buildAdvancedPage(), QStringLiteral("高级设置(&P)"));
    tabs_->addTab(makeHelpMemo(helptexts::description()), QStringLiteral("说明(&D)"));
    tabs_->addTab(makeHelpMemo(helptexts::history()), QStringLiteral("更新历史"));
    tabs_->addTab(makeHelpMemo(helptexts::additionalCode()), QStringLiteral("附加码使用说明"));
    tabs_->addTab(makeHelpMemo(helptexts::thanks()), QStringLiteral("致谢"));
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
    levelStrip->setFixedHeight(kLevelStripHeight);
    // The level box sits in the gap of four blanks inside the sentence.
    const QString lead = QStringLiteral("Word文档中，标题");
    auto* sentence = new QLabel(
        lead + QStringLiteral("    之后的不生成层次关系(0表示所有的都生成)"), levelStrip);
    sentence->setGeometry(6, 0, 360, kLevelStripHeight - 2);
    const QFontMetrics metrics(font());
    const int gapLeft = 6 + metrics.horizontalAdvance(lead);
    const int gapWidth = metrics.horizontalAdvance(QStringLiteral("    "));
    const int levelWidth = std::max(gapWidth, metrics.horizontalAdvance(QLatin1Char('0')) + 10);
    eLevel_ = new QLineEdit(levelStrip);
    eLevel_->setObjectName(QStringLiteral("eLevel"));
    eLevel_->setInputMask(QStringLiteral("0;_")); // one digit or nothing
    eLevel_->setText(QStringLiteral("0"));
    eLevel_->setAlignment(Qt::AlignCenter);
    eLevel_->setGeometry(gapLeft + (gapWidth - levelWidth) / 2, 4, levelWidth, kEditHeight - 2);

    cbUsesDefaultHTMLHeader_ = new QCheckBox(QStringLiteral("使用缺省HTML头"), levelStrip);
    cbUsesDefaultHTMLHeader_->setObjectName(QStringLiteral("cbUsesDefaultHTMLHeader"));
    auto* stripRow = new QHBoxLayout(levelStrip);
    stripRow->setContentsMargins(0, 0, 6, 0);
    stripRow->addStretch(1);
    stripRow->addWidget(cbUsesDefaultHTMLHeader_);
    connect(cbUsesDefaultHTMLHeader_, &QCheckBox::clicked, this,
            [this] { generator_.clearSourceHeadCache(); });
    layout->addWidget(levelStrip);

    additionalCode_ = new AdditionalCodePanel(dialogs_, shell_, generator_, page);
    layout->addWidget(additionalCode_, 1);
    return page;
}

} // namespace qm
