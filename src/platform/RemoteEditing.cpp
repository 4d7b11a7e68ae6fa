#include "platform/RemoteEditing.h"

#include "platform/OpenCommand.h"
#include "platform/PrivateFolder.h"
#include "queue/QueueManager.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <sys/stat.h>

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

TFileStamp TFileStamp::Of(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    TFileStamp stamp;
    stamp.Exists = true;
    stamp.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.Size = static_cast<std::int64_t>(st.st_size);
    return stamp;
}

std::string TRemoteEditing::PrivateTempFolder() { return ::PrivateTempFolder(); }

TRemoteEditing::TRemoteEditing(TQueueManager& queue, std::string tempFolder)
    : queue_(queue), tempFolder_(tempFolder.empty() ? PrivateTempFolder() : std::move(tempFolder))
{
    CommandFor = [](const std::string& path) { return OpenCommandFor(path).Arguments; };
}

TRemoteEditing::~TRemoteEditing() { DeleteCopies(); }

void TRemoteEditing::Open(const THost& host, const std::string& remoteDirectory, const std::vector<TOpenRow>& rows)
{
    const std::string folder = IncludeTrailingSlash(remoteDirectory);
    for (const auto& row : rows) {
        if (row.Name == "..")
            continue;
        TQueueItem& item = queue_.AddDownload(host, remoteDirectory, true, row.Modified, row.Size, row.IsDirectory,
                                              tempFolder_, folder + row.Name);
        item.OpenWhenDone = true;
        queued_.push_back(item.GetLocalFilename());
    }
    queue_.StartTransfers();
}

void TRemoteEditing::OpenForEditing(TQueueItem& item)
{
    const std::string copy = item.GetLocalFilename();
    auto entry = std::make_unique<TTempFile>();
    entry->Host.Assign(item.Host);
    entry->RemoteRoot = item.RemoteRoot;
    entry->LocalCopy = copy;
    entry->OpenedModified = TFileStamp::Of(copy);
    TTempFile& added = *files_.emplace_back(std::move(entry));
    // Without an application, or when it cannot start, the copy just waits
    // for shutdown.
    const std::vector<std::string> command = CommandFor ? CommandFor(copy) : std::vector<std::string>{};
    if (command.empty())
        return;
    auto runner = std::make_unique<TProcessRunner>();
    runner->OnExit = [this](TProcessRunner& exited) { EditorClosed(exited); };
    if (runner->Start(command))
        added.Process = std::move(runner);
}

void TRemoteEditing::EditorClosed(TProcessRunner& process)
{
    TTempFile* file = nullptr;
    for (const auto& entry : files_)
        if (entry->Process && entry->Process.get() == &process)
            file = entry.get();
    if (!file)
        return;
    const TFileStamp now = TFileStamp::Of(file->LocalCopy);
    if (!now.Exists || now == file->OpenedModified)
        return;
    if (!AskUpload || !AskUpload(file->LocalCopy))
        return;
    try {
        TQueueItem& upload = queue_.AddUpload(file->Host, FolderOf(file->LocalCopy), false, file->RemoteRoot,
                                              file->LocalCopy);
        upload.SameSizeAction = faeOverwrite;
        upload.SmallerAction = faeOverwrite;
        queue_.TransferNow(upload);
    } catch (...) {
        if (OnError)
            OnError(std::current_exception());
    }
}

void TRemoteEditing::DeleteCopies()
{
    std::vector<std::string> paths = queued_;
    for (const auto& entry : files_)
        paths.push_back(entry->LocalCopy);
    for (const auto& path : paths)
        if (QFileInfo(Q(path)).isFile())
            QFile::remove(Q(path));
}
