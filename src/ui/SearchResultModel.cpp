#include "ui/SearchResultModel.h"

#include "store/Helpers.h"
#include "ui/RemoteText.h"

#include <algorithm>

TSearchResultModel::TSearchResultModel(std::shared_ptr<TIconCache> icons, QObject* parent)
    : QAbstractTableModel(parent),
      icons_(icons ? std::move(icons) : std::make_shared<TIconCache>()),
      captions_({QStringLiteral("Filename"), QStringLiteral("Path"), QStringLiteral("Size"), QStringLiteral("Type"),
                 QStringLiteral("Date"), QStringLiteral("Permissions"), QStringLiteral("User"),
                 QStringLiteral("Group")})
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

TSearchResultModel::~TSearchResultModel() = default;

TSearchResultModel::TRow TSearchResultModel::MakeRow(const TIdFTPListItem& entry, const QString& directory)
{
    TRow row;
    row.Key.Directory = entry.ItemKind() == dkDirectory;
    row.Key.Id = nextId_++;
    row.IconKey = row.Key.Directory ? QLatin1String(TIconCache::DirectoryKey) : TIconCache::KeyOfName(entry.FileName());
    row.Size = row.Key.Directory ? 0 : entry.Size();
    row.Modified = entry.ModifiedKnown() ? entry.ModifiedDate() : 0;
    row.Texts[scFilename] = TextFromRemote(entry.FileName());
    row.Texts[scPath] = directory;
    if (!row.Key.Directory && entry.SizeKnown())
        row.Texts[scSize] = QString::fromStdString(FormatSizeKB(entry.Size()));
    row.Texts[scType] = icons_->TypeName(row.IconKey);
    row.Texts[scDate] = RemoteDateText(entry, true);
    TRemoteUnixTexts unix = RemoteUnixTexts(entry);
    row.Texts[scPermissions] = std::move(unix.Permissions);
    row.Texts[scUser] = std::move(unix.User);
    row.Texts[scGroup] = std::move(unix.Group);
    return row;
}

void TSearchResultModel::AddAll(const std::vector<const TIdFTPListItem*>& entries, const QString& directory)
{
    if (entries.empty())
        return;
    Reorder([&] {
        for (const TIdFTPListItem* entry : entries)
            rows_.push_back(MakeRow(*entry, directory));
    });
}

// Selected rows stay selected wherever the new order moves them.
void TSearchResultModel::Reorder(const std::function<void()>& change)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> ids;
    ids.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        ids.push_back(rows_[static_cast<std::size_t>(index.row())].Key.Id);
    change();
    Resort();
    std::vector<int> rowOfId(nextId_, -1);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        rowOfId[rows_[i].Key.Id] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(rowOfId[ids[static_cast<std::size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TSearchResultModel::Clear()
{
    beginResetModel();
    rows_.clear();
    nextId_ = 0;
    endResetModel();
}

void TSearchResultModel::SetSort(int column, int state)
{
    column = std::clamp(column, 0, scColumnCount - 1);
    state = state == 0 ? 0 : 1;
    if (column == sortColumn_ && state == sortState_)
        return;
    Reorder([&] {
        sortColumn_ = column;
        sortState_ = state;
    });
}

void TSearchResultModel::HeaderClicked(int column)
{
    SetSort(column, column == sortColumn_ ? 1 - sortState_ : sortState_);
}

void TSearchResultModel::sort(int column, Qt::SortOrder order)
{
    SetSort(column, order == Qt::AscendingOrder ? 1 : 0);
}

void TSearchResultModel::Resort()
{
    const int column = sortColumn_;
    std::vector<std::uint32_t> ranks;
    if (column != scSize && column != scDate) {
        std::vector<QString> texts;
        texts.reserve(rows_.size());
        for (const TRow& row : rows_)
            texts.push_back(row.Texts[column]);
        const std::vector<std::uint32_t> byPosition = RankRemoteTexts(collator_, texts);
        ranks.assign(nextId_, 0);
        for (std::size_t i = 0; i < rows_.size(); ++i)
            ranks[rows_[i].Key.Id] = byPosition[i];
    }
    SortRemoteRows(rows_, sortState_, [&](const TRow& a, const TRow& b) {
        if (column == scSize)
            return CompareValues(a.Size, b.Size);
        if (column == scDate)
            return CompareValues(a.Modified, b.Modified);
        return CompareValues(ranks[a.Key.Id], ranks[b.Key.Id]);
    });
}

void TSearchResultModel::SetColumnCaptions(const QStringList& captions)
{
    for (int i = 0; i < scColumnCount && i < captions.size(); ++i)
        captions_[i] = captions[i];
    emit headerDataChanged(Qt::Horizontal, 0, scColumnCount - 1);
}

QString TSearchResultModel::Caption(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Texts[scFilename];
}

QString TSearchResultModel::Path(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Texts[scPath];
}

bool TSearchResultModel::IsDirectory(int row) const
{
    return rows_.at(static_cast<std::size_t>(row)).Key.Directory;
}

int TSearchResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TSearchResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : scColumnCount;
}

QVariant TSearchResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const TRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.Texts[index.column()];
    case Qt::DecorationRole:
        if (index.column() == scFilename)
            return icons_->Icon(row.IconKey);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == scSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TSearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= scColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return captions_[section];
    if (role == Qt::TextAlignmentRole && section == scSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}
