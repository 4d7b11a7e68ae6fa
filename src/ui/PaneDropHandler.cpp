#include "ui/PaneDropHandler.h"

#include "platform/DropTargetBlock.h"
#include "queue/QueueManager.h"
#include "session/FTPWorker.h"
#include "store/Helpers.h"
#include "ui/DragDrop.h"
#include "ui/ListDropTarget.h"
#include "ui/LocalPane.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListModel.h"
#include "ui/RemoteListView.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QSet>
#include <QTimer>

namespace {

const QString kParentName = QStringLiteral("..");

/// The folder of a local path, with its final separator.
QString FolderOf(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

bool IsLocalParentRow(const QModelIndex& row)
{
    return row.isValid() && row.sibling(row.row(), 0).data().toString() == kParentName;
}

QString LocalPathOf(const QModelIndex& row)
{
    return QDir::cleanPath(row.sibling(row.row(), 0).data(QFileSystemModel::FilePathRole).toString());
}

bool IsLocalFolderRow(const QModelIndex& row)
{
    return row.isValid() && QFileInfo(LocalPathOf(row)).isDir();
}

Qt::DropAction Granted(Qt::DropAction proposed, Qt::DropAction effect)
{
    return proposed == Qt::IgnoreAction ? Qt::IgnoreAction : effect;
}

} // namespace

TPaneDropHandler::TPaneDropHandler(TPaneDropContext context, QObject* parent)
    : QObject(parent), context_(std::move(context))
{
    RunDrag = [](QDrag& drag) { return drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction); };
    const QString names[] = {QStringLiteral("LocalList"), QStringLiteral("LocalIconList")};
    for (const QString& name : names) {
        auto* view = context_.LocalPane->findChild<QAbstractItemView*>(name);
        if (!view)
            continue;
        view->setDragEnabled(false);  // the drags start here, with the program's data
        localTargets_.push_back(new TListDropTarget(
            view, [this](const QMimeData& data, const QModelIndex& row, Qt::DropAction proposed) {
                return GrantLocal(data, row, proposed);
            },
            IsLocalFolderRow,
            [this](const QMimeData& data, const QModelIndex& row, Qt::DropAction) { DropOnLocal(data, row); }));
        WatchForDrags(view);
    }
    // The remote rows may be shown by more than one view (the view styles).
    TRemoteListView* remote = context_.RemoteList;
    std::vector<QAbstractItemView*> remoteViews{remote};
    for (QAbstractItemView* view : remote->window()->findChildren<QAbstractItemView*>())
        if (view != remote && IsRemoteView(view))
            remoteViews.push_back(view);
    for (QAbstractItemView* view : remoteViews) {
        view->setDragEnabled(false);
        remoteTargets_.push_back(new TListDropTarget(
            view,
            [this](const QMimeData& data, const QModelIndex& row, Qt::DropAction proposed) {
                return std::optional(GrantRemote(data, row, proposed));
            },
            [remote](const QModelIndex& row) { return row.isValid() && remote->Model().IsDirectory(row.row()); },
            [this](const QMimeData& data, const QModelIndex& row, Qt::DropAction) { DropOnRemote(data, row); }));
        WatchForDrags(view);
    }
    // The remembered row belongs to the folder shown.
    connect(context_.LocalPane, &TLocalPane::DirectoryChanged, this, [this] {
        for (TListDropTarget* target : localTargets_)
            target->ClearHighlight();
    });
}

TPaneDropHandler::~TPaneDropHandler() = default;

bool TPaneDropHandler::IsRemoteView(const QAbstractItemView* view) const
{
    return view->model() == &context_.RemoteList->Model();
}

TListDropTarget* TPaneDropHandler::LocalTarget(const QAbstractItemView* view) const
{
    for (TListDropTarget* target : localTargets_)
        if (target->View() == view)
            return target;
    return nullptr;
}

// --- granting -----------------------------------------------------------------

std::optional<Qt::DropAction> TPaneDropHandler::GrantLocal(const QMimeData& data, const QModelIndex& row,
                                                           Qt::DropAction proposed) const
{
    if (IsLocalParentRow(row))
        return std::nullopt;  // as at the previous position
    if (!context_.SessionOpen() || !TDragDrop::HasRemoteNames(data) || !NamesAreSelection(data))
        return Qt::IgnoreAction;
    return Granted(proposed, Qt::CopyAction);
}

