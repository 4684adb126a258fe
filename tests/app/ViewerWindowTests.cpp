// The viewer window on real CHMs (ours of the sample projects, Microsoft's Othello.chm),
// offscreen: the panes, the pages with their pictures and links, the searches, --mapid,
// and what leaves the help. The main window hands CHMs to it.
#include "FakeDialogs.h"
#include "FakeShell.h"
#include "HelpBrowser.h"
#include "HelpViewer.h"
#include "SampleChms.h"
#include "TestWindow.h"
#include "ViewerWindow.h"
#include "support/Samples.h"
#include "viewer/HelpFile.h"
#include "viewer/HelpSearch.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <iostream>

using qm::ViewerWindow;

namespace {

struct Viewer {
    explicit Viewer(const std::filesystem::path& chm)
        : window(qm::viewer::HelpFile::open(chm), chm, shell, dialogs) {}
    qm::test::FakeShell shell;
    qm::test::FakeDialogs dialogs;
    ViewerWindow window;

    template <class T> T* child(const char* name) {
        T* found = window.findChild<T*>(QString::fromUtf8(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    std::string page() const { return window.browser()->currentPage(); }
    QString text() const { return window.browser()->document()->toPlainText(); }
};

int countItems(QTreeWidgetItem* item) {
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countItems(item->child(i));
    return n;
}

// True when the project's folder holds the file a CHM path names (ignoring case).
bool inProject(const qm::test::SampleChm& sample, const std::string& path) {
    const std::filesystem::path root = sample.project.parent_path();
    const QString wanted = QString::fromStdString(path.substr(1));
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (QString::fromStdString(e.path().lexically_relative(root).generic_string())
                .compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The pictures of the page in view that load; one that does not fails the test unless
// the project lacks it too.
void countPictures(const qm::test::SampleChm& sample, qm::HelpBrowser& browser,
                   const qm::viewer::HelpFile& help, int& loaded) {
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            const QVariant data = browser.loadResource(QTextDocument::ImageResource, QUrl(name));
            if (!QImage::fromData(data.toByteArray()).isNull())
                ++loaded;
            else
                QVERIFY2(!inProject(sample,
                                    help.resolve(browser.currentPage(), name.toStdString()).path),
                         qPrintable(QString::fromStdString(browser.currentPage()) + " → " + name));
        }
}

} // namespace

class ViewerWindowTests : public QObject {
    Q_OBJECT
private slots:
    void init() { qm::test::freshSettings(); }
    void contentsOpenEveryPageWithItsPictures();
    void linksLandInTheHelpAndOnlyWebLinksLeaveIt();
    void indexSearchAndFindInPage();
    void contextIdsOpenTheirTopics();
    void openInBrowserUsesAPrivateFolderRemovedOnClose();
    void mainWindowShowsDroppedAndRecentHelpInTheViewer();
};

void ViewerWindowTests::contentsOpenEveryPageWithItsPictures() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    for (const char* name : {"cnwizards-chs", "sakura-ja", "Othello.chm (Microsoft)"}) {
        const qm::test::SampleChm* sample = qm::test::sampleChm(name);
        QVERIFY(sample);
        Viewer v(sample->chm);
        QCOMPARE(v.window.windowTitle(), QString::fromStdString(v.window.help().title()));
        auto* tree = v.child<QTreeWidget>("contentsTree");
        int items = 0;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            items += countItems(tree->topLevelItem(i));
        QCOMPARE(static_cast<std::size_t>(items), v.window.help().contents().size());
        int pages = 0, loaded = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const std::string path = (*it)->data(0, Qt::UserRole).toString().toStdString();
            if (path.empty() || !v.window.help().findFile(path))
                continue;
            tree->setCurrentItem(nullptr);
            emit tree->itemClicked(*it, 0);
            QVERIFY2(v.page() == *v.window.help().findFile(path), path.c_str());
            // The page in view is the one selected, or one of its twins in the tree.
            QCOMPARE(tree->currentItem()->data(0, Qt::UserRole).toString().toLower(),
                     QString::fromStdString(path).toLower());
            QVERIFY2(!v.text().trimmed().isEmpty() || v.window.help().readFile(path)->size() < 200,
                     path.c_str());
            countPictures(*sample, *v.window.browser(), v.window.help(), loaded);
            if (QTest::currentTestFailed())
                return;
            ++pages;
        }
        std::cout << "[ figures ] " << name << ": " << items << " contents entries, " << pages
                  << " pages shown, " << loaded << " pictures loaded\n";
        QVERIFY(pages > 10);
        QVERIFY(loaded > 0);
    }
}

void ViewerWindowTests::linksLandInTheHelpAndOnlyWebLinksLeaveIt() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    Viewer v(qm::test::sampleChm("Othello.chm (Microsoft)")->chm);
    QCOMPARE(v.page(), std::string("/index.htm"));
    QVERIFY(!v.child<QAction>("actBack")->isEnabled());

