#include "ui/RemoteListView.h"

#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "store/Helpers.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>

namespace {

constexpr int kMinimumNameWidth = 70;
constexpr int kDefaultWidths[] = {200, 80, 130, 130, 90, 80, 80};

}  // namespace

TRemoteListView::TRemoteListView(std::shared_ptr<TIconCache> icons, QWidget* parent)
    : QTreeView(parent), model_(new TRemoteListModel(std::move(icons), this)), iconView_(new QListView(this))
{
    setModel(model_);
    // Shares the model and the selection: switching styles keeps both.
    iconView_->setObjectName(QStringLiteral("RemoteIconView"));
    iconView_->setModel(model_);
    iconView_->setSelectionModel(selectionModel());
    iconView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    iconView_->setEditTriggers(QAbstractItemView::SelectedClicked);
    iconView_->setContextMenuPolicy(Qt::CustomContextMenu);
    iconView_->installEventFilter(this);
    iconViewport_ = iconView_->viewport();
    iconView_->viewport()->installEventFilter(this);
    iconView_->hide();
    connect(iconView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit customContextMenuRequested(viewport()->mapFromGlobal(iconView_->viewport()->mapToGlobal(pos)));
    });
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    for (int column = 0; column < TRemoteListModel::rcColumnCount; ++column)
        setColumnWidth(column, kDefaultWidths[column]);
    QHeaderView* head = header();
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(true);
    head->setStretchLastSection(false);
    head->setSortIndicator(0, Qt::AscendingOrder);
    connect(head, &QHeaderView::sectionClicked, this, [this](int column) {
        model_->HeaderClicked(column);
        SetSort(model_->SortColumn(), model_->SortState());
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (summaryEnabled_)
            EmitSummary();
    });
}

void TRemoteListView::SetSort(int column, int state)
{
    model_->SetSort(column, state);
    header()->setSortIndicator(model_->SortColumn(),
                               model_->SortState() == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TRemoteListView::Fill(TRemoteListModel::TListing listing, const std::string& currentDirectory)
{
    setEnabled(true);
    currentDirectory_ = currentDirectory;
    const bool hadListing = listing != nullptr;
    setUpdatesEnabled(false);
    model_->Fill(std::move(listing));
    if (hadListing)
        setColumnWidth(0, std::max(kMinimumNameWidth, sizeHintForColumn(0)));
    setUpdatesEnabled(true);
    if (!nameToEdit_.isEmpty()) {
        setFocus();
        FocusRow(model_->RowOfCaption(nameToEdit_), true);
    } else if (!nameToReselect_.isEmpty()) {
        FocusRow(model_->RowOfCaption(nameToReselect_), false);
    } else {
        RestoreSelection();
    }
    nameToEdit_.clear();
    nameToReselect_.clear();
    const std::vector<int> selected = SelectedRows();
    if (!selected.empty())
        selectionModel()->setCurrentIndex(model_->index(selected.front(), 0), QItemSelectionModel::NoUpdate);
    if (summaryEnabled_)
        EmitSummary();
}

void TRemoteListView::ClearRows()
{
    currentDirectory_.clear();
    model_->Clear();
    if (summaryEnabled_)
        EmitSummary();
}

void TRemoteListView::FocusRow(int row, bool edit)
{
    if (row < 0)
        return;
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
    if (edit)
        QAbstractItemView::edit(index);
}

void TRemoteListView::RememberSelection()
{
    const std::string prefix = IncludeTrailingSlash(currentDirectory_);
    std::erase_if(memory_, [&](const std::string& path) { return RemoteParentPath(path) == prefix; });
    for (int row : SelectedRows())
        memory_.insert(prefix + model_->RawName(row));
}

void TRemoteListView::RestoreSelection()
{
    if (memory_.empty())
        return;
    const std::string prefix = IncludeTrailingSlash(currentDirectory_);
    QItemSelection selection;
    int first = -1;
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (!memory_.contains(prefix + model_->RawName(row)))
            continue;
        if (first < 0)
            first = row;
        selection.select(model_->index(row, 0), model_->index(row, TRemoteListModel::rcColumnCount - 1));
    }
    if (first < 0)
        return;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(model_->index(first, 0));
}

std::vector<int> TRemoteListView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TRemoteListView::SelectCaptions(const QStringList& captions)
{
    QItemSelection selection;
    int first = -1;
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (!captions.contains(model_->Caption(row)))
            continue;
        if (first < 0)
            first = row;
        selection.select(model_->index(row, 0), model_->index(row, TRemoteListModel::rcColumnCount - 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0)
        scrollTo(model_->index(first, 0));
}

QString TRemoteListView::SelectionSummary() const
{
    int files = 0;
    int directories = 0;
    // 64-bit: selections past 2 GiB add up correctly.
    std::int64_t total = 0;
    for (int row : SelectedRows()) {
        if (model_->IsDirectory(row)) {
            ++directories;
        } else {
            ++files;
            total += model_->Size(row);
        }
    }
    return QString::fromStdString(Format(LoadStr("MainForm_IDS_55"), files, directories, FormatSizeKB(total)));
}

void TRemoteListView::SetSummaryEnabled(bool enabled)
{
    summaryEnabled_ = enabled;
    if (enabled)
        EmitSummary();
}

void TRemoteListView::EmitSummary()
{
    emit SelectionSummaryChanged(SelectionSummary());
}

void TRemoteListView::ActivateRow(int row)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    if (!model_->IsDirectory(row)) {
        emit DownloadRequested();
        return;
    }
    RememberSelection();
    emit EnterDirectoryRequested(model_->RawName(row));
}

void TRemoteListView::keyPressEvent(QKeyEvent* event)
{
    if (state() == QAbstractItemView::EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const QModelIndex current = currentIndex();
        const int row = current.isValid() && selectionModel()->isRowSelected(current.row())
                            ? current.row()
                            : (SelectedRows().empty() ? -1 : SelectedRows().front());
        if (row >= 0 && model_->IsDirectory(row))
            ActivateRow(row);
        event->accept();
        return;
    }
    case Qt::Key_Backspace:
        RememberSelection();
        emit ParentDirectoryRequested();
        event->accept();
        return;
    case Qt::Key_Delete:
        emit DeleteRequested();
        event->accept();
        return;
    case Qt::Key_F2: {
        const QModelIndex current = currentIndex();
        if (current.isValid() && selectionModel()->isRowSelected(current.row()))
            QAbstractItemView::edit(model_->index(current.row(), 0));
        event->accept();
        return;
    }
    default:
        QTreeView::keyPressEvent(event);
    }
}

