#include "ui/LocalPane.h"

#include "hosts/Filters.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/Helpers.h"
#include "ui/IconCache.h"

#include <QApplication>
#include <QAbstractFileIconProvider>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <mutex>

namespace {

const QString kParent = QStringLiteral("..");

bool IsParentName(const QModelIndex& index)
{
    return index.sibling(index.row(), 0).data(Qt::DisplayRole).toString() == kParent;
}

// Enter on a row acts like a double click; Backspace goes up.
class TKeyFilter : public QObject {
public:
    TKeyFilter(QObject* parent, std::function<void(QAbstractItemView*)> enter, std::function<void()> back)
        : QObject(parent), enter_(std::move(enter)), back_(std::move(back)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* view = qobject_cast<QAbstractItemView*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        // A key the name editor did not take (Return ends the edit) comes
        // on to the view; only keys typed on the list itself count.
        if (!view || QApplication::focusWidget() != view)
            return false;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enter_(view);
            return true;
        }
        if (key == Qt::Key_Backspace) {
            back_();
            return true;
        }
        return false;
    }

private:
    std::function<void(QAbstractItemView*)> enter_;
    std::function<void()> back_;
};

// Icons by extension from the desktop's theme, as the remote list shows
// them, so that both panes look alike and no file is opened for an icon.
// The model's file-information thread asks too, hence the lock; one
// provider serves every pane for the life of the program, since the model's
// thread may still ask while a pane goes away.
class TLocalIconProvider : public QAbstractFileIconProvider {
public:
    static TLocalIconProvider* Instance()
    {
        static auto* provider = new TLocalIconProvider;
        return provider;
    }
    QIcon icon(IconType type) const override
    {
        if (type != Folder)
            return QAbstractFileIconProvider::icon(type);
        std::lock_guard lock(mutex_);
        return icons_.Icon(QString::fromLatin1(TIconCache::DirectoryKey));
    }
    QIcon icon(const QFileInfo& info) const override
    {
        std::lock_guard lock(mutex_);
        return icons_.Icon(KeyOf(info));
    }
    QString type(const QFileInfo& info) const override
    {
        std::lock_guard lock(mutex_);
        return icons_.TypeName(KeyOf(info));
    }

private:
    static QString KeyOf(const QFileInfo& info)
    {
        return info.isDir() ? QString::fromLatin1(TIconCache::DirectoryKey)
                            : TIconCache::KeyOfName(info.fileName().toStdString());
    }
    mutable std::mutex mutex_;
    mutable TIconCache icons_;
};

} // namespace

bool TLocalSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // ".." stays on top whichever way the list is sorted.
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    if (IsParentName(left))
        return ascending;
    if (IsParentName(right))
        return !ascending;
    auto* fs = static_cast<QFileSystemModel*>(sourceModel());
    const bool leftDir = fs->isDir(left);
    const bool rightDir = fs->isDir(right);
    if (leftDir != rightDir)
        return leftDir;
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(true);
        return c;
    }();
    switch (left.column()) {
    case 1:
        if (fs->size(left) != fs->size(right))
            return fs->size(left) < fs->size(right);
        break;
    case 3:
        if (fs->lastModified(left) != fs->lastModified(right))
            return fs->lastModified(left) < fs->lastModified(right);
        break;
    default: {
        const int order = collator.compare(left.data().toString(), right.data().toString());
        if (order != 0)
            return order < 0;
    }
    }
    return collator.compare(fs->fileName(left), fs->fileName(right)) < 0;
}

TLocalPane::TLocalPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LocalPane"));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDot | QDir::System);
    model_->setReadOnly(false);
    model_->setIconProvider(TLocalIconProvider::Instance());
    proxy_ = new TLocalSortProxy(this);
    proxy_->setSourceModel(model_);
    proxy_->setDynamicSortFilter(true);

    toolBar_ = new QToolBar(QStringLiteral("Local Files Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("LocalToolbar"));
    toolBar_->setIconSize(QSize(16, 16));
    pathBox_ = new QComboBox(this);
    pathBox_->setObjectName(QStringLiteral("LocalPathBox"));
    pathBox_->setEditable(true);
    pathBox_->setInsertPolicy(QComboBox::NoInsert);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("LocalSelectionSummary"));
    summary_->setContentsMargins(4, 2, 4, 2);
    BuildViews();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(toolBar_);
    layout->addWidget(pathBox_);
    layout->addWidget(stack_, 1);
    layout->addWidget(summary_);

    connect(model_, &QFileSystemModel::directoryLoaded, this, &TLocalPane::OnDirectoryLoaded);
    connect(pathBox_->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { SetDirectory(pathBox_->currentText()); });
    connect(pathBox_, &QComboBox::activated, this,
            [this](int index) { SetDirectory(pathBox_->itemText(index)); });
    SetDirectory(QDir::homePath());
}

