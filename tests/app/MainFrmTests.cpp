// The window over real runs: enable rules, the title and close questions, the
// structure view, the shell requests, the result box, a run on its own thread and
// stopping it, the keyboard, settings between sessions and drops.
#include "ElidedLabel.h"
#include "HeldFakes.h"
#include "HelpBrowser.h"
#include "MessageBoxDialogs.h"
#include "SampleDocument.h"
#include "TestWindow.h"
#include "Translation.h"
#include "ViewerWindow.h"
#include "project/ChmCompiler.h"
#include "split/PageFrame.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "viewer/HelpFile.h"
#include "word/LibreOfficeConverter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <functional>

using qm::test::Window;

namespace {

const QString kCloseCaption = QStringLiteral("退出提示");

int countItems(const QTreeWidgetItem* item) {
    int count = 1;
    for (int i = 0; i < item->childCount(); ++i)
        count += countItems(item->child(i));
    return count;
}

int countItems(const QTreeWidget* view) {
    int count = 0;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        count += countItems(view->topLevelItem(i));
    return count;
}

// True when the rows under `items` hold exactly the nodes, values and nesting of `nodes`.
bool sameStructure(const std::vector<std::unique_ptr<qm::StructureNode>>& nodes,
                   const std::function<QTreeWidgetItem*(int)>& item, int itemCount) {
    if (static_cast<std::size_t>(itemCount) != nodes.size())
        return false;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const qm::StructureNode& node = *nodes[i];
        QTreeWidgetItem* row = item(static_cast<int>(i));
        if (row->text(0) != QString::fromStdString(qm::gbk::toUtf8(node.heading)) ||
            row->text(1).toStdString() != node.position ||
            row->text(2).toStdString() != node.endPosition ||
            row->text(3).toStdString() != node.level)
            return false;
        if (!sameStructure(
                node.children, [row](int k) { return row->child(k); }, row->childCount()))
            return false;
    }
    return true;
}

// The controls a run gives back to the user when it ends, well or not.
void verifyControlsGivenBack(Window& w) {
    QVERIFY(w.enabled("actOpen"));
    QVERIFY(w.enabled("actGenerate"));
    QVERIFY(w.child<QLineEdit>("eLevel")->isEnabled());
    QVERIFY(w.child<QCheckBox>("ceUseAddtionCode")->isEnabled());
    QVERIFY(w.child<QPushButton>("SpeedButton7")->isEnabled());
    QVERIFY(!w.child<QLineEdit>("eSourceFiles")->isHidden());
}

QString label4(Window& w) {
    return w.child<qm::ElidedLabel>("Label4")->fullText();
}

bool contains(const std::string& bytes, const char* utf8) {
    return bytes.find(qm::gbk::fromUtf8(utf8)) != std::string::npos;
}

// The letter after '&' in a caption, upper case; none for a caption without one.
QChar accelerator(const QString& caption) {
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toUpper() : QChar();
}

} // namespace

class MainFrmTests : public QObject {
    Q_OBJECT
private slots:
    void init() { qm::test::freshSettings(); }

    // Opening and the idle window.
    void startsIdleWithItsDefaults();
    void openingNamesTheFilesAndClearsTheLastRun();
    void cancelledOpenKeepsTheFilesShown();
    void enableRulesFollowOpeningAndRunning();
    void droppedDocumentsAreOpenedAndNothingStarts();
    // A run and what it shows.
    void runFillsTheStructureViewLikeTheCoreTree();
    void eventLoopTurnsWhileTheConverterAndTheCompilerWork();
    void eachFileShowsItsNamesWhenItStarts();
    void barCoversTheRunAndSaysWhatItDoes();
    void activatingANodeOpensItsPageOrSaysItIsGone();
    // Stopping and closing.
    void stopEndsTheRunAndTheNextRunGoesOn_data();
    void stopEndsTheRunAndTheNextRunGoesOn();
    void closingWhileIdleDoesNotAsk();
    void closingDuringRun_data();
    void closingDuringRun();
    // The result.
    void resultBoxSaysWhatFailed();
    void resultBoxOfTenFilesScrolls();
    void completeChmReportsNoWarning();
    void errorDuringRunShowsTheErrorBoxAndRestoresTheControls();
    void wordFailureGoesIntoTheResultWithoutABox();
    void wordDocumentRunsThroughLibreOffice();
    // Where the files go and opening them.
    void outputFolderTakesTheRun();
    void anotherDocumentsProjectIsReplacedOnlyWhenTheUserSaysSo();
    void targetFoldersAndBannerGoThroughTheShell();
    void openHelpShowsTheHelpInTheViewer();
    // Keyboard, language, layout, settings.
    void acceleratorsAreUnique();
    void tabVisitsVisibleControlsAndLeavesTheMemos();
    void standardButtonsSpeakChinese();
    void everyControlIsUsableAtTheMinimumSize();
    void settingsFileIsTheProgramsOwnAndTakesOverTheOldOne();
    void settingsComeBackInTheNextWindow();
};

