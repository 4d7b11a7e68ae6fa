#include "ui/RemoteListModel.h"

#include "ftp/listparse/ListItem.h"
#include "store/Helpers.h"
#include "ui/RemoteRowOrder.h"
#include "ui/RemoteText.h"

#include <algorithm>
#include <unordered_map>

struct TRemoteListModel::TRow {
    const TIdFTPListItem* Entry = nullptr;
    QString Caption;
    QString IconKey;          // shared between rows of one extension
    std::string RenamedName;  // set by a successful rename
    TRemoteOrderKey Key;      // Id: row number in listing order, dense
};

namespace {

QStringList DefaultCaptions()
{
    return {QStringLiteral("Filename"), QStringLiteral("Size"),        QStringLiteral("Type"),
            QStringLiteral("Date"),     QStringLiteral("Permissions"), QStringLiteral("User"),
            QStringLiteral("Group")};
}

}  // namespace

TRemoteListModel::TRemoteListModel(std::shared_ptr<TIconCache> icons, QObject* parent)
    : QAbstractTableModel(parent),
      icons_(icons ? std::move(icons) : std::make_shared<TIconCache>()),
      captions_(DefaultCaptions())
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

TRemoteListModel::~TRemoteListModel() = default;

void TRemoteListModel::Fill(TListing listing)
{
    beginResetModel();
    rows_.clear();
    ranks_.assign(rcColumnCount, {});
    listing_ = std::move(listing);
    if (listing_) {
        parentEntry_ = std::make_unique<TIdFTPListItems>();
        TIdFTPListItem& parentItem = parentEntry_->Add<TIdFTPListItem>();
        parentItem.SetFileName("..");
        parentItem.SetItemKind(dkDirectory);
        rows_.reserve(listing_->Count() + 1);
        rows_.push_back({&parentItem, QStringLiteral(".."), QLatin1String(TIconCache::DirectoryKey), {}, {true, true, 0}});
        const QString directoryKey = QLatin1String(TIconCache::DirectoryKey);
        std::unordered_map<std::string, QString> keys;  // one shared string per extension
        for (const TIdFTPListItem& entry : *listing_) {
            const std::string_view name = entry.FileName();
            TRow row{&entry, {}, {}, {}, {false, false, static_cast<std::uint32_t>(rows_.size())}};
            if (entry.ItemKind() == dkDirectory) {
                if (name == "." || name == ".." || name.empty())
                    continue;
                row.Key.Directory = true;
                row.IconKey = directoryKey;
            } else if (entry.ItemKind() == dkFile) {
                const std::size_t dot = name.rfind('.');
                auto key = keys.find(std::string(dot == std::string_view::npos ? std::string_view() : name.substr(dot)));
                if (key == keys.end())
                    key = keys.emplace(std::string(dot == std::string_view::npos ? std::string_view() : name.substr(dot)),
                                       TIconCache::KeyOfName(name)).first;
                row.IconKey = key->second;
            } else {
                continue;  // links not resolved, devices: not shown
            }
            row.Caption = TextFromRemote(name);
            rows_.push_back(std::move(row));
        }
        Resort();
    } else {
        parentEntry_.reset();
    }
    endResetModel();
}

void TRemoteListModel::Clear()
{
    Fill(nullptr);
}

