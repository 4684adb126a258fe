// The window over real runs: enable rules, the title and close questions, the
// structure view, the shell requests and the error box.
#include "SampleDocument.h"
#include "TestWindow.h"
#include "split/PageFrame.h"
#include "support/Samples.h"
#include "support/TempDir.h"
#include "text/Gbk.h"
#include "word/LibreOfficeConverter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <functional>

using qm::test::Window;

namespace {

const QString kCloseCaption = QStringLiteral("退出提示");
const QString kTitleCaption = QStringLiteral("提示");

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
        if (row->data(0, Qt::UserRole).toByteArray().toStdString() != node.title ||
            row->text(0) != QString::fromStdString(qm::gbk::toUtf8(node.heading)) ||
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

} // namespace

class MainFrmTests : public QObject {
    Q_OBJECT
private slots:
    void startsIdleWithItsDefaults();
    void openingNamesTheFilesAndDerivesTheTitle();
    void cancelledOpenKeepsTheFilesShown();
    void enableRulesFollowOpeningAndRunning();
    void untitledRunAsksFirst();
    void runFillsTheStructureViewLikeTheCoreTree();
    void doubleClickOpensTheNodesPageOnly();
    void closingWhileIdleDoesNotAsk();
    void closingDuringRun_data();
    void closingDuringRun();
    void errorDuringRunShowsTheErrorBoxAndRestoresTheControls();
    void targetFoldersAndBannerGoThroughTheShell();
    void wordFailureShowsItsBoxAndNoSummary();
    void wordDocumentRunsThroughLibreOffice();
};

void MainFrmTests::startsIdleWithItsDefaults() {
    Window w;
    QCOMPARE(w.frm.windowTitle(), QStringLiteral("Quillmark"));
    QCOMPARE(w.frm.size(), QSize(788, 521));
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral(" －帮助"));
    QVERIFY(w.child<QCheckBox>("cbAutoCHMTitle")->isChecked());
    QCOMPARE(w.child<QLineEdit>("eLevel")->text(), QStringLiteral("0"));
    QCOMPARE(w.frm.levelText(), std::string("0"));
    QVERIFY(!w.child<QCheckBox>("cbUsesDefaultHTMLHeader")->isChecked());
    QVERIFY(!w.child<QCheckBox>("ceUseAddtionCode")->isChecked());

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

void MainFrmTests::openingNamesTheFilesAndDerivesTheTitle() {
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

    // A .doc names its IntermediateHtml beside it; without the automatic title the
    // typed title stays.
    w.child<QCheckBox>("cbAutoCHMTitle")->setChecked(false);
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("我的帮助"));
    w.open({third});
    QCOMPARE(w.frm.generator().intermediateHtml(), w.dir / "Third.htm");
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral("我的帮助"));
    // Opening leaves the results of the last run alone.
    QVERIFY(w.child<QLabel>("Label4")->text().isEmpty());
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
    QCOMPARE(w.dialogs.informations.size(), 1);
}

void MainFrmTests::enableRulesFollowOpeningAndRunning() {
    Window w;
    w.frm.updateActions();
    QVERIFY(w.enabled("actOpen"));
    QVERIFY(!w.enabled("actGenerate"));
    QVERIFY(!w.enabled("actOpenDestDirect"));
    QVERIFY(w.child<QPushButton>("SpeedButton1")->isEnabled());
    QVERIFY(!w.child<QPushButton>("SpeedButton2")->isEnabled());

    w.open({w.sample("Manual")});
    QVERIFY(w.enabled("actOpen"));
    QVERIFY(w.enabled("actGenerate"));
    QVERIFY(w.enabled("actOpenDestDirect"));
    QVERIFY(w.child<QPushButton>("SpeedButton2")->isEnabled());

    struct Seen {
        bool open, generate, destination, level, useCode, clear, bothFields, progressRow;
    } seen{};
    w.duringRun([&] {
        w.frm.updateActions(); // as the idle time between two pumps does
        seen = {w.enabled("actOpen"),
                w.enabled("actGenerate"),
                w.enabled("actOpenDestDirect"),
                w.child<QLineEdit>("eLevel")->isEnabled(),
                w.child<QCheckBox>("ceUseAddtionCode")->isEnabled(),
                w.child<QPushButton>("SpeedButton7")->isEnabled(),
                w.child<QLineEdit>("eSourceFiles")->isHidden(),
                w.progressRowShown()};
    });
    w.generate();
    QVERIFY(!seen.open);
    QVERIFY(!seen.generate);
    QVERIFY(seen.destination); // still usable during a run
    QVERIFY(!seen.level);
    QVERIFY(!seen.useCode);
    QVERIFY(!seen.clear);
    QVERIFY(seen.bothFields); // eSourceFileName shows through
    QVERIFY(seen.progressRow);

    verifyControlsGivenBack(w);
    QVERIFY(!w.progressRowShown());
}

