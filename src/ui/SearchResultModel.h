#pragma once
// TSearchResultModel: the rows of the advanced search. Each row keeps its
// own copy of what it shows and sorts by (the walked listing is gone once
// its rows are added).
//
// Columns: Filename, Path, Size, Type, Date, Permissions, User, Group.
// Sorting: the remote list's rules (ui/RemoteRowOrder.h) with the Path
// column between Filename and Size: names and texts by the locale, sizes
// and dates by value, directories before files, state 0 reverses.
//
// Contract: user-interface thread only.

#include "ftp/listparse/ListItem.h"
#include "ui/IconCache.h"
#include "ui/RemoteRowOrder.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TSearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { scFilename, scPath, scSize, scType, scDate, scPermissions, scUser, scGroup, scColumnCount };

    explicit TSearchResultModel(std::shared_ptr<TIconCache> icons = nullptr, QObject* parent = nullptr);
    ~TSearchResultModel() override;

    /// Rows for `entries` found in `directory` (one walked folder), in sort order.
    void AddAll(const std::vector<const TIdFTPListItem*>& entries, const QString& directory);
    void Clear();

    void SetSort(int column, int state);
    int SortColumn() const { return sortColumn_; }
    int SortState() const { return sortState_; }
    /// A header click: toggles the state on the sort column, else the
    /// clicked column becomes the sort column; re-sorts.
    void HeaderClicked(int column);
    void SetColumnCaptions(const QStringList& captions);

    QString Caption(int row) const;
    QString Path(int row) const;
    bool IsDirectory(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    struct TRow {
        TRemoteOrderKey Key;
        QString Texts[scColumnCount];
        QString IconKey;
        std::int64_t Size = 0;
        double Modified = 0;
    };
    TRow MakeRow(const TIdFTPListItem& entry, const QString& directory);
    void Resort();
    /// Runs `change`, re-sorts, and keeps persistent indexes on their rows.
    void Reorder(const std::function<void()>& change);

    std::shared_ptr<TIconCache> icons_;
    std::vector<TRow> rows_;
    QStringList captions_;
    QCollator collator_;
    std::uint32_t nextId_ = 0;
    int sortColumn_ = 0;
    int sortState_ = 1;
};
