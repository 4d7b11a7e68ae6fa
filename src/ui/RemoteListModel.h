#pragma once
// TRemoteListModel: the rows of the remote pane, built from the browsing
// worker's listing. Every row refers to its listing entry (held alive by the
// listing snapshot the model keeps); the ".." row refers to an entry of the
// model's own.
//
// Rows: directories (except "." and "..") and files; other kinds (an
// unresolved link, a device) get no row. A ".." row is always first.
// Columns: Filename, Size, Type, Date, Permissions, User, Group.
//
// Sorting: directories before files, then by the sort column (names and
// texts by the user's locale, ignoring letter case; sizes and dates by
// value); sort state 0 reverses the whole order, so files come first, but
// ".." stays on top in both states. Rows that compare equal keep their
// listing order.
//
// Contract: user-interface thread only. Fill() replaces every row;
// renaming a row (setData on column 0) asks the rename handler first and
// changes the caption only when it answers true.

#include "session/ListingCache.h"
#include "ui/IconCache.h"

#include <QAbstractTableModel>
#include <QCollator>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TRemoteListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { rcFilename, rcSize, rcType, rcDate, rcPermissions, rcUser, rcGroup, rcColumnCount };
    /// Extra data roles.
    enum TRole {
        IsDirectoryRole = Qt::UserRole + 1,  // bool; ".." included
        IsParentRole,                        // bool: the ".." row
        RawNameRole,                         // QByteArray: the name as the server sent it
        SizeRole,                            // qint64
    };

    using TListing = TListingCache::TListing;
    /// Answers whether the server renamed `oldName` to `newName`.
    using TRenameHandler = std::function<bool(const std::string& oldName, const std::string& newName)>;

    explicit TRemoteListModel(std::shared_ptr<TIconCache> icons = nullptr, QObject* parent = nullptr);
    ~TRemoteListModel() override;

    /// Rows from `listing` plus the ".." row, sorted; a null listing leaves
    /// no rows at all.
    void Fill(TListing listing);
    void Clear();

    void SetSort(int column, int state);
    int SortColumn() const { return sortColumn_; }
    int SortState() const { return sortState_; }
    /// A click on a column header: toggles the state on the sort column,
    /// otherwise the clicked column becomes the sort column; re-sorts.
    void HeaderClicked(int column);

    void SetRenameHandler(TRenameHandler handler) { onRename_ = std::move(handler); }
    /// Column captions (window texts of the active language).
    void SetColumnCaptions(const QStringList& captions);

    // --- rows ------------------------------------------------------------
    int RowOfCaption(const QString& caption) const;  // -1 when absent
    QString Caption(int row) const;
    /// The name as the server knows it (after a rename: the new name).
    std::string RawName(int row) const;
    bool IsDirectory(int row) const;
    bool IsParent(int row) const;
    std::int64_t Size(int row) const;
    const TIdFTPListItem* Entry(int row) const;
    const TListing& Listing() const { return listing_; }

    // --- QAbstractTableModel ---------------------------------------------
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    struct TRow;
    void Resort();
    const std::vector<std::uint32_t>& Ranks(int column);
    std::vector<std::uint32_t> RankTexts(const std::vector<QString>& texts) const;
    QString ColumnText(const TRow& row, int column) const;
    QString TypeName(const TRow& row) const;

    std::shared_ptr<TIconCache> icons_;
    TListing listing_;
    std::unique_ptr<TIdFTPListItems> parentEntry_;
    std::vector<TRow> rows_;  // in view order
    std::vector<std::vector<std::uint32_t>> ranks_;  // per column, by row id; filled on demand
    QStringList captions_;
    QCollator collator_;
    int sortColumn_ = 0;
    int sortState_ = 1;
    TRenameHandler onRename_;
};