void MainFrmTests::untitledRunAsksFirst() {
    Window w;
    w.child<QCheckBox>("cbAutoCHMTitle")->setChecked(false);
    w.open({w.sample("Manual")});
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral(" －帮助"));

    // Yes: the user wants to type a title first; nothing runs.
    w.dialogs.answers[kTitleCaption] = true;
    w.generate();
    QCOMPARE(w.dialogs.questions.size(), 1);
    QCOMPARE(w.dialogs.questions[0].caption, kTitleCaption);
    QCOMPARE(w.dialogs.questions[0].text,
             QStringLiteral(
                 "您没有给出帮助文件标题(CHM文件打开时显示的标题)，您希望给出标题后再生成吗？"));
    QVERIFY(w.frm.generator().tree().empty());
    QVERIFY(w.dialogs.informations.isEmpty());
    QVERIFY(!w.progressRowShown());

    // No: the run goes on with the title as it is.
    w.dialogs.answers[kTitleCaption] = false;
    w.generate();
    QCOMPARE(w.dialogs.questions.size(), 2);
    QVERIFY(!w.frm.generator().tree().empty());
    QCOMPARE(w.dialogs.informations.size(), 1);

    // Any other title runs without asking.
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("帮助"));
    w.generate();
    QCOMPARE(w.dialogs.questions.size(), 2);
    QCOMPARE(w.dialogs.informations.size(), 2);
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

    // The summary closes the run; the fields name what was made.
    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.informations.size(), 1);
    QVERIFY(w.dialogs.informations[0].contains(QStringLiteral("手册.hhp")));
    QCOMPARE(w.child<QLineEdit>("eCHMTitle")->text(), QStringLiteral("手册 －帮助"));
    QCOMPARE(w.child<QLineEdit>("eCHMFileName")->text(), QStringLiteral("手册.chm"));
    QVERIFY(w.child<QLabel>("Label4")->text().startsWith(QStringLiteral("生成文件保存到【")));
    QCOMPARE(w.child<QLabel>("lGlobalCount")->text(), QStringLiteral("(1/1)"));
    QVERIFY(w.child<QLabel>("lBegin")->text().contains(QStringLiteral("开始时间：")));
    QVERIFY(w.child<QLabel>("lEnd")->text().contains(QStringLiteral("结束时间：")));
    QVERIFY(!w.progressRowShown());

    // A second run shows the second file's tree only.
    w.open({w.sample("Small", 1)});
    w.generate();
    QCOMPARE(countItems(view), 1 + 4);
}