Qt::DropAction TPaneDropHandler::GrantRemote(const QMimeData& data, const QModelIndex& row,
                                             Qt::DropAction proposed) const
{
    if (!context_.SessionOpen())
        return Qt::IgnoreAction;
    if (TDragDrop::HasFileList(data))
        return Granted(proposed, Qt::CopyAction);
    if (!TDragDrop::HasRemoteNames(data) || !NamesAreSelection(data) || context_.Busy())
        return Qt::IgnoreAction;
    const TRemoteListModel& model = context_.RemoteList->Model();
    if (!row.isValid() || !model.IsDirectory(row.row()))
        return Qt::IgnoreAction;
    if (TDragDrop::RemoteNames(data).contains(model.Caption(row.row())) || RemoteDestination(row).empty())
        return Qt::IgnoreAction;
    return Granted(proposed, Qt::MoveAction);
}

bool TPaneDropHandler::NamesAreSelection(const QMimeData& data) const
{
    QStringList dragged = TDragDrop::RemoteNames(data);
    QStringList selected = SelectedRemoteCaptions();
    if (selected.isEmpty())
        return false;
    dragged.sort();
    selected.sort();
    return dragged == selected;
}

// --- drops ----------------------------------------------------------------------

void TPaneDropHandler::DropOnLocal(const QMimeData& data, const QModelIndex& row)
{
    lastTarget_ = dtLocal;
    if (!TDragDrop::HasRemoteNames(data))
        return;
    const QString folder = IsLocalFolderRow(row) ? LocalPathOf(row) : context_.LocalPane->Directory();
    context_.Guarded([&] {
        context_.QueueRemoteRows(SelectedRemoteRows(), folder.toStdString(), true);
        context_.Queue->StartTransfers();
    });
}

void TPaneDropHandler::DropOnRemote(const QMimeData& data, const QModelIndex& row)
{
    lastTarget_ = dtRemote;
    const std::string destination = RemoteDestination(row);
    if (TDragDrop::HasFileList(data)) {
        context_.Guarded([&] {
            QueueUploads(TDragDrop::LocalPaths(data), destination, true);
            context_.Queue->StartTransfers();
        });
        return;
    }
    if (!TDragDrop::HasRemoteNames(data) || !row.isValid() || !context_.RemoteList->Model().IsDirectory(row.row()))
        return;
    std::vector<std::string> names;
    const TRemoteListModel& model = context_.RemoteList->Model();
    for (int selected : SelectedRemoteRows())
        names.push_back(model.RawName(selected));
    // After the drag loop: a failed rename opens a dialog.
    QTimer::singleShot(0, this, [this, names, destination] {
        context_.Guarded([&] { MoveRemoteEntries(names, destination); });
    });
}

std::string TPaneDropHandler::RemoteDestination(const QModelIndex& row) const
{
    const TRemoteListModel& model = context_.RemoteList->Model();
    std::string current = context_.Worker->CurrentDir();
    if (!row.isValid() || !model.IsDirectory(row.row()))
        return current;
    if (!model.IsParent(row.row()))
        return IncludeTrailingSlash(current) + model.RawName(row.row());
    // The folder above, spelled out: the server never sees "..".
    while (current.size() > 1 && current.back() == '/')
        current.pop_back();
    const std::string parent = RemoteParentPath(current);
    if (parent.empty() || parent == IncludeTrailingSlash(current))
        return {};
    return parent.size() > 1 ? parent.substr(0, parent.size() - 1) : parent;
}

void TPaneDropHandler::MoveRemoteEntries(const std::vector<std::string>& names, const std::string& directory)
{
    TFTPWorker& worker = *context_.Worker;
    const std::string current = worker.CurrentDir();
    for (const std::string& name : names) {
        worker.RenameEntry(name, IncludeTrailingSlash(directory) + RemoteFileName(name));
        // Each failure is shown before the next entry is tried.
        if (!worker.PendingError().Empty())
            context_.ShowPendingError();
    }
    worker.InvalidateListing(directory);
    worker.InvalidateListing(current);
    worker.RequestListing();
}

bool TPaneDropHandler::DropOnQueue(const QMimeData& dropped)
{
    if (TDragDrop::HasRemoteNames(dropped)) {
        if (!NamesAreSelection(dropped))
            return false;
        context_.QueueRemoteRows(SelectedRemoteRows(), context_.LocalPane->Directory().toStdString(), false);
    } else if (TDragDrop::HasFileList(dropped)) {
        QueueUploads(TDragDrop::LocalPaths(dropped), context_.Worker->CurrentDir(), false);
    } else {
        return false;
    }
    lastTarget_ = dtQueue;
    context_.Queue->StartTransfers();
    return true;
}

