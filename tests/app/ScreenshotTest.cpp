// The window on a real X display (run under xvfb-run): it maps with its caption, and
// pictures of the idle window and of the window after a run are kept in the build folder
// for a look by eye.
#include "HelpBrowser.h"
#include "TestWindow.h"
#include "ViewerWindow.h"
#include "project/ChmCompiler.h"
#include "support/Samples.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

using qm::test::Window;

namespace {

// The pixels the X server shows for the window.
QImage grabFromScreen(QWidget& window) {
    return window.screen()
        ->grabWindow(0, window.x(), window.y(), window.width(), window.height())
        .toImage();
}

int distinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void windowShowsWithItsCaption();
    void viewerShowsAChineseManual();
};

void ScreenshotTest::windowShowsWithItsCaption() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        QSKIP("needs an X display (run under xvfb-run)");
    Window w;
    w.frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
    QTest::qWait(200); // the first frames of the banner

    // The caption as the X server holds it for window managers and task bars.
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(w.frm.windowHandle()->winId()),
                 QStringLiteral("_NET_WM_NAME"), QStringLiteral("WM_NAME")});
    if (xprop.waitForFinished(10000)) {
        const QString properties = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(properties.contains(QStringLiteral("\"Quillmark\"")), qPrintable(properties));
    }

    const QString folder = QString::fromStdString(qm::test::binaryDir().string());
    const QImage idle = grabFromScreen(w.frm);
    QCOMPARE(idle.size(), QSize(788, 521));
    QVERIFY(distinctColours(idle) > 20); // controls and text, not an empty frame
    QVERIFY(idle.save(folder + QStringLiteral("/quillmark-gui-idle.png")));

    w.open({w.sample("用户手册", 6)});
    QImage running;
    w.duringRun([&] {
        w.frm.processEvents(); // as the scan does at its next progress point
        running = w.frm.grab().toImage();
    });
    w.generate();
    QVERIFY(running.save(folder + QStringLiteral("/quillmark-gui-running.png")));
    QCOMPARE(w.dialogs.results.size(), 1);
    QTest::qWait(100);
    const QImage afterRun = grabFromScreen(w.frm);
    QVERIFY(afterRun != idle);
    QVERIFY(afterRun.save(folder + QStringLiteral("/quillmark-gui-after-run.png")));
}

// 打开帮助 after a run: the viewer with the manual's contents tree (page names in
// Chinese) and a page with its text and picture.
void ScreenshotTest::viewerShowsAChineseManual() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        QSKIP("needs an X display (run under xvfb-run)");
    qm::ChmCompiler compiler;
    Window w(nullptr, &compiler);
    w.open({w.sample("用户手册", 6)});
    w.generate();
    if (!std::filesystem::exists(w.dir / "用户手册.chm"))
        QSKIP("the CHM compiler library is not beside the test");
    w.frm.updateActions();
    w.child<QAction>("actOpenHelp")->trigger();
    qm::ViewerWindow* viewer = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<qm::ViewerWindow*>(top); found && found->isVisible())
            viewer = found;
    QVERIFY(viewer != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    auto* tree = viewer->findChild<QTreeWidget*>(QStringLiteral("contentsTree"));
    tree->expandAll();
    // The second chapter's page, selected in the tree.
    QTreeWidgetItemIterator second(tree);
    ++second;
    emit tree->itemClicked(*second, 0);
    QCOMPARE(tree->currentItem(), *second);
    QVERIFY(!viewer->browser()->toPlainText().trimmed().isEmpty());
    QTest::qWait(200);

    const QImage shot = grabFromScreen(*viewer);
    QVERIFY(distinctColours(shot) > 20);
    QVERIFY(shot.save(QString::fromStdString(qm::test::binaryDir().string()) +
                      QStringLiteral("/quillmark-gui-viewer.png")));
    viewer->close();
}

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