void MainFrmTests::startsIdleWithItsDefaults() {
    Window w;
    QCOMPARE(w.frm.windowTitle(), QStringLiteral("Quillmark"));
    QCOMPARE(w.frm.size(), QSize(788, 521));
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral(" －帮助"));
    QVERIFY(w.child<QCheckBox>("cbAutoCHMTitle")->isChecked());
    QCOMPARE(w.child<QLineEdit>("eLevel")->text(), QStringLiteral("0"));
    QCOMPARE(w.frm.runSettings().level, std::string("0"));
    QVERIFY(!w.child<QCheckBox>("cbUsesDefaultHTMLHeader")->isChecked());
    QVERIFY(!w.child<QCheckBox>("ceUseAddtionCode")->isChecked());
    QVERIFY(w.frm.runSettings().outputFolder.empty()); // beside each source

    auto* view = w.child<QTreeWidget>("tlStruct");
    QCOMPARE(view->columnCount(), 4);
    QCOMPARE(view->headerItem()->text(0), QStringLiteral("文档结构图"));
    QVERIFY(!view->isColumnHidden(0));
    QVERIFY(view->isColumnHidden(1) && view->isColumnHidden(2) && view->isColumnHidden(3));

    auto* tabs = w.frm.findChild<QTabWidget*>();
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions.append(tabs->tabText(i));
    QCOMPARE(captions,
             (QStringList{"高级设置(&P)", "说明(&D)", "更新历史", "附加码使用说明", "致谢"}));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(!w.progressRowShown());

    // The level box takes one digit, nothing else.
    auto* level = w.child<QLineEdit>("eLevel");
    level->selectAll();
    QTest::keyClicks(level, "x7");
    QCOMPARE(level->text(), QStringLiteral("7"));
}

void MainFrmTests::openingNamesTheFilesAndClearsTheLastRun() {
    Window w;
    const auto first = w.sample("Manual");
    const auto second = w.sample("Second");
    const auto third = w.dir / "Third.doc";
    w.open({first, second, third});
    const QString joined =
        QString::fromStdString(first.string() + ";" + second.string() + ";" + third.string());
    QCOMPARE(w.child<QLineEdit>("eSourceFiles")->text(), joined);
    QCOMPARE(w.child<QLineEdit>("eSourceFileName")->text(), QString::fromStdString(first.string()));
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral("Manual －帮助"));

    // A run leaves its tree, target name and folder; the next opening clears them.
    w.open({first});
    w.generate();
    QVERIFY(w.child<QTreeWidget>("tlStruct")->topLevelItemCount() > 0);
    QVERIFY(!w.child<QLineEdit>("eCHMFileName")->text().isEmpty());
    QVERIFY(!label4(w).isEmpty());

    // A .doc names its IntermediateHtml beside it; without the automatic title the
    // typed title stays.
    w.child<QCheckBox>("cbAutoCHMTitle")->setChecked(false);
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("我的帮助"));
    w.open({third});
    QCOMPARE(w.frm.generator().intermediateHtml(), w.dir / "Third.htm");
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral("我的帮助"));
    QCOMPARE(w.child<QTreeWidget>("tlStruct")->topLevelItemCount(), 0);
    QVERIFY(w.child<QLineEdit>("eCHMFileName")->text().isEmpty());
    QVERIFY(w.child<QLineEdit>("Edit3")->text().isEmpty());
    QVERIFY(label4(w).isEmpty());
}

void MainFrmTests::cancelledOpenKeepsTheFilesShown() {
    Window w;
    const auto manual = w.sample("Manual");
    w.open({manual});
    w.open({}); // the user cancels the dialog
    QCOMPARE(w.child<QLineEdit>("eSourceFiles")->text(), QString::fromStdString(manual.string()));
    QVERIFY(w.enabled("actGenerate"));
    // What the window shows is what a run processes.
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("手册"));
    w.generate();
    QVERIFY(w.child<QTreeWidget>("tlStruct")->topLevelItemCount() > 0);
    QCOMPARE(w.dialogs.results.size(), 1);
}

void MainFrmTests::enableRulesFollowOpeningAndRunning() {
    Window w;
    w.frm.updateActions();
    QVERIFY(w.enabled("actOpen"));
    QVERIFY(!w.enabled("actGenerate"));
    QVERIFY(!w.enabled("actStop"));
    QVERIFY(!w.enabled("actOpenDestDirect"));
    QVERIFY(!w.enabled("actOpenHelp"));
    QVERIFY(w.child<QPushButton>("SpeedButton1")->isEnabled());
    QVERIFY(!w.child<QPushButton>("SpeedButton2")->isEnabled());

    w.open({w.sample("Manual")});
    QVERIFY(w.enabled("actOpen"));
    QVERIFY(w.enabled("actGenerate"));
    QVERIFY(w.enabled("actOpenDestDirect"));
    QVERIFY(w.child<QPushButton>("SpeedButton2")->isEnabled());

    struct Seen {
        bool open, generate, stop, destination, level, output, useCode, clear, bothFields,
            progressRow;
    } seen{};
    w.duringRun([&] {
        w.frm.updateActions(); // as the idle time between two events does
        seen = {w.enabled("actOpen"),
                w.enabled("actGenerate"),
                w.child<QPushButton>("StopButton")->isEnabled(),
                w.enabled("actOpenDestDirect"),
                w.child<QLineEdit>("eLevel")->isEnabled(),
                w.child<QLineEdit>("eOutputFolder")->isEnabled(),
                w.child<QCheckBox>("ceUseAddtionCode")->isEnabled(),
                w.child<QPushButton>("SpeedButton7")->isEnabled(),
                w.child<QLineEdit>("eSourceFiles")->isHidden(),
                w.progressRowShown()};
    });
    w.generate();
    QVERIFY(!seen.open);
    QVERIFY(!seen.generate);
    QVERIFY(seen.stop);
    QVERIFY(seen.destination); // still usable during a run
    QVERIFY(!seen.level);
    QVERIFY(!seen.output);
    QVERIFY(!seen.useCode);
    QVERIFY(!seen.clear);
    QVERIFY(seen.bothFields); // eSourceFileName takes its place
    QVERIFY(seen.progressRow);

    verifyControlsGivenBack(w);
    QVERIFY(!w.enabled("actStop"));
    QVERIFY(!w.progressRowShown());
}