    // Each link of the glossary's anchors, and between pages, lands where it points.
    v.window.showPage("/Rule_GamePlay1.htm");
    v.window.followLink(QStringLiteral("Rule_Pieces.htm"));
    QCOMPARE(v.page(), std::string("/Rule_Pieces.htm"));
    QVERIFY(v.child<QAction>("actBack")->isEnabled());
    v.child<QAction>("actBack")->trigger();
    QCOMPARE(v.page(), std::string("/Rule_GamePlay1.htm"));
    v.child<QAction>("actForward")->trigger();
    QCOMPARE(v.page(), std::string("/Rule_Pieces.htm"));
    v.window.followLink(QStringLiteral("ms-its:Othello.chm::/glossary.htm"));
    QCOMPARE(v.page(), std::string("/glossary.htm"));
    v.window.followLink(QStringLiteral("mk:@MSITStore:C:\\Help\\OTHELLO.CHM::/history.htm"));
    QCOMPARE(v.page(), std::string("/history.htm"));

    // Web and mail addresses go to the user's programs; nothing else leaves the help.
    v.window.followLink(QStringLiteral("https://example.com/othello"));
    v.window.followLink(QStringLiteral("mailto:someone@example.com"));
    QCOMPARE(v.shell.urls, (QStringList{QStringLiteral("https://example.com/othello"),
                                        QStringLiteral("mailto:someone@example.com")}));
    for (const char* href :
         {"file:///etc/passwd", "C:\\Windows\\System32\\calc.exe", "/usr/bin/xterm",
          "javascript:alert(1)", "ms-its:other.chm::/a.htm", "\\\\server\\share\\setup.exe"})
        v.window.followLink(QString::fromUtf8(href));
    QCOMPARE(v.shell.urls.size(), 2);
    QVERIFY(v.shell.paths.empty());
    QVERIFY(v.shell.openedWith.empty());
    QCOMPARE(v.page(), std::string("/history.htm"));

    // A page's picture that names a file outside the help loads as nothing.
    const QVariant outside = v.window.browser()->loadResource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/passwd")));
    QVERIFY(outside.isValid() && outside.toByteArray().isEmpty());
}

void ViewerWindowTests::indexSearchAndFindInPage() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    Viewer v(qm::test::sampleChm("7zip-zhcn")->chm);
    const qm::viewer::HelpFile& help = v.window.help();
    QVERIFY(help.index().size() > 10);

    // Typing a keyword's beginning selects it; Enter opens its page.
    const qm::viewer::IndexEntry& entry = help.index()[help.index().size() / 2];
    const QString keyword = QString::fromStdString(entry.keyword);
    auto* filter = v.child<QLineEdit>("indexFilter");
    const QString typed = keyword.left(std::max<qsizetype>(2, keyword.size() - 1));
    filter->setText(typed);
    emit filter->textEdited(typed); // as typing does (keyClicks sends Latin-1 only)
    QVERIFY(v.child<QListWidget>("indexList")
                ->currentItem()
                ->text()
                .trimmed()
                .startsWith(keyword.left(2), Qt::CaseInsensitive));
    const int row = v.child<QListWidget>("indexList")->currentRow();
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(v.page(), *help.findFile(help.index()[static_cast<std::size_t>(row)].targets[0].path));

    // The search pane lists the pages the full-text index holds, by title.
    auto* query = v.child<QLineEdit>("searchText");
    query->setText(QStringLiteral("压缩"));
    QTest::keyClick(query, Qt::Key_Return);
    auto* results = v.child<QListWidget>("searchResults");
    const auto hits = qm::viewer::HelpSearch(help).find("压缩");
    QVERIFY(hits.size() > 3);
    QCOMPARE(static_cast<std::size_t>(results->count()), hits.size());
    QCOMPARE(results->item(0)->text(), QString::fromStdString(hits[0].title));
    emit results->itemActivated(results->item(1));
    QCOMPARE(v.page(), hits[1].path);
    // ... with the word found in the page.
    QVERIFY(v.window.browser()->textCursor().selectedText().contains(QStringLiteral("压")));
    query->setText(QStringLiteral("zzzqqq"));
    QTest::keyClick(query, Qt::Key_Return);
    QCOMPARE(results->count(), 0);

