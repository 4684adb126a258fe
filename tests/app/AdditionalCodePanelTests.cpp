// The additional-code controls of the window: enable rules, the stored-file list,
// loading, saving, clearing, the preview and the split of the code area.
#include "TestWindow.h"
#include "addcode/AdditionalCodeFile.h"
#include "support/TempDir.h"
#include "text/Gbk.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTest>

using qm::test::Window;

namespace {

QTreeWidgetItem* row(Window& w, int i) {
    return w.child<QTreeWidget>("tlAddtionalCodeFiles")->topLevelItem(i);
}

void doubleClick(Window& w, QTreeWidgetItem* item) {
    qm::test::doubleClickRow(w.child<QTreeWidget>("tlAddtionalCodeFiles"), item);
}

// Stores files in the window's program folder and lets the window list them, as at start-up.
void store(Window& w, const std::vector<std::pair<std::string, qm::AdditionalCode>>& files) {
    std::filesystem::create_directories(w.dir / "program");
    for (const auto& [name, code] : files)
        qm::saveAdditionalCodeFile(w.dir / "program" / name, code);
    w.frm.startUp();
    w.frm.updateActions();
}

} // namespace

class AdditionalCodePanelTests : public QObject {
    Q_OBJECT
private slots:
    void init() { qm::test::freshSettings(); }
    void saveAndPreviewNeedSomeCode();
    void openIsOffOnlyDuringARun();
    void doubleClickLoadsAStoredFile();
    void savedCodeComesBackWithItsLineBreaks();
    void codeRoundTripsThroughTheUsersFolder();
    void clearingAsksFirst();
    void failedLoadShowsTheErrorAndKeepsTheMemos();
    void previewFramesTheSampleAndOpensIt();
    void codeAreaSplitsInHalves();
};

void AdditionalCodePanelTests::saveAndPreviewNeedSomeCode() {
    Window w;
    w.frm.show();
    w.frm.updateActions();
    QVERIFY(!w.enabled("actSaveAdditionCode"));
    QVERIFY(!w.enabled("actPreviewAddtionCode"));
    QVERIFY(!w.child<QPushButton>("SpeedButton5")->isEnabled());

    // One character in either memo is enough.
    QTest::keyClicks(w.child<QPlainTextEdit>("mAfterEntry"), "x");
    QVERIFY(w.enabled("actSaveAdditionCode"));
    QVERIFY(w.enabled("actPreviewAddtionCode"));
    QVERIFY(w.child<QPushButton>("SpeedButton4")->isEnabled());

    w.dialogs.answers[QStringLiteral("清除附加代码")] = true;
    QTest::mouseClick(w.child<QPushButton>("SpeedButton7"), Qt::LeftButton);
    QVERIFY(w.child<QPlainTextEdit>("mAfterEntry")->toPlainText().isEmpty());
    w.frm.updateActions();
    QVERIFY(!w.enabled("actSaveAdditionCode"));

    // A run keeps them off, and the buttons come back as their rules say.
    w.child<QPlainTextEdit>("mBeforeEntry")->setPlainText(QStringLiteral("<b>"));
    w.open({w.sample("Manual")});
    bool savable = true;
    bool previewButton = true;
    w.duringRun([&] {
        w.frm.updateActions();
        savable = w.enabled("actSaveAdditionCode");
        previewButton = w.child<QPushButton>("SpeedButton4")->isEnabled();
    });
    w.generate();
    QVERIFY(!savable);
    QVERIFY(!previewButton);
    QVERIFY(w.child<QPushButton>("SpeedButton4")->isEnabled());
    QVERIFY(w.child<QPushButton>("SpeedButton5")->isEnabled());
    QVERIFY(w.child<QPushButton>("SpeedButton6")->isEnabled()); // the open dialog
}

// Open offers the file dialog whenever no run works; the list loads as well.
void AdditionalCodePanelTests::openIsOffOnlyDuringARun() {
    Window w;
    w.frm.show();
    store(w, {});
    QVERIFY(w.enabled("actOpenAddtionalCodeFile"));

    w.open({w.sample("Manual")});
    bool openable = true;
    w.duringRun([&] {
        w.frm.updateActions();
        openable = w.enabled("actOpenAddtionalCodeFile");
    });
    w.generate();
    QVERIFY(!openable);
    QVERIFY(w.enabled("actOpenAddtionalCodeFile"));
}