void MainFrmTests::droppedDocumentsAreOpenedAndNothingStarts() {
    Window w;
    const auto a = w.sample("A");
    const auto b = w.dir / "B.docx";
    qm::test::writeFile(b, "docx");
    qm::test::writeFile(w.dir / "notes.txt", "text");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a.string())),
                  QUrl::fromLocalFile(QString::fromStdString(b.string())),
                  QUrl::fromLocalFile(QString::fromStdString((w.dir / "notes.txt").string()))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.frm, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.frm, &drop);

    QCOMPARE(w.child<QLineEdit>("eSourceFiles")->text(),
             QString::fromStdString(a.string() + ";" + b.string()));
    QCOMPARE(w.frm.generator().openedFiles(), (std::vector<std::filesystem::path>{a, b}));
    QVERIFY(!w.frm.running());
    Window::idle();
    QVERIFY(w.dialogs.results.isEmpty());
    QVERIFY(!std::filesystem::exists(w.dir / "A.hhp"));

    // A drag of nothing the window opens is refused.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QString::fromStdString((w.dir / "notes.txt").string()))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.frm, &refused);
    QVERIFY(!refused.isAccepted());
}

void MainFrmTests::runFillsTheStructureViewLikeTheCoreTree() {
    Window w;
    const auto manual = w.sample("手册", 4);
    w.open({manual});
    w.generate();

    const qm::StructureTree& tree = w.frm.generator().tree();
    auto* view = w.child<QTreeWidget>("tlStruct");
    QCOMPARE(tree.count(), std::size_t{1 + 4 * 4}); // the home topic, then 4 x (1 + 2 + 1)
    QCOMPARE(countItems(view), static_cast<int>(tree.count()));
    QVERIFY(sameStructure(
        tree.roots(), [view](int i) { return view->topLevelItem(i); }, view->topLevelItemCount()));
    QCOMPARE(view->topLevelItem(0)->text(0), QStringLiteral("首页"));

    // The result box closes the run; the fields name what was made.
    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.results.size(), 1);
    QVERIFY(w.dialogs.results[0].details.contains(QStringLiteral("手册.hhp")));
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral("手册 －帮助"));
    QCOMPARE(w.child<QLineEdit>("eCHMFileName")->text(), QStringLiteral("手册.chm"));
    QVERIFY(label4(w).startsWith(QStringLiteral("生成文件保存到【")));
    QCOMPARE(w.child<QLabel>("lGlobalCount")->text(), QStringLiteral("(1/1)"));
    QVERIFY(w.child<QLabel>("lBegin")->text().startsWith(QStringLiteral("开始时间：")));
    QVERIFY(w.child<QLabel>("lEnd")->text().startsWith(QStringLiteral("结束时间：")));
    QVERIFY(!w.progressRowShown());

    // A second run shows the second file's tree only.
    w.open({w.sample("Small", 1)});
    w.generate();
    QCOMPARE(countItems(view), 1 + 4);
}

// The converter and the compiler work on the run's thread: the window's timers fire
// and its status changes while they do. The fakes go on only once the window's loop
// has turned a few times, so a window that waited for them would never see them go on.
void MainFrmTests::eventLoopTurnsWhileTheConverterAndTheCompilerWork() {
    qm::test::HeldConverter converter;
    qm::test::HeldCompiler compiler;
    Window w(&converter, &compiler);
    w.frm.show();
    qm::test::writeFile(w.dir / "Slow.doc", "doc");
    w.open({w.dir / "Slow.doc"});

    int ticksInConversion = 0;
    int ticksInCompile = 0;
    QString convertingText, compilingText;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* status = w.child<QLabel>("lInfor");
        if (converter.hold.started && !converter.hold.released) {
            convertingText = status->text();
            if (++ticksInConversion == 5)
                converter.hold.released = true;
        }
        if (compiler.hold.started && !compiler.hold.released) {
            compilingText = status->text();
            if (++ticksInCompile == 5)
                compiler.hold.released = true;
        }
    });
    timer.start(1);
    w.generate();

    QVERIFY(!converter.hold.gaveUp);
    QVERIFY(!compiler.hold.gaveUp);
    QCOMPARE(ticksInConversion, 5);
    QCOMPARE(ticksInCompile, 5);
    QVERIFY2(convertingText.contains(QStringLiteral("转换")), qPrintable(convertingText));
    QVERIFY2(compilingText.startsWith(QStringLiteral("正在编译")), qPrintable(compilingText));
    QVERIFY(w.child<QTreeWidget>("tlStruct")->topLevelItemCount() > 0);
}

// In a batch, the file in hand, its title, CHM name and folder show as soon as it
// starts, not once its conversion is done.
void MainFrmTests::eachFileShowsItsNamesWhenItStarts() {
    qm::test::HeldConverter converter;
    Window w(&converter);
    const auto sub = w.dir / "second";
    std::filesystem::create_directory(sub);
    qm::test::writeFile(sub / "Second.doc", "doc");
    w.open({w.sample("First"), sub / "Second.doc"});

    QString source, title, chm, folder, home;
    QTimer timer;
    bool reading = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!converter.hold.started || reading)
            return;
        reading = true;
        // Queued behind what the run posted before the converter started.
        QMetaObject::invokeMethod(
            &w.frm,
            [&] {
                source = w.child<QLineEdit>("eSourceFileName")->text();
                title = w.child<QLineEdit>("eCHMTitle")->text();
                chm = w.child<QLineEdit>("eCHMFileName")->text();
                folder = label4(w);
                home = w.child<QLineEdit>("Edit3")->text();
                converter.hold.released = true;
            },
            Qt::QueuedConnection);
    });
    timer.start(1);
    w.generate();

    QCOMPARE(source, QString::fromStdString((sub / "Second.doc").string()));
    QCOMPARE(title, QStringLiteral("Second －帮助"));
    QCOMPARE(chm, QStringLiteral("Second.chm"));
    QVERIFY2(folder.contains(QString::fromStdString(sub.string())), qPrintable(folder));
    QVERIFY(home.isEmpty()); // the first file's home page is not the second's
}