void MainFrmTests::doubleClickOpensTheNodesPageOnly() {
    Window w;
    w.frm.show();
    w.open({w.sample("Manual")});
    w.generate();
    auto* view = w.child<QTreeWidget>("tlStruct");
    QTreeWidgetItem* chapter = view->topLevelItem(1);
    QVERIFY(chapter != nullptr);
    const auto doubleClick = [view](QTreeWidgetItem* item) {
        qm::test::doubleClickRow(view, item);
    };

    qm::StructureNode node;
    node.title = chapter->data(0, Qt::UserRole).toByteArray().toStdString();
    node.position = chapter->text(1).toStdString();
    const auto page = w.frm.generator().topicPagePath(node);
    QVERIFY(std::filesystem::exists(page));
    doubleClick(chapter);
    QCOMPARE(w.shell.paths.size(), std::size_t{1});
    QCOMPARE(w.shell.paths[0], page);

    // A page that is gone is not asked for, and nothing is reported.
    std::filesystem::remove(page);
    doubleClick(chapter);
    QCOMPARE(w.shell.paths.size(), std::size_t{1});
    QVERIFY(w.dialogs.errors.isEmpty());

    // After another file is opened the view's pages are looked for beside that file.
    const auto other = w.dir / "other";
    std::filesystem::create_directory(other);
    w.open({qm::test::writeSampleDocument(other, "Manual", 3)});
    doubleClick(view->topLevelItem(2));
    QCOMPARE(w.shell.paths.size(), std::size_t{1});
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
    w.duringRun([&] {
        w.requestClose();
        w.requestClose();
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
        QCOMPARE(w.dialogs.informations.size(), 1);
        QVERIFY(std::filesystem::exists(w.dir / "Manual.hhp"));
        QVERIFY(w.frm.isVisible());
        return;
    }
    QVERIFY(w.dialogs.informations.isEmpty()); // an interruption shows no box
    const std::string log = qm::test::readFile(w.dir / "Manual.run.txt");
    QVERIFY(log.find(qm::gbk::fromUtf8("用户中断操作。")) != std::string::npos);
    QVERIFY(!std::filesystem::exists(w.dir / "Manual.hhp"));
    QVERIFY(!w.frm.isVisible()); // closed once the run had returned
}

// A file that fails does not end the batch: the summary says what failed.
void MainFrmTests::errorDuringRunShowsTheErrorBoxAndRestoresTheControls() {
    Window w;
    const auto source = w.dir / "Lost.htm";
    qm::test::writeFile(source, std::string("\0\1\2 not a page", 16));
    w.open({source, w.sample("Manual")});
    w.child<QLineEdit>("eCHMTitle")->setText(QStringLiteral("帮助"));
    w.generate();

    QVERIFY(w.dialogs.errors.isEmpty());
    QCOMPARE(w.dialogs.informations.size(), 1);
    QVERIFY(w.dialogs.informations[0].contains(QStringLiteral("Lost.htm")));
    QVERIFY(std::filesystem::exists(w.dir / "Manual.hhp"));
    QVERIFY(!w.frm.generator().generating());
    verifyControlsGivenBack(w);
}

void MainFrmTests::targetFoldersAndBannerGoThroughTheShell() {
    Window w;
    w.frm.show();
    const auto sub = w.dir / "sub";
    std::filesystem::create_directory(sub);
    w.open({w.sample("A"), w.sample("B"), qm::test::writeSampleDocument(sub, "C", 1)});
    w.child<QAction>("actOpenDestDirect")->trigger();
    QCOMPARE(w.shell.paths, (std::vector<std::filesystem::path>{w.dir / "", w.dir / "", sub / ""}));

    auto* banner = w.child<QWidget>("Image1");
    QCOMPARE(banner->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(banner, Qt::LeftButton);
    QCOMPARE(w.shell.urls, QStringList{QString::fromStdString(std::string(qm::kMakerAddress))});
}

void MainFrmTests::wordFailureShowsItsBoxAndNoSummary() {
    Window w; // no converter: every Word document fails
    qm::test::writeFile(w.dir / "Second.doc", "doc");
    w.open({w.sample("First"), w.dir / "Second.doc", w.sample("Third")});
    w.generate();

    // The failure's box, then the batch goes on and its summary names the failure.
    QCOMPARE(w.dialogs.informations.size(), 2);
    const QString expected = QStringLiteral("保存中间文件到【%1/】下失败，可能是以下原因：\n1、")
                                 .arg(QString::fromStdString(w.dir.path().string()));
    QVERIFY2(w.dialogs.informations[0].startsWith(expected), qPrintable(w.dialogs.informations[0]));
    QVERIFY(w.dialogs.informations[1].contains(QStringLiteral("Second.doc")));
    QVERIFY(std::filesystem::exists(w.dir / "First.hhp"));
    QVERIFY(std::filesystem::exists(w.dir / "Third.hhp"));
    QCOMPARE(QApplication::overrideCursor(), nullptr); // the hourglass is gone
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
    QCOMPARE(w.dialogs.informations.size(), 1);
    QVERIFY(w.dialogs.informations[0].contains(QStringLiteral("月报.hhp")));
    QVERIFY(std::filesystem::exists(w.dir / "月报.htm"));
    const qm::StructureTree& tree = w.frm.generator().tree();
    auto* view = w.child<QTreeWidget>("tlStruct");
    QVERIFY(tree.count() > 10);
    QVERIFY(sameStructure(
        tree.roots(), [view](int i) { return view->topLevelItem(i); }, view->topLevelItemCount()));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(MainFrmTests)
#include "MainFrmTests.moc"
