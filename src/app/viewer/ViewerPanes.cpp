// The panes beside the page: 目录, 索引 and 搜索, and the find bar under it.
#include "HelpBrowser.h"
#include "ViewerWindow.h"
#include "chm/TextCodec.h"
#include "viewer/HelpFile.h"
#include "viewer/HelpSearch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

namespace qm {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFragmentRole = Qt::UserRole + 1;

void setTarget(QTreeWidgetItem* item, const std::string& path, const std::string& fragment) {
    item->setData(0, kPathRole, QString::fromStdString(path));
    item->setData(0, kFragmentRole, QString::fromStdString(fragment));
}

} // namespace

QWidget* ViewerWindow::buildContentsPane() {
    contentsTree_ = new QTreeWidget(this);
    contentsTree_->setObjectName(QStringLiteral("contentsTree"));
    contentsTree_->setHeaderHidden(true);
    // The .hhc's nesting: each entry is a child of the last entry one level up.
    std::vector<QTreeWidgetItem*> parents;
    for (const viewer::TocEntry& e : help_->contents()) {
        const auto depth = static_cast<std::size_t>(std::max(0, e.depth));
        parents.resize(std::min(parents.size(), depth));
        auto* item = parents.empty() ? new QTreeWidgetItem(contentsTree_)
                                     : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(e.name));
        setTarget(item, e.path, e.fragment);
        if (!e.path.empty())
            contentsItems_.emplace(chm::asciiLower(e.path), item);
        parents.push_back(item);
    }
    auto open = [this](QTreeWidgetItem* item) {
        const QString path = item->data(0, kPathRole).toString();
        if (!path.isEmpty())
            showPage(path.toStdString(), item->data(0, kFragmentRole).toString().toStdString());
    };
    connect(contentsTree_, &QTreeWidget::itemClicked, this, open);
    connect(contentsTree_, &QTreeWidget::itemActivated, this, open);
    return contentsTree_;
}

// The page in view is selected in the tree, its branch opened.
void ViewerWindow::selectInContents() {
    auto it = contentsItems_.find(chm::asciiLower(browser_->currentPage()));
    if (it == contentsItems_.end())
        return;
    const QSignalBlocker block(contentsTree_);
    contentsTree_->setCurrentItem(it->second);
    contentsTree_->scrollToItem(it->second);
}

QWidget* ViewerWindow::buildIndexPane() {
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* label = new QLabel(QStringLiteral("键入要查找的关键字(&W)："), pane);
    indexFilter_ = new QLineEdit(pane);
    indexFilter_->setObjectName(QStringLiteral("indexFilter"));
    label->setBuddy(indexFilter_);
    indexList_ = new QListWidget(pane);
    indexList_->setObjectName(QStringLiteral("indexList"));
    for (const viewer::IndexEntry& e : help_->index())
        indexList_->addItem(QString(std::max(0, e.depth) * 4, QLatin1Char(' ')) +
                            QString::fromStdString(e.keyword));
    indexTopics_ = new QListWidget(pane);
    indexTopics_->setObjectName(QStringLiteral("indexTopics"));
    indexTopics_->setMaximumHeight(120);
    layout->addWidget(label);
    layout->addWidget(indexFilter_);
    layout->addWidget(indexList_, 1);
    layout->addWidget(new QLabel(QStringLiteral("主题："), pane));
    layout->addWidget(indexTopics_);

    connect(indexFilter_, &QLineEdit::textEdited, this, &ViewerWindow::findInIndex);
    connect(indexFilter_, &QLineEdit::returnPressed, this, [this] { openIndexTopic(0); });
    connect(indexList_, &QListWidget::currentRowChanged, this, &ViewerWindow::showIndexTopics);
    connect(indexList_, &QListWidget::itemActivated, this, [this] { openIndexTopic(0); });
    connect(indexTopics_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openIndexTopic(indexTopics_->row(item)); });
    return pane;
}

// As in Windows' viewer: the first keyword that starts with what was typed.
void ViewerWindow::findInIndex(const QString& typed) {
    const QString wanted = typed.trimmed();
    if (wanted.isEmpty())
        return;
    const std::vector<viewer::IndexEntry>& index = help_->index();
    for (std::size_t row = 0; row < index.size(); ++row)
        if (QString::fromStdString(index[row].keyword).startsWith(wanted, Qt::CaseInsensitive)) {
            indexList_->setCurrentRow(static_cast<int>(row));
            indexList_->scrollToItem(indexList_->currentItem(), QAbstractItemView::PositionAtTop);
            return;
        }
}