void MainFrmTests::barCoversTheRunAndSaysWhatItDoes() {
    Window w;
    w.open({w.sample("Big", 200), w.sample("Small", 1)});
    QStringList texts;
    QList<int> values;
    QObject::connect(w.child<QProgressBar>("RunProgress"), &QProgressBar::valueChanged,
                     [&](int value) {
                         values.append(value);
                         texts.append(w.child<QLabel>("lInfor")->text());
                     });
    w.generate();

    QVERIFY(!values.isEmpty());
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QCOMPARE(values.last(), qm::ui::RunProgress::kMaximum);
    const QRegularExpression scanning(
        QStringLiteral("^正在扫描 [0-9.]+ (KB|MB|字节) / [0-9.]+ (KB|MB|字节)$"));
    QVERIFY2(!texts.filter(scanning).isEmpty(), qPrintable(texts.join('|')));
    // The labels are as wide as their texts.
    for (const char* name : {"lInfor", "lGlobalCount", "lBegin", "lEnd"}) {
        auto* label = w.child<QLabel>(name);
        QVERIFY2(label->minimumSizeHint().width() >=
                     label->fontMetrics().horizontalAdvance(label->text()),
                 name);
    }
}

void MainFrmTests::activatingANodeOpensItsPageOrSaysItIsGone() {
    Window w;
    w.frm.show();
    w.open({w.sample("Manual")});
    w.generate();
    auto* view = w.child<QTreeWidget>("tlStruct");
    QTreeWidgetItem* chapter = view->topLevelItem(1);
    QVERIFY(chapter != nullptr);

    const qm::StructureNode& node = *w.frm.generator().tree().roots().at(1);
    QCOMPARE(chapter->text(1).toStdString(), node.position);
    const auto page = w.frm.generator().topicPagePath(node);
    QVERIFY(std::filesystem::exists(page));
    qm::test::doubleClickRow(view, chapter);
    QCOMPARE(w.shell.paths, std::vector<std::filesystem::path>{page});

    // Enter on the selected row does the same.
    view->setFocus();
    view->setCurrentItem(chapter);
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(w.shell.paths.size(), std::size_t{2});

    // A page that is gone is not asked for; the user is told.
    std::filesystem::remove(page);
    qm::test::doubleClickRow(view, chapter);
    QCOMPARE(w.shell.paths.size(), std::size_t{2});
    QCOMPARE(w.dialogs.informations.size(), 1);
    QVERIFY(w.dialogs.informations[0].contains(QStringLiteral("不存在")));
    QVERIFY(w.dialogs.informations[0].contains(QString::fromStdString(page.string())));
}

void MainFrmTests::stopEndsTheRunAndTheNextRunGoesOn_data() {
    QTest::addColumn<QString>("step");
    QTest::newRow("scan") << "scan";
    QTest::newRow("conversion") << "conversion";
    QTest::newRow("compile") << "compile";
}

// The stop button stops the scan, the conversion and the compile as closing does,
// without closing; the next run is not stopped by it.
void MainFrmTests::stopEndsTheRunAndTheNextRunGoesOn() {
    QFETCH(QString, step);
    qm::test::HeldConverter converter;
    qm::test::HeldCompiler compiler;
    Window w(&converter, &compiler);
    w.frm.show();
    std::filesystem::path source = w.sample("Manual", 5);
    if (step == "conversion") {
        std::filesystem::remove(source);
        source = w.dir / "Manual.doc";
        qm::test::writeFile(source, "doc");
    }
    w.open({source});
    auto* stop = w.child<QPushButton>("StopButton");
    bool stopEnabled = false;
    const auto pressStop = [&] {
        w.frm.updateActions();
        stopEnabled = stop->isEnabled();
        QTest::mouseClick(stop, Qt::LeftButton);
    };
    QTimer timer;
    if (step == "scan") {
        w.duringScan(pressStop);
    } else {
        qm::test::Hold& hold = step == "conversion" ? converter.hold : compiler.hold;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (hold.started && !stopEnabled)
                pressStop();
        });
        timer.start(1);
    }
    w.generate();
    timer.stop();

    QVERIFY(stopEnabled);
    QVERIFY(w.frm.isVisible());
    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.results.size(), 1);
    QVERIFY(w.dialogs.results[0].warning);
    QVERIFY(w.dialogs.results[0].headline.contains(QStringLiteral("停止")));
    const std::string log = qm::test::readFile(w.dir / "Manual.run.txt");
    QVERIFY(contains(log, "用户中断操作。"));
    if (step == "conversion")
        QVERIFY(converter.hold.sawStop);
    if (step == "compile")
        QVERIFY(compiler.hold.sawStop);
    else
        QVERIFY(!std::filesystem::exists(w.dir / "Manual.hhp"));
    verifyControlsGivenBack(w);

    // The next run starts afresh and goes to its end.
    converter.hold.released = true;
    compiler.hold.released = true;
    w.generate();
    QCOMPARE(w.dialogs.results.size(), 2);
    QVERIFY(!w.dialogs.results[1].headline.contains(QStringLiteral("停止")));
    QVERIFY(std::filesystem::exists(w.dir / "Manual.hhp"));
}