void TRemoteListView::SetViewStyle(int style)
{
    viewStyle_ = style < 0 || style > 3 ? 3 : style;
    if (viewStyle_ == 3)
        return;
    iconView_->setViewMode(viewStyle_ == 0 ? QListView::IconMode : QListView::ListMode);
    iconView_->setIconSize(viewStyle_ == 0 ? QSize(32, 32) : QSize(16, 16));
    // Small icons run in rows, the list in columns, both wrapping.
    iconView_->setFlow(viewStyle_ == 2 ? QListView::TopToBottom : QListView::LeftToRight);
    iconView_->setWrapping(true);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setGridSize(viewStyle_ == 0 ? QSize(96, 64) : QSize());
    iconView_->setMovement(QListView::Static);
    iconView_->setUniformItemSizes(true);
}

bool TRemoteListView::eventFilter(QObject* watched, QEvent* event)
{
    // While a name is edited the editor has the keys, not the view.
    if (watched == iconView_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            keyPressEvent(key);
            return true;
        case Qt::Key_F2: {
            const QModelIndex current = iconView_->currentIndex();
            if (current.isValid() && selectionModel()->isRowSelected(current.row()))
                iconView_->edit(model_->index(current.row(), 0));
            return true;
        }
        default:
            break;
        }
    }
    if (watched == iconViewport_.get() && event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!busy_ && mouse->button() == Qt::LeftButton) {
            const QModelIndex index = iconView_->indexAt(mouse->position().toPoint());
            if (index.isValid())
                ActivateRow(index.row());
        }
        return true;
    }
    return QTreeView::eventFilter(watched, event);
}

void TRemoteListView::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        iconView_->setEnabled(isEnabled());
}

void TRemoteListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (busy_ || event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        ActivateRow(index.row());
}