void TRemoteListModel::SetSort(int column, int state)
{
    column = std::clamp(column, 0, rcColumnCount - 1);
    state = state == 0 ? 0 : 1;
    if (column == sortColumn_ && state == sortState_)
        return;
    sortColumn_ = column;
    sortState_ = state;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> ids;
    ids.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        ids.push_back(rows_[static_cast<std::size_t>(index.row())].Key.Id);
    Resort();
    std::vector<int> rowOfId(rows_.size(), -1);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        rowOfId[rows_[i].Key.Id] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(rowOfId[ids[static_cast<std::size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TRemoteListModel::HeaderClicked(int column)
{
    const int state = column == sortColumn_ ? 1 - sortState_ : sortState_;
    SetSort(column, state);
}

void TRemoteListModel::sort(int column, Qt::SortOrder order)
{
    SetSort(column, order == Qt::AscendingOrder ? 1 : 0);
}

void TRemoteListModel::Resort()
{
    const int column = sortColumn_;
    const std::vector<std::uint32_t>* ranks = nullptr;
    if (column != rcSize && column != rcDate)
        ranks = &Ranks(column);
    SortRemoteRows(rows_, sortState_, [&](const TRow& a, const TRow& b) {
        if (column == rcSize)
            return CompareValues(a.Entry->Size(), b.Entry->Size());
        if (column == rcDate)
            return CompareValues(a.Entry->ModifiedDate(), b.Entry->ModifiedDate());
        return CompareValues((*ranks)[a.Key.Id], (*ranks)[b.Key.Id]);
    });
}

// The order of a text column as one number per row: each distinct text gets
// its place among the others by the locale's comparison, computed once
// through sort keys, so sorting compares integers.
const std::vector<std::uint32_t>& TRemoteListModel::Ranks(int column)
{
    std::vector<std::uint32_t>& ranks = ranks_[static_cast<std::size_t>(column)];
    if (!ranks.empty() || rows_.empty())
        return ranks;
    std::vector<std::uint32_t> textOfRow(rows_.size(), 0);
    QHash<QString, std::uint32_t> distinct;
    std::vector<QString> texts;
    for (const TRow& row : rows_) {
        const QString text = column == rcFilename ? row.Caption : ColumnText(row, column);
        auto it = distinct.constFind(text);
        if (it == distinct.cend()) {
            it = distinct.insert(text, static_cast<std::uint32_t>(texts.size()));
            texts.push_back(text);
        }
        textOfRow[row.Key.Id] = *it;
    }
    const std::vector<std::uint32_t> rankOfText = RankTexts(texts);
    ranks.assign(textOfRow.size(), 0);
    for (std::size_t id = 0; id < textOfRow.size(); ++id)
        ranks[id] = rankOfText[textOfRow[id]];
    return ranks;
}

std::vector<std::uint32_t> TRemoteListModel::RankTexts(const std::vector<QString>& texts) const
{
    return RankRemoteTexts(collator_, texts);
}

QString TRemoteListModel::TypeName(const TRow& row) const
{
    return icons_->TypeName(row.IconKey);
}

QString TRemoteListModel::ColumnText(const TRow& row, int column) const
{
    if (column == rcFilename)
        return row.Caption;
    if (column == rcType)
        return TypeName(row);
    if (row.Key.Parent)
        return {};
    const TIdFTPListItem& entry = *row.Entry;
    switch (column) {
    case rcSize:
        if (row.Key.Directory || !entry.SizeKnown())
            return {};
        return QString::fromStdString(FormatSizeKB(entry.Size()));
    case rcDate:
        return RemoteDateText(entry, row.Key.Directory);
    case rcPermissions:
        return RemoteUnixTexts(entry).Permissions;
    case rcUser:
        return RemoteUnixTexts(entry).User;
    case rcGroup:
        return RemoteUnixTexts(entry).Group;
    default:
        return {};
    }
}

void TRemoteListModel::SetColumnCaptions(const QStringList& captions)
{
    for (int i = 0; i < rcColumnCount && i < captions.size(); ++i)
        captions_[i] = captions[i];
    emit headerDataChanged(Qt::Horizontal, 0, rcColumnCount - 1);
}

int TRemoteListModel::RowOfCaption(const QString& caption) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Caption == caption)
            return static_cast<int>(i);
    return -1;
}

QString TRemoteListModel::Caption(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Caption;
}

std::string TRemoteListModel::RawName(int row) const
{
    const TRow& r = rows_.at(static_cast<std::size_t>(row));
    return r.RenamedName.empty() ? std::string(r.Entry->FileName()) : r.RenamedName;
}

bool TRemoteListModel::IsDirectory(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Key.Directory;
}

bool TRemoteListModel::IsParent(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Key.Parent;
}

std::int64_t TRemoteListModel::Size(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Entry->Size();
}

const TIdFTPListItem* TRemoteListModel::Entry(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Entry;
}

int TRemoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TRemoteListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rcColumnCount;
}

QVariant TRemoteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const TRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ColumnText(row, index.column());
    case Qt::DecorationRole:
        if (index.column() == rcFilename)
            return icons_->Icon(row.IconKey);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == rcSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case IsDirectoryRole:
        return row.Key.Directory;
    case IsParentRole:
        return row.Key.Parent;
    case RawNameRole:
        return QByteArray::fromStdString(RawName(index.row()));
    case SizeRole:
        return static_cast<qint64>(row.Entry->Size());
    default:
        return {};
    }
}

bool TRemoteListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != rcFilename)
        return false;
    TRow& row = rows_[static_cast<std::size_t>(index.row())];
    const QString caption = value.toString();
    if (row.Key.Parent || caption.isEmpty() || caption == row.Caption)
        return false;
    const std::string newName = RemoteFromText(caption);
    if (!onRename_ || !onRename_(RawName(index.row()), newName))
        return false;
    row.Caption = caption;
    row.RenamedName = newName;
    if (!row.Key.Directory) {
        // The extension may have changed: the icon and type name follow it.
        row.IconKey = TIconCache::KeyOfName(newName);
    }
    ranks_.assign(rcColumnCount, {});
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), rcColumnCount - 1));
    return true;
}

QVariant TRemoteListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= rcColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return captions_[section];
    if (role == Qt::TextAlignmentRole && section == rcSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TRemoteListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const TRow& row = rows_[static_cast<std::size_t>(index.row())];
    if (!row.Key.Parent) {
        result |= Qt::ItemIsDragEnabled;
        if (index.column() == rcFilename)
            result |= Qt::ItemIsEditable;
    }
    return result;
}