void AdditionalCodePanelTests::doubleClickLoadsAStoredFile() {
    Window w;
    w.frm.show();
    const std::string prefix = qm::gbk::fromUtf8("<table>\r\n<tr><td>页眉</td></tr>");
    store(w, {{"only-prefix.ahtml", {prefix, ""}}});
    // The file has a suffix element, but an empty one; a file without it keeps the memo.
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    auto* after = w.child<QPlainTextEdit>("mAfterEntry");
    after->setPlainText(QStringLiteral("旧的后缀"));
    doubleClick(w, row(w, 0));
    QCOMPARE(before->toPlainText(), QStringLiteral("<table>\n<tr><td>页眉</td></tr>"));
    QCOMPARE(w.frm.runSettings().beforeEntry, prefix);
    QVERIFY(after->toPlainText().isEmpty());

    const auto bare = w.dir / "bare.ahtml";
    qm::test::writeFile(bare, "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n"
                              "<Other><BeforeEntry>a#13#10b</BeforeEntry></Other>");
    after->setPlainText(QStringLiteral("留下"));
    row(w, 0)->setText(1, QString::fromStdString(bare.string()));
    doubleClick(w, row(w, 0));
    QCOMPARE(before->toPlainText(), QStringLiteral("a\nb"));
    QCOMPARE(after->toPlainText(), QStringLiteral("留下"));
    QVERIFY(w.dialogs.errors.isEmpty());
}

void AdditionalCodePanelTests::savedCodeComesBackWithItsLineBreaks() {
    Window w;
    w.frm.show();
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    before->setFocus();
    QTest::keyClicks(before, "<div>");
    QTest::keyClick(before, Qt::Key_Return);
    QTest::keyClicks(before, "<b>");
    QCOMPARE(w.frm.runSettings().beforeEntry, std::string("<div>\r\n<b>"));

    const auto saved = w.dir / "program" / "mine.ahtml";
    std::filesystem::create_directories(saved.parent_path());
    w.dialogs.saveTo = QString::fromStdString(saved.string());
    w.frm.startUp();
    w.frm.updateActions();
    w.child<QAction>("actSaveAdditionCode")->trigger();
    QVERIFY(w.dialogs.errors.isEmpty());
    const qm::LoadedAdditionalCode loaded = qm::loadAdditionalCodeFile(saved);
    QCOMPARE(loaded.beforeEntry.value_or("?"), std::string("<div>\r\n<b>"));
    QCOMPARE(loaded.afterEntry.value_or("?"), std::string());

    // Cancelling the dialog writes nothing.
    std::filesystem::remove(saved);
    w.dialogs.saveTo.clear();
    w.child<QAction>("actSaveAdditionCode")->trigger();
    QVERIFY(!std::filesystem::exists(saved));
}