void TLocalPane::BuildViews()
{
    details_ = new QTreeView(this);
    details_->setObjectName(QStringLiteral("LocalList"));
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setSortingEnabled(true);
    details_->header()->setSortIndicator(0, Qt::AscendingOrder);
    details_->header()->setStretchLastSection(false);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("LocalIconList"));
    list_->setUniformItemSizes(true);
    list_->setWordWrap(true);

    auto* selection = new QItemSelectionModel(proxy_, this);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(list_)}) {
        view->setModel(proxy_);
        view->setSelectionModel(selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        view->setDragEnabled(true);
        view->installEventFilter(new TKeyFilter(
            view, [this](QAbstractItemView* v) { Activate(v->currentIndex()); }, [this] { Up(); }));
        connect(view, &QAbstractItemView::doubleClicked, this, &TLocalPane::Activate);
    }
    for (const auto& [column, width] : {std::pair{0, 170}, std::pair{1, 80}, std::pair{2, 110}})
        details_->header()->resizeSection(column, width);
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TLocalPane::UpdateSummary);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(details_);
    stack_->addWidget(list_);
    proxy_->sort(0, Qt::AscendingOrder);
}

QAbstractItemView* TLocalPane::CurrentView() const
{
    return viewStyle_ == 3 ? static_cast<QAbstractItemView*>(details_) : list_;
}

bool TLocalPane::ListHasFocus() const
{
    return details_->hasFocus() || list_->hasFocus();
}

bool TLocalPane::SetDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    directory_ = QDir::cleanPath(info.absoluteFilePath());
    const QModelIndex source = model_->setRootPath(directory_);
    const QModelIndex root = proxy_->mapFromSource(source);
    details_->setRootIndex(root);
    list_->setRootIndex(root);
    details_->selectionModel()->clearSelection();
    if (pathBox_->findText(directory_) < 0)
        pathBox_->insertItem(0, directory_);
    pathBox_->setCurrentIndex(pathBox_->findText(directory_));
    UpdateSummary();
    emit DirectoryChanged(directory_);
    return true;
}

bool TLocalPane::DirectoryIsReal() const
{
    return QFileInfo(directory_).isDir();
}

void TLocalPane::Up()
{
    QDir dir(directory_);
    if (dir.cdUp())
        SetDirectory(dir.absolutePath());
}

void TLocalPane::Refresh()
{
    // QFileSystemModel watches the folder; a refresh re-reads it anyway, for
    // file systems that send no change notices.
    const QString dir = directory_;
    model_->setRootPath(QString());
    SetDirectory(dir);
}

void TLocalPane::Activate(const QModelIndex& proxyIndex)
{
    if (!proxyIndex.isValid())
        return;
    if (IsParentRow(proxyIndex)) {
        Up();
        return;
    }
    const QString path = model_->filePath(proxy_->mapToSource(proxyIndex));
    if (QFileInfo(path).isDir())
        SetDirectory(path);
    else if (OnFileActivated)
        OnFileActivated(path);
}

void TLocalPane::OnDirectoryLoaded(const QString& path)
{
    if (QDir::cleanPath(path) != directory_)
        return;
    proxy_->sort(SortColumn(), proxy_->sortOrder());
    if (pendingEdit_.isEmpty())
        return;
    const QModelIndex index = ProxyIndexOfName(pendingEdit_);
    if (!index.isValid())
        return;
    pendingEdit_.clear();
    SelectRow(index, true);
    CurrentView()->setFocus();
    CurrentView()->edit(index);
}

QString TLocalPane::MakeNewDirectory()
{
    QDir dir(directory_);
    QString name = QStringLiteral("New Folder");
    for (int n = 2; dir.exists(name); ++n)
        name = QStringLiteral("New Folder (%1)").arg(n);
    if (!dir.mkdir(name))
        return {};
    pendingEdit_ = name;
    // The model may know the new folder already (its watcher is quick).
    OnDirectoryLoaded(directory_);
    return dir.filePath(name);
}

void TLocalPane::SetViewStyle(int style)
{
    if (style < 0 || style > 3)
        style = 3;
    viewStyle_ = style;
    if (style == 3) {
        stack_->setCurrentWidget(details_);
        return;
    }
    list_->setViewMode(style == 0 ? QListView::IconMode : QListView::ListMode);
    list_->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
    list_->setFlow(style == 1 ? QListView::LeftToRight : (style == 2 ? QListView::TopToBottom : QListView::LeftToRight));
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setGridSize(style == 0 ? QSize(96, 64) : QSize());
    stack_->setCurrentWidget(list_);
}

