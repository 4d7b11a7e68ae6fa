#include "ui/QueueListModel.h"

#include "store/Helpers.h"
#include "ui/AppIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string RemotePathOf(const TQueueItem& item)
{
    if (!item.RemoteFilename.empty() || item.TransferDirection == tdDownload)
        return item.RemoteFilename;
    return DeriveRemoteFilename(item.LocalRoot, item.LocalFilename, item.RemoteRoot);
}

std::string LocalPathOf(const TQueueItem& item)
{
    if (!item.LocalFilename.empty() || item.TransferDirection == tdUpload)
        return item.LocalFilename;
    try {
        return DeriveLocalFilename(item.RemoteRoot, item.RemoteFilename, item.LocalRoot);
    } catch (const EUnsafeLocalPath&) {
        return item.LocalRoot;  // the transfer refuses it; the row still shows where it would go
    }
}

QString TotalText(const TQueueItem& item)
{
    return Utf8(FormatSize(item.BytesDone())) + QStringLiteral(" / ") + Utf8(FormatSize(item.FileSize));
}

} // namespace

TQueueListModel::TQueueListModel(std::shared_ptr<TIconCache> icons, QObject* parent)
    : QAbstractTableModel(parent), icons_(icons ? std::move(icons) : std::make_shared<TIconCache>()),
      captions_({QStringLiteral("Filename"), QStringLiteral("Progress"), QStringLiteral("Status"),
                 QStringLiteral("Remote path"), QStringLiteral("Local path"), QStringLiteral("Size")})
{
}

QString TQueueListModel::FilenameText(const TQueueItem& item)
{
    if (item.TransferDirection == tdDownload)
        return Utf8(RemoteFileName(item.RemoteFilename));
    const std::string& path = item.LocalFilename;
    const auto cut = path.find_last_of("/\\");
    return Utf8(cut == std::string::npos ? path : path.substr(cut + 1));
}

QString TQueueListModel::RemotePathText(const TQueueItem& item)
{
    const std::string path = RemotePathOf(item);
    const auto cut = path.rfind('/');
    return cut == std::string::npos ? QString() : Utf8(path.substr(0, cut + 1));
}

QString TQueueListModel::LocalPathText(const TQueueItem& item)
{
    const std::string path = LocalPathOf(item);
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? QString() : Utf8(path.substr(0, cut + 1));
}

int TQueueListModel::BarProgress(const TQueueItem& item)
{
    if (item.Status != qsTransferring)
        return 0;
    return std::clamp(item.Progress.load(std::memory_order_relaxed), 0, 100);
}

void TQueueListModel::AddItem(TQueueItem& item)
{
    if (orders_.contains(&item))
        return;
    const int row = static_cast<int>(rows_.size());
    if (!bulk_)
        beginInsertRows({}, row, row);
    rows_.push_back({nextOrder_, &item, {}, 0});
    orders_.emplace(&item, nextOrder_++);
    if (!bulk_)
        endInsertRows();
}

void TQueueListModel::RemoveItem(const TQueueItem& item)
{
    const int row = RowOf(item);
    if (row < 0)
        return;
    if (!bulk_)
        beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    orders_.erase(&item);
    if (!bulk_)
        endRemoveRows();
}

void TQueueListModel::ItemChanged(const TQueueItem& item)
{
    const int row = RowOf(item);
    if (row < 0 || bulk_)
        return;
    rows_[static_cast<std::size_t>(row)].DrawnBar = BarProgress(item);
    emit dataChanged(index(row, qcFilename), index(row, qcStatus));
}

void TQueueListModel::BeginBulk()
{
    if (bulk_)
        return;
    bulk_ = true;
    beginResetModel();
}

void TQueueListModel::EndBulk()
{
    if (!bulk_)
        return;
    bulk_ = false;
    endResetModel();
}