// Saving proposes the user's own folder, which the list then shows; the open dialog
// brings the code back.
void AdditionalCodePanelTests::codeRoundTripsThroughTheUsersFolder() {
    Window w;
    w.frm.show();
    store(w, {});
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    auto* after = w.child<QPlainTextEdit>("mAfterEntry");
    before->setPlainText(QStringLiteral("<div class=页眉>\n"));
    after->setPlainText(QStringLiteral("</div>"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    w.dialogs.saveTo = folder + QStringLiteral("/框架.ahtml");
    w.frm.updateActions();
    w.child<QAction>("actSaveAdditionCode")->trigger();
    QCOMPARE(w.dialogs.folders, QStringList{folder});
    QCOMPARE(row(w, 0)->text(0), QStringLiteral("框架"));

    w.dialogs.answers[QStringLiteral("清除附加代码")] = true;
    QTest::mouseClick(w.child<QPushButton>("SpeedButton7"), Qt::LeftButton);
    QVERIFY(before->toPlainText().isEmpty() && after->toPlainText().isEmpty());
    w.dialogs.codeToOpen = w.dialogs.saveTo;
    w.child<QAction>("actOpenAddtionalCodeFile")->trigger();
    QCOMPARE(w.dialogs.folders.last(), folder);
    QCOMPARE(before->toPlainText(), QStringLiteral("<div class=页眉>\n"));
    QCOMPARE(after->toPlainText(), QStringLiteral("</div>"));

    // A new window lists the user's file beside the program's.
    Window next;
    store(next, {{"程序.ahtml", {"a", "b"}}});
    QCOMPARE(next.child<QTreeWidget>("tlAddtionalCodeFiles")->topLevelItemCount(), 2);
}

void AdditionalCodePanelTests::clearingAsksFirst() {
    Window w;
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    before->setPlainText(QStringLiteral("<b>"));
    w.child<QPushButton>("SpeedButton7")->click();
    QCOMPARE(w.dialogs.questions.size(), 1);
    QCOMPARE(before->toPlainText(), QStringLiteral("<b>")); // No keeps the code
}

void AdditionalCodePanelTests::failedLoadShowsTheErrorAndKeepsTheMemos() {
    Window w;
    w.frm.show();
    store(w, {{"gone.ahtml", {"a", "b"}}, {"broken.ahtml", {"c", "d"}}});
    qm::test::writeFile(w.dir / "program" / "broken.ahtml", "<?xml version=\"1.0\"?><a><b></a>");
    std::filesystem::remove(w.dir / "program" / "gone.ahtml");
    auto* before = w.child<QPlainTextEdit>("mBeforeEntry");
    before->setPlainText(QStringLiteral("原来的"));

    auto* list = w.child<QTreeWidget>("tlAddtionalCodeFiles");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        doubleClick(w, row(w, i));
    QCOMPARE(w.dialogs.errors.size(), 2);
    QVERIFY(w.dialogs.errors.filter(QStringLiteral("Cannot open file")).size() == 1);
    QCOMPARE(before->toPlainText(), QStringLiteral("原来的"));
}

void AdditionalCodePanelTests::previewFramesTheSampleAndOpensIt() {
    Window w;
    w.frm.show();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(w.dir.path());
    w.child<QPlainTextEdit>("mAfterEntry")->setPlainText(QStringLiteral("<p>页脚</p>"));
    w.frm.updateActions();
    w.child<QAction>("actPreviewAddtionCode")->trigger();
    std::filesystem::current_path(previous);

    // Before any run the page lands in the current folder.
    QCOMPARE(w.shell.paths.size(), std::size_t{1});
    const auto page = w.dir / "qlmpreviewtmp.htm";
    QCOMPARE(std::filesystem::absolute(w.dir.path() / w.shell.paths[0]).filename(),
             page.filename());
    const std::string bytes = qm::test::readFile(page);
    QVERIFY(bytes.find(qm::gbk::fromUtf8("<p>页脚</p>")) != std::string::npos);

    // After a run it goes beside the last processed file, and the use switch is ignored.
    const auto sub = w.dir / "docs";
    std::filesystem::create_directory(sub);
    w.open({qm::test::writeSampleDocument(sub, "Manual", 1)});
    w.generate();
    QVERIFY(!w.child<QCheckBox>("ceUseAddtionCode")->isChecked());
    w.frm.updateActions();
    w.child<QAction>("actPreviewAddtionCode")->trigger();
    QCOMPARE(w.shell.paths.size(), std::size_t{2});
    QCOMPARE(w.shell.paths[1], sub / "qlmpreviewtmp.htm");
    QVERIFY(qm::test::readFile(sub / "qlmpreviewtmp.htm").find(qm::gbk::fromUtf8("页脚")) !=
            std::string::npos);

    // Closing the window takes the preview pages with it.
    QVERIFY(w.frm.close());
    QVERIFY(!std::filesystem::exists(sub / "qlmpreviewtmp.htm"));
    QVERIFY(!std::filesystem::exists(page));
}

void AdditionalCodePanelTests::codeAreaSplitsInHalves() {
    Window w;
    w.frm.show();
    auto* area = w.child<QSplitter>("pEntryAddtionCode");
    area->resize(area->width(), 301);
    QCOMPARE(w.child<QWidget>("pBeforeEntry")->height(), 150);
    area->resize(area->width(), 440);
    QCOMPARE(w.child<QWidget>("pBeforeEntry")->height(), 220);
}

QTEST_MAIN(AdditionalCodePanelTests)
#include "AdditionalCodePanelTests.moc"
