#pragma once
// TQueueListView: the queue page's list: several rows selectable, no
// editing, no sorting, the selection kept visible without focus, the
// progress bar drawn by TQueueProgressDelegate. The Delete key asks for the
// selected rows to be deleted. Drops of local files or remote names are
// handed to OnDrop; while AcceptsDrops answers false every drop is refused.

#include <QTreeView>

#include <functional>

class QMimeData;

class TQueueListView : public QTreeView {
    Q_OBJECT
public:
    explicit TQueueListView(QWidget* parent = nullptr);

    /// Whether drops are taken now (the browsing connection is open).
    std::function<bool()> AcceptsDrops;
    /// A drop the view took; answers whether it acted on it.
    std::function<bool(const QMimeData& dropped)> OnDrop;

    /// The drop effect granted for `data` now (Qt::IgnoreAction: refused).
    Qt::DropAction GrantedAction(const QMimeData& dropped, Qt::DropAction proposed) const;

signals:
    void DeleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