void MainFrmTests::closingWhileIdleDoesNotAsk() {
    Window w;
    w.frm.show();
    QVERIFY(w.frm.close());
    QVERIFY(w.dialogs.questions.isEmpty());
}

void MainFrmTests::closingDuringRun_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("No goes on") << false;
    QTest::newRow("Yes stops and writes the run log") << true;
}

void MainFrmTests::closingDuringRun() {
    QFETCH(bool, answer);
    Window w;
    w.frm.show();
    w.open({w.sample("Manual", 5)});
    w.dialogs.answers[kCloseCaption] = answer;
    bool visibleWhenAsked = false;
    w.dialogs.onQuestion = [&](const QString&) { visibleWhenAsked = w.frm.isVisible(); };
    // The user asks twice; after a Yes, while the run winds down, the second request
    // does not ask again.
    w.duringScan([&] {
        w.frm.close();
        w.frm.close();
    });
    w.generate();

    QCOMPARE(w.dialogs.questions.size(), answer ? 1 : 2);
    QCOMPARE(w.dialogs.questions[0].caption, kCloseCaption);
    QCOMPARE(w.dialogs.questions[0].text,
             QStringLiteral("正在生成帮助相关文件，是否确定要中断操作并退出本程序？"));
    QVERIFY(visibleWhenAsked); // the window outlives the question and the run
    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.frm.generator().aborted(), answer);
    if (!answer) {
        QCOMPARE(w.frm.generator().tree().count(), std::size_t{1 + 5 * 4});
        QCOMPARE(w.dialogs.results.size(), 1);
        QVERIFY(std::filesystem::exists(w.dir / "Manual.hhp"));
        QVERIFY(w.frm.isVisible());
        return;
    }
    QVERIFY(w.dialogs.results.isEmpty()); // closing shows no box
    const std::string log = qm::test::readFile(w.dir / "Manual.run.txt");
    QVERIFY(contains(log, "用户中断操作。"));
    QVERIFY(!std::filesystem::exists(w.dir / "Manual.hhp"));
    QVERIFY(!w.frm.isVisible()); // closed once the run had ended
}

void MainFrmTests::resultBoxSaysWhatFailed() {
    qm::test::HeldCompiler compiler; // fails to write the CHM
    compiler.hold.released = true;
    Window w(nullptr, &compiler);
    w.open({w.sample("Manual")});
    w.generate();
    QCOMPARE(w.dialogs.results.size(), 1);
    const qm::RunReport& report = w.dialogs.results[0];
    QVERIFY(report.warning);
    QCOMPARE(report.headline, QStringLiteral("没有生成完整的CHM帮助文件，详见下文。"));
    QVERIFY(report.details.contains(QStringLiteral("未能生成CHM文件")));
}

// The real box: the warning icon, the first line, and the whole text in a box that
// scrolls instead of growing past the screen.
void MainFrmTests::resultBoxOfTenFilesScrolls() {
    Window w;
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(w.sample("File" + std::to_string(i), 1));
    w.open(files);
    w.generate();
    QCOMPARE(w.dialogs.results.size(), 1);
    const qm::RunReport report = w.dialogs.results[0];
    QVERIFY(report.headline.startsWith(QStringLiteral("10 个文件中有 10 个")));
    for (int i = 0; i < 10; ++i)
        QVERIFY(report.details.contains(QStringLiteral("File%1.hhp").arg(i)));

    QString shown;
    bool scrolls = false;
    bool fits = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box != nullptr);
        auto* text = box->findChild<QPlainTextEdit*>();
        QVERIFY(text != nullptr);
        shown = text->toPlainText();
        scrolls = text->verticalScrollBar()->maximum() > 0;
        fits = box->height() < 600;
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    qm::MessageBoxDialogs().showResult(report);
    QCOMPARE(shown, report.details);
    QVERIFY(scrolls);
    QVERIFY(fits);
}

void MainFrmTests::completeChmReportsNoWarning() {
    qm::ChmCompiler compiler;
    Window w(nullptr, &compiler);
    w.open({w.sample("Manual")});
    w.generate();
    QCOMPARE(w.dialogs.results.size(), 1);
    if (!std::filesystem::exists(w.dir / "Manual.chm"))
        QSKIP("the CHM compiler library is not beside the test");
    QVERIFY(!w.dialogs.results[0].warning);
    QCOMPARE(w.dialogs.results[0].headline, QStringLiteral("已生成 1 个CHM帮助文件。"));
}

// A file that fails does not end the batch: the result says what failed.
void MainFrmTests::errorDuringRunShowsTheErrorBoxAndRestoresTheControls() {
    Window w;
    const auto source = w.dir / "Lost.htm";
    qm::test::writeFile(source, std::string("\0\1\2 not a page", 16));
    w.open({source, w.sample("Manual")});
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("帮助"));
    w.generate();

    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.results.size(), 1);
    QVERIFY(w.dialogs.results[0].details.contains(QStringLiteral("Lost.htm")));
    QVERIFY(std::filesystem::exists(w.dir / "Manual.hhp"));
    QVERIFY(!w.frm.generator().generating());
    verifyControlsGivenBack(w);

    // An error that ends the run goes to the error box.
    qm::test::writeFile(w.dir / "Twin.doc", "doc");
    qm::test::writeFile(w.dir / "Twin.docx", "docx");
    w.open({w.dir / "Twin.doc", w.dir / "Twin.docx"});
    w.generate();
    QCOMPARE(w.dialogs.errors.size(), 1);
    verifyControlsGivenBack(w);
}

