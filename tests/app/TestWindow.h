#pragma once

#include "FakeDialogs.h"
#include "FakeShell.h"
#include "MainFrm.h"
#include "SampleDocument.h"
#include "support/TempDir.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QProgressBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

namespace qm::test {

// Settings and the user's additional code in a test location, empty at every test.
inline void freshSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QtSettingsStore::open().clear();
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
}

// A window over fakes, in a folder of its own.
struct Window {
    // Without a converter a Word document fails as if Word could not save it; without
    // a compiler no CHM is built.
    explicit Window(DocumentConverter* converter = nullptr, ProjectCompiler* compiler = nullptr)
        : frm(dialogs, shell, converter, compiler, dir / "program") {}

    TempDir dir;
    FakeDialogs dialogs;
    FakeShell shell;
    MainFrm frm;

    // A control by the name the window gives it.
    template <class T> T* child(const char* name) {
        T* found = frm.findChild<T*>(QString::fromUtf8(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    bool enabled(const char* action) { return child<QAction>(action)->isEnabled(); }

    std::filesystem::path sample(std::string_view name, int chapters = 3) {
        return writeSampleDocument(dir.path(), name, chapters);
    }
    void open(const std::vector<std::filesystem::path>& files) {
        dialogs.filesToOpen.clear();
        for (const auto& file : files)
            dialogs.filesToOpen.append(QString::fromStdString(file.string()));
        frm.updateActions();
        child<QAction>("actOpen")->trigger();
    }
    // Starts a run and lets the event loop turn until it has ended.
    void generate() {
        frm.updateActions();
        child<QAction>("actGenerate")->trigger();
        waitForRun();
    }
    void waitForRun() {
        if (!frm.running())
            return;
        QEventLoop loop;
        QObject::connect(&frm, &MainFrm::runEnded, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Runs code once, on the window's thread, when the scan puts its first row into
    // the view. The run goes on meanwhile.
    void duringRun(std::function<void()> code) {
        once(child<QTreeWidget>("tlStruct")->model(), &QAbstractItemModel::rowsInserted,
             std::move(code));
    }
    // Runs code once when the bar first moves during the scan: the scan waits for the
    // window to show its progress, so what code does is seen at the scan's next step.
    void duringScan(std::function<void()> code) {
        auto* bar = child<QProgressBar>("RunProgress");
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(bar, &QProgressBar::valueChanged, &frm,
                                       [connection, code = std::move(code)](int value) {
                                           if (value <= 0) // the bar set back at the start
                                               return;
                                           QObject::disconnect(*connection);
                                           code();
                                       });
    }
    // Lets the event loop run until it has to wait, as between two actions of the user.
    static void idle() {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // A click on the window's close button: it reaches the window when the window's
    // thread next handles events.
    void requestClose() { QMetaObject::invokeMethod(&frm, &QWidget::close, Qt::QueuedConnection); }
    bool progressRowShown() {
        return !child<QWidget>("Panel6")->isHidden() && child<QWidget>("Image1")->isHidden();
    }

private:
    template <class Sender, class Signal>
    void once(Sender* sender, Signal signal, std::function<void()> code) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(sender, signal, &frm, [connection, code = std::move(code)] {
            QObject::disconnect(*connection);
            code();
        });
    }
};

// A double click on a row as the window system delivers it: press and release, then
// the double-click event (views act only on a double click over the row just pressed).
inline void doubleClickRow(QTreeWidget* view, QTreeWidgetItem* item) {
    view->scrollToItem(item);
    const QPoint centre = view->visualItemRect(item).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace qm::test