void ViewerWindow::showIndexTopics(int row) {
    indexTopics_->clear();
    if (row < 0 || static_cast<std::size_t>(row) >= help_->index().size())
        return;
    const viewer::IndexEntry& entry = help_->index()[static_cast<std::size_t>(row)];
    for (const viewer::IndexTarget& t : entry.targets)
        indexTopics_->addItem(QString::fromStdString(t.title));
    if (entry.targets.empty() && !entry.seeAlso.empty())
        indexTopics_->addItem(QStringLiteral("另请参阅：") + QString::fromStdString(entry.seeAlso));
    indexTopics_->setCurrentRow(0);
}

void ViewerWindow::openIndexTopic(int topic) {
    const int row = indexList_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= help_->index().size())
        return;
    const viewer::IndexEntry& entry = help_->index()[static_cast<std::size_t>(row)];
    if (topic >= 0 && static_cast<std::size_t>(topic) < entry.targets.size())
        showPage(entry.targets[static_cast<std::size_t>(topic)].path,
                 entry.targets[static_cast<std::size_t>(topic)].fragment);
    else if (!entry.seeAlso.empty())
        findInIndex(QString::fromStdString(entry.seeAlso));
}

QWidget* ViewerWindow::buildSearchPane() {
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* label = new QLabel(QStringLiteral("键入要查找的单词(&W)："), pane);
    searchText_ = new QLineEdit(pane);
    searchText_->setObjectName(QStringLiteral("searchText"));
    label->setBuddy(searchText_);
    auto* button = new QPushButton(QStringLiteral("列出主题(&L)"), pane);
    button->setObjectName(QStringLiteral("searchButton"));
    searchStatus_ = new QLabel(pane);
    searchStatus_->setObjectName(QStringLiteral("searchStatus"));
    searchResults_ = new QListWidget(pane);
    searchResults_->setObjectName(QStringLiteral("searchResults"));
    layout->addWidget(label);
    layout->addWidget(searchText_);
    layout->addWidget(button);
    layout->addWidget(searchStatus_);
    layout->addWidget(searchResults_, 1);

    auto run = [this] { search(searchText_->text()); };
    connect(searchText_, &QLineEdit::returnPressed, this, run);
    connect(button, &QPushButton::clicked, this, run);
    connect(searchResults_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (showPage(item->data(kPathRole).toString().toStdString()))
            findInPage(
                searchText_->text().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty));
    });
    return pane;
}

void ViewerWindow::search(const QString& query) {
    searchResults_->clear();
    const std::vector<viewer::SearchHit> hits = search_->find(query.toStdString());
    for (const viewer::SearchHit& hit : hits) {
        auto* item = new QListWidgetItem(QString::fromStdString(hit.title), searchResults_);
        item->setData(kPathRole, QString::fromStdString(hit.path));
        item->setToolTip(QString::fromStdString(hit.path));
    }
    searchStatus_->setText(hits.empty() ? QStringLiteral("没有找到主题。")
                                        : QStringLiteral("找到 %1 个主题。").arg(hits.size()));
}

QWidget* ViewerWindow::buildFindBar() {
    findBar_ = new QWidget(this);
    findBar_->setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(findBar_);
    layout->setContentsMargins(4, 2, 4, 2);
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName(QStringLiteral("findText"));
    auto* next = new QPushButton(QStringLiteral("下一个"), findBar_);
    auto* previous = new QPushButton(QStringLiteral("上一个"), findBar_);
    auto* close = new QPushButton(QStringLiteral("关闭"), findBar_);
    findStatus_ = new QLabel(findBar_);
    findStatus_->setObjectName(QStringLiteral("findStatus"));
    layout->addWidget(new QLabel(QStringLiteral("在页面中查找："), findBar_));
    layout->addWidget(findText_, 1);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(findStatus_);
    layout->addWidget(close);
    connect(findText_, &QLineEdit::returnPressed, this, [this] { findInPage(findText_->text()); });
    connect(next, &QPushButton::clicked, this, [this] { findInPage(findText_->text()); });
    connect(previous, &QPushButton::clicked, this, [this] { findInPage(findText_->text(), true); });
    connect(close, &QPushButton::clicked, findBar_, &QWidget::hide);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), findBar_);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, findBar_, &QWidget::hide);
    findBar_->hide();
    return findBar_;
}

} // namespace qm