void TPaneDropHandler::QueueUploads(const QStringList& paths, const std::string& remoteDir, bool scheduled)
{
    if (paths.isEmpty())
        return;
    const QString root = FolderOf(paths.front());
    const THost host = context_.CurrentHost();
    // A file that cannot be read stops the drop there; the files before it stay.
    context_.QueuePage->Bulk([&] {
        for (const QString& path : paths) {
            if (TDragDrop::IsPlaceholder(path))
                continue;
            // A path from another folder (a search result) keeps its own name
            // instead of being cut at the first folder's length.
            const QString itsRoot = path.startsWith(root) ? root : FolderOf(path);
            context_.Queue->AddUpload(host, itsRoot.toStdString(), scheduled, remoteDir, path.toStdString());
        }
    });
}

// --- drags ----------------------------------------------------------------------

void TPaneDropHandler::WatchForDrags(QAbstractItemView* view)
{
    view->viewport()->installEventFilter(this);
}

bool TPaneDropHandler::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
    if (!view || view->viewport() != watched)
        return false;
    return MouseEvent(view, event);
}

bool TPaneDropHandler::MouseEvent(QAbstractItemView* view, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto& press = static_cast<QMouseEvent&>(*event);
        lastTarget_ = dtNone;
        armed_ = press.button() == Qt::LeftButton && view->indexAt(press.position().toPoint()).isValid();
        pressedView_ = view;
        pressedAt_ = press.position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        auto& move = static_cast<QMouseEvent&>(*event);
        if (!armed_ || pressedView_ != view || !(move.buttons() & Qt::LeftButton))
            return false;
        // Below the threshold the move is swallowed, so the view does not
        // start selecting a range instead.
        if ((move.position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return true;
        armed_ = false;
        if (IsRemoteView(view))
            DragRemoteSelection();
        else
            DragLocalSelection();
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // A double click enters a folder; it never starts a drag.
        armed_ = false;
        return false;
    default:
        return false;
    }
}

bool TPaneDropHandler::DragRemoteSelection()
{
    const QStringList captions = SelectedRemoteCaptions();
    if (captions.isEmpty() || !context_.SessionOpen())
        return false;
    (void)TDropTargetBlock::Take();  // a report left from an earlier drag answers nothing now
    lastTarget_ = dtNone;
    auto* drag = new QDrag(context_.RemoteList);
    drag->setMimeData(TDragDrop::RemoteDragData(captions));
    RunDrag(*drag);
    drag->deleteLater();
    if (lastTarget_ == dtNone) {
        const QString folder = TDragDrop::TakeDropTarget();
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && context_.SessionOpen())
            context_.Guarded([&] {
                context_.QueueRemoteRows(RowsOfCaptions(captions), QDir::cleanPath(folder).toStdString(), true);
                context_.Queue->StartTransfers();
            });
    }
    EndOfDrag();
    return true;
}

bool TPaneDropHandler::DragLocalSelection()
{
    QStringList paths;
    for (const std::string& path : context_.LocalPane->SelectedPaths())
        paths.append(QString::fromStdString(path));
    if (paths.isEmpty())
        return false;
    lastTarget_ = dtNone;
    auto* drag = new QDrag(context_.LocalPane);
    drag->setMimeData(TDragDrop::LocalDragData(paths));
    RunDrag(*drag);
    drag->deleteLater();
    EndOfDrag();
    return true;
}

void TPaneDropHandler::EndOfDrag()
{
    for (TListDropTarget* target : localTargets_) {
        target->ClearHighlight();
        target->StopScrolling();
    }
    for (TListDropTarget* target : remoteTargets_) {
        target->ClearHighlight();
        target->StopScrolling();
    }
    TDropTargetBlock::RemovePlaceholder();
}

// --- rows -----------------------------------------------------------------------

std::vector<int> TPaneDropHandler::SelectedRemoteRows() const
{
    std::vector<int> rows;
    const TRemoteListModel& model = context_.RemoteList->Model();
    for (int row : context_.RemoteList->SelectedRows())
        if (!model.IsParent(row))
            rows.push_back(row);
    return rows;
}

QStringList TPaneDropHandler::SelectedRemoteCaptions() const
{
    QStringList captions;
    for (int row : SelectedRemoteRows())
        captions.append(context_.RemoteList->Model().Caption(row));
    return captions;
}

std::vector<int> TPaneDropHandler::RowsOfCaptions(const QStringList& captions) const
{
    // The rows may have been listed anew while the drag ran.
    const QSet<QString> wanted(captions.begin(), captions.end());
    std::vector<int> rows;
    const TRemoteListModel& model = context_.RemoteList->Model();
    for (int row = 0; row < model.rowCount(); ++row)
        if (!model.IsParent(row) && wanted.contains(model.Caption(row)))
            rows.push_back(row);
    return rows;
}
