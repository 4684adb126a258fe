// The window on a real X display (run under xvfb-run): it maps with its caption, and
// pictures of the idle window and of the window after a run are kept in the build folder
// for a look by eye.
#include "TestWindow.h"
#include "support/Samples.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
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

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
