#pragma once
// TQueueListModel: the rows of the queue page, one per queue item, in queue
// order, with the columns "Filename", "Progress", "Status", "Remote path",
// "Local path" and "Size".
//
// Contract:
// - User-interface thread only. The model does not own the items: a row is
//   removed (RemoveItem) before its item is destroyed, which the queue
//   manager's OnItemRemoving guarantees.
// - Progress and bytes done are read without a lock while transfer threads
//   write them (atomics).
// - The "Size" cell first shows the size in kilobytes; RefreshRows() turns
//   it into "done / total" for the rows asked for, and reports rows whose
//   text or drawn progress changed. Refreshing only the visible rows keeps a
//   pass cheap with a long queue; a row is refreshed when it comes into view.
// - BeginBulk()/EndBulk() bracket many additions or removals (load, clear):
//   the views see one reset instead of a signal per row.

#include "queue/QueueItem.h"
#include "ui/IconCache.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

class TQueueListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { qcFilename, qcProgress, qcStatus, qcRemotePath, qcLocalPath, qcSize, qcColumnCount };
    /// The item of a row, as a pointer (TQueueItem*) in a quintptr.
    static constexpr int ItemRole = Qt::UserRole + 1;
    /// The progress to draw (0: no bar), an int.
    static constexpr int BarRole = Qt::UserRole + 2;

    explicit TQueueListModel(std::shared_ptr<TIconCache> icons = nullptr, QObject* parent = nullptr);

    void AddItem(TQueueItem& item);
    void RemoveItem(const TQueueItem& item);
    /// The item's status or progress changed.
    void ItemChanged(const TQueueItem& item);
    void BeginBulk();
    void EndBulk();

    /// Rows [first, last] get their "done / total" text; answers whether any
    /// visible text or bar changed (dataChanged is emitted for those).
    bool RefreshRows(int first, int last);

    int RowOf(const TQueueItem& item) const;  // -1 when absent
    TQueueItem* ItemAt(int row) const;
    QString SizeText(int row) const;

    void SetColumnCaptions(const QStringList& captions);

    /// "Filename", "Remote path", "Local path" texts of an item (also for tests).
    static QString FilenameText(const TQueueItem& item);
    static QString RemotePathText(const TQueueItem& item);
    static QString LocalPathText(const TQueueItem& item);
    /// The bar shown in the "Progress" cell: the progress while transferring, else 0.
    static int BarProgress(const TQueueItem& item);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;

private:
    struct TRow {
        std::uint64_t Order;
        TQueueItem* Item;
        QString Size;     // empty until refreshed: the kilobyte form is shown
        int DrawnBar = 0; // the bar last reported to the view
    };
    QIcon RowIcon(const TQueueItem& item) const;

    std::shared_ptr<TIconCache> icons_;
    std::deque<TRow> rows_;  // queue order; Order grows along the deque
    std::unordered_map<const TQueueItem*, std::uint64_t> orders_;
    std::uint64_t nextOrder_ = 0;
    bool bulk_ = false;
    QStringList captions_;
    mutable QHash<QString, QIcon> composed_;  // direction + type icon
};