int TLocalPane::SortColumn() const
{
    return details_->header()->sortIndicatorSection();
}

void TLocalPane::SetSortColumn(int column)
{
    if (column < 0 || column >= model_->columnCount())
        column = 0;
    details_->sortByColumn(column, Qt::AscendingOrder);
}

QModelIndex TLocalPane::RootProxyIndex() const
{
    return details_->rootIndex();
}

bool TLocalPane::IsParentRow(const QModelIndex& proxyIndex) const
{
    return IsParentName(proxyIndex);
}

QModelIndex TLocalPane::ProxyIndexOfName(const QString& name) const
{
    const QModelIndex root = RootProxyIndex();
    for (int row = 0; row < proxy_->rowCount(root); ++row) {
        const QModelIndex index = proxy_->index(row, 0, root);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

void TLocalPane::SelectRow(const QModelIndex& proxyIndex, bool clearFirst)
{
    auto* selection = details_->selectionModel();
    auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (clearFirst)
        flags |= QItemSelectionModel::Clear;
    selection->select(proxyIndex, flags);
    selection->setCurrentIndex(proxyIndex, QItemSelectionModel::NoUpdate);
}

QStringList TLocalPane::RowNames() const
{
    QStringList names;
    const QModelIndex root = RootProxyIndex();
    for (int row = 0; row < proxy_->rowCount(root); ++row)
        names << proxy_->index(row, 0, root).data().toString();
    return names;
}

void TLocalPane::SelectAll()
{
    const QModelIndex root = RootProxyIndex();
    QItemSelection all;
    for (int row = 0; row < proxy_->rowCount(root); ++row) {
        const QModelIndex index = proxy_->index(row, 0, root);
        if (!IsParentRow(index))
            all.select(index, index.sibling(row, proxy_->columnCount(root) - 1));
    }
    details_->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void TLocalPane::SelectMatching(const TFilter& filter)
{
    const QModelIndex root = RootProxyIndex();
    QModelIndex first;
    for (int row = 0; row < proxy_->rowCount(root); ++row) {
        const QModelIndex index = proxy_->index(row, 0, root);
        if (IsParentRow(index))
            continue;
        bool matches = false;
        try {
            matches = filter.Matches(index.data().toString().toStdString());
        } catch (const std::exception&) {
            return; // a broken mask selects nothing more
        }
        if (!matches)
            continue;
        SelectRow(index, false);
        if (!first.isValid())
            first = index;
    }
    if (first.isValid())
        CurrentView()->scrollTo(first);
}

bool TLocalPane::FindNext(const QString& text)
{
    const QModelIndex root = RootProxyIndex();
    const int rows = proxy_->rowCount(root);
    if (rows == 0 || text.isEmpty())
        return false;
    const QModelIndexList selected = details_->selectionModel()->selectedRows();
    const int start = selected.isEmpty() ? 0 : selected.first().row();
    details_->selectionModel()->clearSelection();
    // From the row after the start to the end, then from the top up to and
    // including the start row.
    for (int step = 1; step <= rows; ++step) {
        const int row = (start + step) % rows;
        const QModelIndex index = proxy_->index(row, 0, root);
        if (index.data().toString().toUpper().contains(text.toUpper())) {
            SelectRow(index, true);
            CurrentView()->scrollTo(index);
            return true;
        }
    }
    return false;
}

std::vector<std::string> TLocalPane::SelectedPaths() const
{
    std::vector<std::string> paths;
    for (const QModelIndex& index : details_->selectionModel()->selectedRows())
        if (!IsParentRow(index))
            paths.push_back(model_->filePath(proxy_->mapToSource(index)).toStdString());
    return paths;
}

void TLocalPane::SetSummaryVisible(bool visible)
{
    summaryVisible_ = visible;
    summary_->setVisible(visible);
    UpdateSummary();
}

QString TLocalPane::SummaryText() const
{
    return summary_->text();
}

void TLocalPane::UpdateSummary()
{
    if (!summaryVisible_)
        return;
    int files = 0;
    int folders = 0;
    // 64-bit total: a selection of several large files must not wrap.
    std::int64_t total = 0;
    for (const QModelIndex& index : details_->selectionModel()->selectedRows()) {
        if (IsParentRow(index))
            continue;
        const QModelIndex source = proxy_->mapToSource(index);
        if (model_->isDir(source)) {
            ++folders;
        } else {
            ++files;
            total += model_->size(source);
        }
    }
    summary_->setText(QString::fromStdString(
        Format(LoadStr("MainForm_IDS_55"), files, folders, FormatSizeKB(total))));
}
