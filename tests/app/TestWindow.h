#pragma once

#include "FakeDialogs.h"
#include "FakeShell.h"
#include "MainFrm.h"
#include "SampleDocument.h"
#include "support/TempDir.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

namespace qm::test {

// A window over fakes, in a folder of its own.
struct Window {
    // Without a converter a Word document fails as if Word could not save it.
    explicit Window(DocumentConverter* converter = nullptr)
        : frm(dialogs, shell, converter, nullptr, dir / "program") {}

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
    void generate() {
        frm.updateActions();
        child<QAction>("actGenerate")->trigger();
    }
    // Runs code once, from inside the run, when the scan puts its first row into the view.
    void duringRun(std::function<void()> code) {
        auto* model = child<QTreeWidget>("tlStruct")->model();
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(model, &QAbstractItemModel::rowsInserted, &frm,
                                       [connection, code = std::move(code)] {
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
    // A click on the window's close button: it reaches the window when the run next
    // lets pending events through.
    void requestClose() { QMetaObject::invokeMethod(&frm, &QWidget::close, Qt::QueuedConnection); }
    bool progressRowShown() {
        return !child<QWidget>("Panel6")->isHidden() && child<QWidget>("Image1")->isHidden();
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
