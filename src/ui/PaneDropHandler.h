#pragma once
// TPaneDropHandler: drag and drop on the main window's panes and queue.
//
// Drop targets, and what a drop does:
// - Local pane: remote names dragged from the remote pane download the
//   selected remote rows into the folder under the cursor, or the pane's
//   folder (copy, whatever was asked). Local files are refused there: the
//   pane is no file manager, and granting a move it does not carry out
//   would let the source delete its files.
// - Remote pane: local files (from the local pane or the file manager)
//   upload into the directory under the cursor, or the current one, by
//   their path below the first file's folder (copy, never move). Remote
//   names dropped on another directory row are moved there with one rename
//   each; on a dragged directory itself, a file or free space: refused.
// - Queue list: as the panes, but the items wait unscheduled.
// Remote names are taken only when they are the names of the selected
// remote rows, so a drag from elsewhere never downloads the wrong rows.
// Every target refuses drops while the browsing session is not logged in.
//
// Drag sources: the local pane drags the full paths of its selected rows;
// the remote pane drags the names of its selected rows, plus the
// placeholder folder for a file-manager extension (ui/DragDrop.h). When
// such a drag ends outside the program's lists and the extension reported
// a folder, the dragged rows download there.
//
// User-interface thread only. The renames of a drop run after the drag has
// ended, so an error dialog never opens inside the desktop's drag loop.

#include "hosts/Host.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractItemView;
class QDrag;
class QMimeData;
class QModelIndex;
class TFTPWorker;
class TListDropTarget;
class TLocalPane;
class TQueueManager;
class TQueuePage;
class TRemoteListView;

/// What the handler works with; every part outlives it.
struct TPaneDropContext {
    TLocalPane* LocalPane = nullptr;
    TRemoteListView* RemoteList = nullptr;
    TQueuePage* QueuePage = nullptr;
    TQueueManager* Queue = nullptr;
    TFTPWorker* Worker = nullptr;
    std::function<THost()> CurrentHost;
    /// Whether the browsing session is logged in.
    std::function<bool()> SessionOpen;
    /// Whether the browsing worker is busy (renames wait for it).
    std::function<bool()> Busy;
    /// Queues downloads of remote rows into a local folder.
    std::function<void(const std::vector<int>& rows, const std::string& localFolder, bool scheduled)>
        QueueRemoteRows;
    /// Runs `f`; an exception it raises is logged.
    std::function<void(const std::function<void()>& f)> Guarded;
    /// Shows the browsing session's pending error, if any.
    std::function<void()> ShowPendingError;
};

class TPaneDropHandler : public QObject {
    Q_OBJECT
public:
    enum TDropTarget { dtNone, dtLocal, dtRemote, dtQueue };

    explicit TPaneDropHandler(TPaneDropContext context, QObject* parent = nullptr);
    ~TPaneDropHandler() override;

    /// A drop on the queue list; answers whether it acted.
    bool DropOnQueue(const QMimeData& dropped);
    /// Queues uploads of `paths` into `remoteDir`, each by its path below
    /// the first path's folder (a path from another folder by its name).
    void QueueUploads(const QStringList& paths, const std::string& remoteDir, bool scheduled);

    /// Starts a drag of the selected rows, as a mouse drag does; answers
    /// false when no row can be dragged.
    bool DragRemoteSelection();
    bool DragLocalSelection();
    /// Runs a drag (tests replace it); answers the effect. By default the
    /// desktop's drag loop, offering copy and move.
    std::function<Qt::DropAction(QDrag& drag)> RunDrag;

    /// The target that took the last drop (dtNone after a mouse press).
    TDropTarget LastTarget() const { return lastTarget_; }
    /// The drop side of the remote pane's detailed list.
    TListDropTarget* RemoteTarget() const { return remoteTargets_.front(); }
    /// The drop side of the local pane's view `view`.
    TListDropTarget* LocalTarget(const QAbstractItemView* view) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WatchForDrags(QAbstractItemView* view);
    bool IsRemoteView(const QAbstractItemView* view) const;
    bool MouseEvent(QAbstractItemView* view, QEvent* event);

    std::optional<Qt::DropAction> GrantLocal(const QMimeData& data, const QModelIndex& row,
                                             Qt::DropAction proposed) const;
    Qt::DropAction GrantRemote(const QMimeData& data, const QModelIndex& row, Qt::DropAction proposed) const;
    void DropOnLocal(const QMimeData& data, const QModelIndex& row);
    void DropOnRemote(const QMimeData& data, const QModelIndex& row);
    /// Moves the remote entries `names` into `directory`, one rename each.
    void MoveRemoteEntries(const std::vector<std::string>& names, const std::string& directory);
    /// The remote directory a drop over `row` goes to ("" when none).
    std::string RemoteDestination(const QModelIndex& row) const;

    /// The remote names in `data`, when they are those of the selected rows.
    bool NamesAreSelection(const QMimeData& data) const;
    QStringList SelectedRemoteCaptions() const;
    std::vector<int> SelectedRemoteRows() const;
    std::vector<int> RowsOfCaptions(const QStringList& captions) const;
    void EndOfDrag();

    TPaneDropContext context_;
    std::vector<TListDropTarget*> localTargets_;
    std::vector<TListDropTarget*> remoteTargets_;  // never empty
    TDropTarget lastTarget_ = dtNone;
    QPointer<QAbstractItemView> pressedView_;
    QPoint pressedAt_;
    bool armed_ = false;
};
