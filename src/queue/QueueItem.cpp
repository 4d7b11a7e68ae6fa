#include "queue/QueueItem.h"

#include "store/DataDirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The path without its first `count` characters; nothing left when it is
// shorter. The prefix is cut by length, not compared.
std::string_view CutFront(std::string_view path, std::size_t count)
{
    return path.substr(std::min(count, path.size()));
}

// True when some component between "/" or "\" separators is "..".
bool HasParentComponent(std::string_view path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
        if (path.substr(start, end - start) == "..")
            return true;
        start = end + 1;
    }
    return false;
}

void SetUploadSource(TQueueItem& item, std::string_view localPath)
{
    const QString path = ToQString(localPath);
    item.FileModifiedDateTime = FileModifiedTime(localPath);
    if (QFileInfo(path).isDir()) {
        item.IsDirectory = true;
        item.FileSize = 0;
        return;
    }
    // Only a regular file: opening a pipe named in a queue file would block.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile())
        throw EInOutError("Cannot open file \"" + std::string(localPath) + "\". It is not a regular file.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError("Cannot open file \"" + std::string(localPath) + "\". " + file.errorString().toStdString());
    item.IsDirectory = false;
    item.FileSize = file.size();
}

} // namespace

std::unique_ptr<TQueueItem> TQueueItem::NewDownload(const THost& host, std::string_view remoteRoot, bool scheduled,
                                                    TDateTime modified, std::int64_t size, bool isDirectory,
                                                    std::string_view localRoot, std::string_view remotePath)
{
    std::unique_ptr<TQueueItem> item(new TQueueItem());
    item->Host.Assign(host);
    item->TransferDirection = tdDownload;
    item->LocalRoot = IncludeTrailingBackslash(localRoot);
    item->RemoteRoot = IncludeTrailingSlash(remoteRoot);
    item->RemoteFilename = std::string(remotePath);
    item->FileModifiedDateTime = modified;
    item->IsDirectory = isDirectory;
    item->FileSize = isDirectory ? 0 : size;
    item->Scheduled = scheduled;
    item->StatusText = QueueStatusText(qsAwaiting);
    // Refuse now rather than when a transfer thread starts writing.
    item->GetLocalFilename();
    return item;
}

std::unique_ptr<TQueueItem> TQueueItem::NewUpload(const THost& host, std::string_view localRoot, bool scheduled,
                                                  std::string_view remoteRoot, std::string_view localPath)
{
    std::unique_ptr<TQueueItem> item(new TQueueItem());
    item->Host.Assign(host);
    item->TransferDirection = tdUpload;
    item->LocalFilename = std::string(localPath);
    item->LocalRoot = IncludeTrailingBackslash(localRoot);
    item->RemoteRoot = IncludeTrailingSlash(remoteRoot);
    SetUploadSource(*item, localPath);
    item->Scheduled = scheduled;
    item->StatusText = QueueStatusText(qsAwaiting);
    // Derived now, so a transfer thread only ever reads it.
    item->GetRemoteFilename();
    return item;
}

std::unique_ptr<TQueueItem> TQueueItem::NewRefusedItem(const THost& host, TTransferDirection direction,
                                                       std::string_view remoteRoot, std::string_view localRoot,
                                                       std::string_view path, const std::string& reason)
{
    std::unique_ptr<TQueueItem> item(new TQueueItem());
    item->Host.Assign(host);
    item->TransferDirection = direction;
    item->LocalRoot = IncludeTrailingBackslash(localRoot);
    item->RemoteRoot = IncludeTrailingSlash(remoteRoot);
    // Neither path is derived: the name is the reason the row exists.
    item->RemoteFilename = direction == tdDownload ? std::string(path) : item->RemoteRoot;
    item->LocalFilename = direction == tdDownload ? item->LocalRoot : std::string(path);
    item->FileModifiedDateTime = -1;
    item->Status = qsFailed;
    item->StatusText = reason;
    item->RefusedReason = reason;
    item->LastError = std::make_unique<EUnsafeLocalPath>(reason);
    return item;
}

TQueueItem::~TQueueItem() = default;

void TQueueItem::SetStatus(TQueueItemStatus code, const std::string& text)
{
    Status = code;
    StatusText = text;
    if (OnStatusChange)
        OnStatusChange(*this, code, text);
}

void TQueueItem::UpdateFromTransfer()
{
    if (Transfer == nullptr)
        return;
    SetStatus(Transfer->RecordedStatusCode(), Transfer->RecordedStatusText());
}

std::int64_t TQueueItem::BytesDone() const
{
    return Transfer != nullptr ? Transfer->BytesDone() : 0;
}

void TQueueItem::Stop()
{
    if (Transfer != nullptr)
        Transfer->RequestStop();
    SetStatus(qsStopped, QueueStatusText(qsStopped));
}

const std::string& TQueueItem::GetLocalFilename()
{
    if (LocalFilename.empty())
        LocalFilename = DeriveLocalFilename(RemoteRoot, RemoteFilename, LocalRoot);
    return LocalFilename;
}

const std::string& TQueueItem::GetRemoteFilename()
{
    if (RemoteFilename.empty())
        RemoteFilename = DeriveRemoteFilename(LocalRoot, LocalFilename, RemoteRoot);
    return RemoteFilename;
}

std::string DeriveLocalFilename(std::string_view remoteRoot, std::string_view remotePath,
                                std::string_view localRoot)
{
    const std::string_view below = CutFront(remotePath, remoteRoot.size());
    if (below.find('\0') != std::string_view::npos || below.find('\\') != std::string_view::npos
        || HasParentComponent(below))
        throw EUnsafeLocalPath("The remote name \"" + std::string(remotePath)
                               + "\" cannot be stored below the local folder \"" + std::string(localRoot) + "\".");
    return IncludeTrailingBackslash(localRoot) + ToLocalSeparators(below);
}

std::string DeriveRemoteFilename(std::string_view localRoot, std::string_view localPath,
                                 std::string_view remoteRoot)
{
    return IncludeTrailingSlash(remoteRoot) + ToRemoteSeparators(CutFront(localPath, localRoot.size()));
}

bool IsInsideLocalRoot(std::string_view localRoot, std::string_view localPath)
{
    const std::string root = IncludeTrailingBackslash(localRoot);
    if (!localPath.starts_with(root))
        return false;
    const std::string_view below = localPath.substr(root.size());
    return below.find('\0') == std::string_view::npos && !HasParentComponent(below);
}

bool IsSafeRemoteEntryName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}