void MainFrmTests::wordFailureGoesIntoTheResultWithoutABox() {
    Window w; // no converter: every Word document fails
    qm::test::writeFile(w.dir / "Second.doc", "doc");
    w.open({w.sample("First"), w.dir / "Second.doc", w.sample("Third")});
    w.generate();

    // No box stops the batch; the result's headline names the file and why.
    QVERIFY(w.dialogs.informations.isEmpty());
    QCOMPARE(w.dialogs.results.size(), 1);
    QVERIFY(w.dialogs.results[0].warning);
    const QString expected = QStringLiteral("\nSecond.doc：保存中间文件到【%1/】下失败")
                                 .arg(QString::fromStdString(w.dir.path().string()));
    QVERIFY2(w.dialogs.results[0].headline.contains(expected),
             qPrintable(w.dialogs.results[0].headline));
    QVERIFY(w.dialogs.results[0].details.contains(QStringLiteral("Second.doc")));
    QVERIFY(std::filesystem::exists(w.dir / "First.hhp"));
    QVERIFY(std::filesystem::exists(w.dir / "Third.hhp"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!w.progressRowShown());
    QVERIFY(w.enabled("actGenerate"));
}

void MainFrmTests::wordDocumentRunsThroughLibreOffice() {
    const auto samples = qm::test::samplesDir();
    if (samples.empty())
        QSKIP(qm::test::kNoSamples);
    qm::LibreOfficeConverter converter;
    if (!converter.available())
        QSKIP("LibreOffice is not installed");
    Window w(&converter);
    const auto document = w.dir / "月报.doc";
    std::filesystem::copy_file(samples / "doc" / "gb8567__开发进度月报（GB8567——88）.doc",
                               document);
    w.open({document});
    w.generate();

    QVERIFY2(w.dialogs.errors.isEmpty(), qPrintable(w.dialogs.errors.join('\n')));
    QCOMPARE(w.dialogs.results.size(), 1);
    QVERIFY(w.dialogs.results[0].details.contains(QStringLiteral("月报.hhp")));
    QVERIFY(std::filesystem::exists(w.dir / "月报.htm"));
    const qm::StructureTree& tree = w.frm.generator().tree();
    auto* view = w.child<QTreeWidget>("tlStruct");
    QVERIFY(tree.count() > 10);
    QVERIFY(sameStructure(
        tree.roots(), [view](int i) { return view->topLevelItem(i); }, view->topLevelItemCount()));
}

void MainFrmTests::outputFolderTakesTheRun() {
    Window w;
    w.frm.show();
    const auto out = w.dir / "out";
    w.dialogs.folderToChoose = QString::fromStdString(out.string());
    QTest::mouseClick(w.child<QPushButton>("BrowseOutput"), Qt::LeftButton);
    QCOMPARE(w.frm.runSettings().outputFolder, out);
    w.open({w.sample("A"), w.sample("B")});
    w.generate();
    QVERIFY(std::filesystem::exists(out / "A.hhp"));
    QVERIFY(std::filesystem::exists(out / "B.hhp"));
    QVERIFY(!std::filesystem::exists(w.dir / "A.hhp"));
    QVERIFY(label4(w).contains(QString::fromStdString(out.string())));

    // Its pages open from there, and the folder opens once.
    auto* view = w.child<QTreeWidget>("tlStruct");
    qm::test::doubleClickRow(view, view->topLevelItem(1));
    QCOMPARE(w.shell.paths.size(), std::size_t{1});
    QCOMPARE(w.shell.paths[0].parent_path().parent_path(), out);
    w.child<QAction>("actOpenDestDirect")->trigger();
    QCOMPARE(w.shell.paths.back(), out / "");
    QCOMPARE(w.shell.paths.size(), std::size_t{2});
}

// Two documents of one name into one output folder: the second asks before it replaces
// the first one's project.
void MainFrmTests::anotherDocumentsProjectIsReplacedOnlyWhenTheUserSaysSo() {
    Window w;
    const auto out = w.dir / "out";
    w.dialogs.folderToChoose = QString::fromStdString(out.string());
    QTest::mouseClick(w.child<QPushButton>("BrowseOutput"), Qt::LeftButton);
    w.open({w.sample("A", 2)});
    w.generate();
    const std::string hhp = qm::test::readFile(out / "A.hhp");
    const auto other = w.dir / "other";
    std::filesystem::create_directory(other);
    w.open({qm::test::writeSampleDocument(other, "A", 1)});
    w.generate();
    QCOMPARE(w.dialogs.questions.size(), qsizetype{1});
    QCOMPARE(w.dialogs.questions[0].caption, QStringLiteral("替换帮助工程"));
    QVERIFY(w.dialogs.questions[0].text.contains(QString::fromStdString(other.string())));
    QVERIFY(qm::test::readFile(out / "A.hhp") == hhp);

    w.dialogs.answers[QStringLiteral("替换帮助工程")] = true;
    w.generate();
    QVERIFY(qm::test::readFile(out / "A.hhp") != hhp);
}

void MainFrmTests::targetFoldersAndBannerGoThroughTheShell() {
    Window w;
    w.frm.show();
    const auto sub = w.dir / "sub";
    std::filesystem::create_directory(sub);
    w.open({w.sample("A"), w.sample("B"), qm::test::writeSampleDocument(sub, "C", 1)});
    w.child<QAction>("actOpenDestDirect")->trigger();
    QCOMPARE(w.shell.paths, (std::vector<std::filesystem::path>{w.dir / "", sub / ""}));

    auto* banner = w.child<QWidget>("Image1");
    QCOMPARE(banner->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(banner, Qt::LeftButton);
    QCOMPARE(w.shell.urls, QStringList{QString::fromStdString(std::string(qm::kMakerAddress))});
}

void MainFrmTests::openHelpShowsTheHelpInTheViewer() {
    qm::ChmCompiler compiler;
    Window w(nullptr, &compiler);
    const auto chm = w.dir / "Manual.chm";
    w.open({w.sample("Manual")});
    w.frm.updateActions();
    QVERIFY(!w.enabled("actOpenHelp"));
    w.generate();
    if (!std::filesystem::exists(chm))
        QSKIP("the CHM compiler library is not beside the test");
    w.frm.updateActions();
    QVERIFY(w.enabled("actOpenHelp"));

    w.child<QAction>("actOpenHelp")->trigger();
    qm::ViewerWindow* viewer = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<qm::ViewerWindow*>(top); found && found->isVisible())
            viewer = found;
    QVERIFY(viewer != nullptr);
    QCOMPARE(viewer->chmPath(), chm);
    QVERIFY(!viewer->help().contents().empty());
    QVERIFY(!viewer->browser()->currentPage().empty());
    QVERIFY(w.shell.openedWith.empty()); // no outside viewer
    viewer->close();
}

// Every caption with an accelerator, buttons, labels, check boxes and tabs, has a
// letter of its own.
void MainFrmTests::acceleratorsAreUnique() {
    Window w;
    QStringList captions;
    for (auto* button : w.frm.findChildren<QAbstractButton*>())
        captions.append(button->text());
    for (auto* label : w.frm.findChildren<QLabel*>())
        if (label->buddy() != nullptr)
            captions.append(label->text());
    auto* tabs = w.frm.findChild<QTabWidget*>();
    for (int i = 0; i < tabs->count(); ++i)
        captions.append(tabs->tabText(i));
    QHash<QChar, QString> owners;
    for (const QString& caption : captions) {
        const QChar letter = accelerator(caption);
        if (letter.isNull())
            continue;
        QVERIFY2(!owners.contains(letter),
                 qPrintable(caption + QStringLiteral(" / ") + owners.value(letter)));
        owners.insert(letter, caption);
    }
    for (const char* expected : {"打开(&O)", "生成(&G)", "停止(&X)", "打开目录(&T)", "打开帮助(&H)",
                                 "输出目录(&U)：", "清除(&C)", "保存(&S)", "预览(&V)"})
        QVERIFY2(captions.contains(QString::fromUtf8(expected)), expected);
}

// Tab goes from control to control: never into a hidden or covered field, never
// caught in a code box.
void MainFrmTests::tabVisitsVisibleControlsAndLeavesTheMemos() {
    Window w;
    w.frm.show();
    QApplication::setActiveWindow(&w.frm);
    QVERIFY(QTest::qWaitForWindowActive(&w.frm));
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QVERIFY(before->toPlainText().isEmpty());
    QVERIFY(QApplication::focusWidget() != before);

    w.child<QLineEdit>("eCHMTitle")->setFocus();
    QSet<QWidget*> visited;
    for (int i = 0; i < 60; ++i) {
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused != nullptr);
        QVERIFY2(focused->isVisible(), qPrintable(focused->objectName()));
        QVERIFY2(!focused->objectName().startsWith(QStringLiteral("eSource")) &&
                     focused->objectName() != QStringLiteral("Edit3") &&
                     focused->objectName() != QStringLiteral("eCHMFileName"),
                 qPrintable(focused->objectName()));
        visited.insert(focused);
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QVERIFY(visited.contains(w.child<QLineEdit>("eOutputFolder")));
    QVERIFY(visited.contains(w.child<QPlainTextEdit>("mAfterEntry")));
    QVERIFY(visited.contains(w.child<QTreeWidget>("tlStruct")));
}

void MainFrmTests::standardButtonsSpeakChinese() {
    const QString file =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
    if (!QFile::exists(file))
        QSKIP("Qt's Chinese translation is not installed (qt6-translations-l10n)");
    QVERIFY(qm::installChineseTranslation(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    QCOMPARE(box.button(QDialogButtonBox::Ok)->text().remove(QLatin1Char('&')).left(2),
             QStringLiteral("确定"));
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')).left(2),
             QStringLiteral("取消"));
    QCOMPARE(box.button(QDialogButtonBox::Yes)->text().left(1), QStringLiteral("是"));
    QCOMPARE(box.button(QDialogButtonBox::No)->text().left(1), QStringLiteral("否"));
}

// At its minimum size every control still gets the room it needs, each code memo shows
// three lines and the home page's name fits or is shortened with the whole name as its
// tool tip; larger, the structure view takes the room.
void MainFrmTests::everyControlIsUsableAtTheMinimumSize() {
    Window w;
    w.frm.show();
    w.frm.resize(100, 100);
    QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
    Window::idle();
    const QSize minimum = w.frm.size();
    QVERIFY(minimum.width() > 100 && minimum.height() > 100);
    QVERIFY(minimum.width() <= 788 && minimum.height() <= 521);
    for (QWidget* control : w.frm.findChildren<QWidget*>()) {
        if (!control->isVisible() ||
            (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control)))
            continue;
        const QSize need = control->minimumSizeHint();
        QVERIFY2(control->width() >= need.width() && control->height() >= need.height(),
                 qPrintable(control->objectName() + control->property("text").toString()));
        const QRect inWindow(control->mapTo(&w.frm, QPoint(0, 0)), control->size());
        QVERIFY2(w.frm.rect().contains(inWindow), qPrintable(control->objectName()));
    }
    for (const char* name : {"mBeforeEntry", "mAfterEntry"}) {
        auto* memo = w.child<QPlainTextEdit>(name);
        QVERIFY(memo->isVisible());
        const int room =
            memo->viewport()->height() - static_cast<int>(memo->document()->documentMargin());
        QVERIFY2(room >= 3 * memo->fontMetrics().lineSpacing(),
                 qPrintable(QStringLiteral("%1: %2 px").arg(name).arg(room)));
    }
    auto* home = w.child<QLineEdit>("Edit3");
    const QString name = QStringLiteral("第一章 系统的安装与配置_安装前需要准备的内容.htm");
    w.frm.setText(qm::ui::Text::DefaultPage, name.toStdString());
    QCOMPARE(home->toolTip(), name);
    QVERIFY(home->fontMetrics().horizontalAdvance(home->text()) < home->width());
    QVERIFY(home->text() == name || (home->text().startsWith(name.left(1)) &&
                                     home->text().endsWith(QStringLiteral(".htm")) &&
                                     home->text().contains(QStringLiteral("…"))));
    auto* view = w.child<QTreeWidget>("tlStruct");
    const int narrow = view->width();
    w.frm.resize(minimum.width() + 300, minimum.height() + 100);
    Window::idle();
    QVERIFY(view->width() >= narrow + 250);
}

// The settings live in quillmark/ under the user's configuration folder; the file an
// earlier version kept under "Unknown Organization" is taken over once and stays.
void MainFrmTests::settingsFileIsTheProgramsOwnAndTakesOverTheOldOne() {
    qm::test::TempDir config;
    const QByteArray was = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    QStandardPaths::setTestModeEnabled(false);
    const std::filesystem::path old = config / "Unknown Organization" / "quillmark.conf";
    qm::test::writeFile(old, "[window]\nlevel=4\n");
    const QString file = qm::QtSettingsStore::file();
    qm::test::writeFile(old, "[window]\nlevel=2\n"); // taken over once only
    const std::optional<std::string> level = qm::QtSettingsStore().text("window/level");
    QStandardPaths::setTestModeEnabled(true);
    if (was.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", was);
    QCOMPARE(file, QString::fromStdString((config / "quillmark" / "quillmark.conf").string()));
    QCOMPARE(level.value_or(""), std::string("4"));
    QVERIFY(std::filesystem::exists(old));
}

void MainFrmTests::settingsComeBackInTheNextWindow() {
    QString lastFolder;
    std::filesystem::path opened;
    qm::test::TempDir kept; // outlives the first window's folder
    const std::vector<std::filesystem::path> batch{
        qm::test::writeSampleDocument(kept.path(), "R&D", 3),
        qm::test::writeSampleDocument(kept.path(), "Second", 3)};
    {
        Window w;
        w.frm.show();
        w.open(batch);
        opened = w.sample("Manual");
        w.open({opened});
        w.child<QLineEdit>("eLevel")->setText(QStringLiteral("3"));
        w.child<QCheckBox>("cbAutoCHMTitle")->setChecked(false);
        w.child<QCheckBox>("cbUsesDefaultHTMLHeader")->setChecked(true);
        w.child<QCheckBox>("ceUseAddtionCode")->setChecked(true);
        w.child<QPlainTextEdit>("mBeforeEntry")->setPlainText(QStringLiteral("<div>\n页眉"));
        w.child<QPlainTextEdit>("mAfterEntry")->setPlainText(QStringLiteral("</div>"));
        w.child<QLineEdit>("eOutputFolder")->setText(QStringLiteral("/tmp/帮助"));
        w.frm.resize(900, 600);
        QVERIFY(w.frm.close());
        lastFolder = QString::fromStdString(w.dir.path().string());
    }
    Window w;
    QCOMPARE(w.child<QLineEdit>("eLevel")->text(), QStringLiteral("3"));
    QVERIFY(!w.child<QCheckBox>("cbAutoCHMTitle")->isChecked());
    QVERIFY(w.child<QCheckBox>("cbUsesDefaultHTMLHeader")->isChecked());
    QVERIFY(w.frm.runSettings().useAdditionalCode);
    QCOMPARE(w.frm.runSettings().beforeEntry, qm::gbk::fromUtf8("<div>\r\n页眉"));
    QCOMPARE(w.frm.runSettings().afterEntry, std::string("</div>"));
    QCOMPARE(w.frm.runSettings().outputFolder, std::filesystem::path("/tmp/帮助"));
    QCOMPARE(w.frm.size(), QSize(900, 600));
    // The open dialog starts where the last file was; the recent list holds it.
    w.child<QAction>("actOpen")->trigger();
    QCOMPARE(w.dialogs.folders.value(0), lastFolder);
    auto* recent = w.child<QMenu>("RecentMenu");
    QVERIFY(recent->actions().size() >= 2);
    QCOMPARE(recent->actions().first()->text(), QString::fromStdString(opened.string()));
    QVERIFY(w.child<QPushButton>("RecentFiles")->isEnabled());
    // The documents opened together are one entry, named by the first (its '&' no
    // mnemonic), listed whole in its tooltip, and open together again.
    const QString first = QString::fromStdString(batch[0].string());
    QAction* together = recent->actions().at(1);
    QCOMPARE(together->text(), QString(first).replace('&', "&&") + QStringLiteral(" 等 2 个文件"));
    QCOMPARE(together->toolTip(), first + '\n' + QString::fromStdString(batch[1].string()));
    QVERIFY(recent->toolTipsVisible());
    const QString caption = together->text();
    together->trigger(); // the menu is made anew
    QCOMPARE(w.frm.generator().openedFiles(), batch);
    QCOMPARE(recent->actions().first()->text(), caption);
}

QTEST_MAIN(MainFrmTests)
#include "MainFrmTests.moc"