bool TQueueListModel::RefreshRows(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(rows_.size()) - 1);
    bool changed = false;
    for (int row = first; row <= last; ++row) {
        TRow& r = rows_[static_cast<std::size_t>(row)];
        QString text = TotalText(*r.Item);
        const int bar = BarProgress(*r.Item);
        if (text != r.Size) {
            r.Size = std::move(text);
            emit dataChanged(index(row, qcSize), index(row, qcSize));
            changed = true;
        }
        if (bar != r.DrawnBar) {
            r.DrawnBar = bar;
            emit dataChanged(index(row, qcProgress), index(row, qcProgress));
            changed = true;
        }
    }
    return changed;
}

int TQueueListModel::RowOf(const TQueueItem& item) const
{
    const auto found = orders_.find(&item);
    if (found == orders_.end())
        return -1;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), found->second,
                                     [](const TRow& row, std::uint64_t order) { return row.Order < order; });
    return static_cast<int>(at - rows_.begin());
}

TQueueItem* TQueueListModel::ItemAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].Item;
}

QString TQueueListModel::SizeText(int row) const
{
    const TQueueItem* item = ItemAt(row);
    if (!item)
        return {};
    const QString& refreshed = rows_[static_cast<std::size_t>(row)].Size;
    return refreshed.isEmpty() ? Utf8(FormatSizeKB(item->FileSize)) : refreshed;
}

void TQueueListModel::SetColumnCaptions(const QStringList& captions)
{
    if (captions.size() != qcColumnCount)
        return;
    captions_ = captions;
    emit headerDataChanged(Qt::Horizontal, 0, qcColumnCount - 1);
}

QIcon TQueueListModel::RowIcon(const TQueueItem& item) const
{
    const QString type = item.IsDirectory ? QString::fromLatin1(TIconCache::DirectoryKey)
                                          : TIconCache::KeyOfName(FilenameText(item).toStdString());
    const bool up = item.TransferDirection == tdUpload;
    const QString key = (up ? QStringLiteral("u") : QStringLiteral("d")) + type;
    const auto found = composed_.constFind(key);
    if (found != composed_.constEnd())
        return *found;
    // The direction arrow beside the type icon, as one picture.
    QPixmap picture(34, 16);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, TAppIcons::Icon(up ? "upload" : "download").pixmap(16, 16));
        painter.drawPixmap(18, 0, icons_->Icon(type).pixmap(16, 16));
    }
    QIcon icon(picture);
    composed_.insert(key, icon);
    return icon;
}

int TQueueListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TQueueListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : qcColumnCount;
}

QVariant TQueueListModel::data(const QModelIndex& index, int role) const
{
    const TQueueItem* item = index.isValid() ? ItemAt(index.row()) : nullptr;
    if (!item)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case qcFilename: return FilenameText(*item);
        case qcProgress: return item->Progress.load(std::memory_order_relaxed);
        case qcStatus: return Utf8(item->StatusText);
        case qcRemotePath: return RemotePathText(*item);
        case qcLocalPath: return LocalPathText(*item);
        case qcSize: return SizeText(index.row());
        }
        return {};
    case Qt::DecorationRole:
        return column == qcFilename ? QVariant(RowIcon(*item)) : QVariant();
    case Qt::FontRole:
        if (column == qcStatus &&
            (item->Status == qsStopped || item->Status == qsPaused || item->Status == qsFailed)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        return column == qcSize ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case Qt::ToolTipRole:
        return column == qcStatus ? Utf8(item->StatusText) : QVariant();
    case ItemRole:
        return QVariant::fromValue(reinterpret_cast<quintptr>(item));
    case BarRole:
        return BarProgress(*item);
    }
    return {};
}

QVariant TQueueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= qcColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return captions_.value(section);
    if (role == Qt::TextAlignmentRole && section == qcSize)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TQueueListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

Qt::DropActions TQueueListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

QStringList TQueueListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), QStringLiteral("application/x-tovrel-ftpfiles")};
}