    v.child<QAction>("actFind")->trigger();
    const QString words = v.text().simplified().mid(v.text().simplified().size() / 2, 4);
    QVERIFY(v.window.findInPage(words));
    QCOMPARE(v.window.browser()->textCursor().selectedText(), words);
    QVERIFY(!v.window.findInPage(QStringLiteral("没有这个词的页面")));
}

void ViewerWindowTests::contextIdsOpenTheirTopics() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    Viewer v(qm::test::sampleChm("sakura-ja")->chm);
    const auto& ids = v.window.help().contextIds();
    QVERIFY(ids.size() > 300);
    for (const auto& [number, target] : ids) {
        QVERIFY(v.window.showContextId(number));
        QCOMPARE(v.page(), *v.window.help().findFile(target.path));
    }
    QVERIFY(!v.window.showContextId(987654321));
    QCOMPARE(v.dialogs.informations.size(), 1);
    QVERIFY(v.dialogs.informations[0].contains(QStringLiteral("987654321")));
}

void ViewerWindowTests::openInBrowserUsesAPrivateFolderRemovedOnClose() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    std::filesystem::path folder;
    {
        Viewer v(qm::test::sampleChm("cnwizards-chs")->chm);
        v.window.showPage(v.window.help().contents().back().path);
        v.child<QAction>("actOpenInBrowser")->trigger();
        QCOMPARE(v.shell.paths.size(), std::size_t{1});
        const std::filesystem::path page = v.shell.paths[0];
        QVERIFY(std::filesystem::is_regular_file(page));
        QCOMPARE(qm::test::readFile(page), *v.window.help().readFile(v.page()));
        folder = v.window.extractedFolder();
        QVERIFY(page.string().starts_with(folder.string()));
        QVERIFY((std::filesystem::status(folder).permissions() &
                 std::filesystem::perms::others_all) == std::filesystem::perms::none);

        v.child<QAction>("actOpenWith")->trigger(); // no other viewer installed
        QCOMPARE(v.dialogs.informations.size(), 1);
        v.shell.viewers = {QStringLiteral("xchm")};
        v.child<QAction>("actOpenWith")->trigger();
        QCOMPARE(v.shell.openedWith.size(), std::size_t{1});
        QCOMPARE(v.shell.openedWith[0].second, v.window.chmPath());
    }
    QVERIFY(!std::filesystem::exists(folder));
}

void ViewerWindowTests::mainWindowShowsDroppedAndRecentHelpInTheViewer() {
    if (qm::test::samplesDir().empty())
        QSKIP(qm::test::kNoSamples);
    qm::test::Window w;
    const QString chm =
        QString::fromStdString(qm::test::sampleChm("Othello.chm (Microsoft)")->chm.string());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(chm)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.frm, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.frm, &drop);

    auto viewers = [] {
        QList<ViewerWindow*> found;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* viewer = qobject_cast<ViewerWindow*>(top); viewer && viewer->isVisible())
                found.append(viewer);
        return found;
    };
    QCOMPARE(viewers().size(), 1);
    QCOMPARE(viewers()[0]->windowTitle(), QStringLiteral("黑白棋.Net 帮助系统"));
    QVERIFY(w.frm.generator().openedFiles().empty()); // not opened as a document

    // The CHM is among the recent files, and opens in the viewer from there.
    auto* recent = w.child<QMenu>("RecentMenu");
    QCOMPARE(recent->actions().constFirst()->text(), chm);
    viewers()[0]->close();
    QTRY_COMPARE(viewers().size(), 0);
    recent->actions().constFirst()->trigger();
    QCOMPARE(viewers().size(), 1);
    viewers()[0]->close();

    // A file that is no CHM says so and opens nothing.
    qm::test::writeFile(w.dir / "broken.chm", "not a help file");
    w.frm.showHelp(w.dir / "broken.chm");
    QCOMPARE(w.dialogs.errors.size(), 1);
    QTRY_COMPARE(viewers().size(), 0);
}

QTEST_MAIN(ViewerWindowTests)
#include "ViewerWindowTests.moc"
