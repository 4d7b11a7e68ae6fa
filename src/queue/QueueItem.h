#pragma once
// TQueueItem: one pending transfer of one file or one directory tree, in
// one direction, between a local path and a remote path on one host.
//
// Contract:
// - Made by NewDownload()/NewUpload() (the queue manager's AddDownload and
//   AddUpload), changed and destroyed on the user-interface thread. A
//   transfer thread reads the fields of the item it runs and writes
//   Progress (atomic); everything else it changes through calls run on the
//   user-interface thread (SetStatus, UpdateFromTransfer).
// - RemoteRoot always ends in "/", LocalRoot always in the local separator.
// - The item owns its Host copy and LastError.
// - A download never maps outside its LocalRoot: NewDownload() and
//   GetLocalFilename() raise EUnsafeLocalPath for a remote path whose part
//   below RemoteRoot holds a ".." component, a "\" or a NUL.
// - Sizes are 64-bit byte counts; -1 means unknown. FileModifiedDateTime is
//   -1 when unknown.

#include "hosts/Host.h"
#include "queue/QueueItemStatus.h"
#include "store/DataDirectory.h"
#include "store/Helpers.h"
#include "store/SettingsTypes.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

class TQueueItem;

enum TTransferDirection { tdUpload, tdDownload };

/// A remote name that would be stored outside the download's local root.
class EUnsafeLocalPath : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What an item needs from the transfer thread running it.
class TQueueItemTransfer {
public:
    virtual ~TQueueItemTransfer() = default;
    /// Bytes of the current data transfer plus the resume offset. Any thread.
    virtual std::int64_t BytesDone() const = 0;
    /// Asks the thread to stop. User-interface thread.
    virtual void RequestStop() = 0;
    /// The status code and text the thread last recorded.
    virtual TQueueItemStatus RecordedStatusCode() const = 0;
    virtual std::string RecordedStatusText() const = 0;
};

/// The user-interface object of the item's row; owned by the main window.
class TQueueItemProgressBar;

class TQueueItem {
public:
    using TStatusChange = std::function<void(TQueueItem& item, TQueueItemStatus code, const std::string& text)>;

    /// A download of `remotePath` below `remoteRoot` into `localRoot`. A
    /// directory gets FileSize 0. Raises EUnsafeLocalPath when the remote
    /// path would map outside the local root.
    static std::unique_ptr<TQueueItem> NewDownload(const THost& host, std::string_view remoteRoot, bool scheduled,
                                                   TDateTime modified, std::int64_t size, bool isDirectory,
                                                   std::string_view localRoot, std::string_view remotePath);
    /// An upload of `localPath` (a file or a directory) below `localRoot` to
    /// `remoteRoot`. Size and time come from the local path now; a file that
    /// cannot be opened for reading raises EInOutError.
    static std::unique_ptr<TQueueItem> NewUpload(const THost& host, std::string_view localRoot, bool scheduled,
                                                 std::string_view remoteRoot, std::string_view localPath);
    /// A row for an entry that a directory expansion found but cannot
    /// queue (a remote name that would leave `localRoot`, a local file that
    /// cannot be read): failed with `reason`, unscheduled. `path` is the
    /// remote path of a download or the local path of an upload; the other
    /// path is its root. It never transfers and the queue file leaves it out.
    static std::unique_ptr<TQueueItem> NewRefusedItem(const THost& host, TTransferDirection direction,
                                                      std::string_view remoteRoot, std::string_view localRoot,
                                                      std::string_view path, const std::string& reason);

    TQueueItem(const TQueueItem&) = delete;
    TQueueItem& operator=(const TQueueItem&) = delete;
    ~TQueueItem();

    THost Host;
    TTransferDirection TransferDirection = tdDownload;
    std::string RemoteRoot = "/";
    std::string RemoteFilename;
    std::string LocalRoot;
    std::string LocalFilename;
    bool IsDirectory = false;
    std::int64_t FileSize = 0;
    TDateTime FileModifiedDateTime = 0;
    bool Scheduled = false;
    TQueueItemStatus Status = qsAwaiting;
    std::string StatusText;
    /// Percent done (0..100), written by the transfer thread.
    std::atomic<int> Progress{0};
    int RetryCount = 0;
    int RetryDelayLeft = 0;
    /// Copy of the error of the last failed attempt (see CopyErrorForQueue).
    std::unique_ptr<std::exception> LastError;
    TFileAlreadyExistsAction SameSizeAction = faeAsk;
    TFileAlreadyExistsAction SmallerAction = faeAsk;
    bool OpenWhenDone = false;
    /// The thread running the item; set while, and only while, one does.
    TQueueItemTransfer* Transfer = nullptr;
    TQueueItemProgressBar* ProgressBar = nullptr;
    TStatusChange OnStatusChange;
    /// Why this row can never transfer (see NewRefusedItem); empty for
    /// every ordinary item.
    std::string RefusedReason;

    /// Stores both and fires OnStatusChange.
    void SetStatus(TQueueItemStatus code, const std::string& text);
    /// Takes the status the running transfer last recorded, and fires
    /// OnStatusChange. Nothing happens when no transfer runs the item.
    void UpdateFromTransfer();
    /// The running transfer's byte count, or 0.
    std::int64_t BytesDone() const;
    /// Asks a running transfer to stop, then SetStatus(qsStopped, "Transfer stopped.").
    void Stop();

    /// The local path; for a download derived from the remote path once
    /// (LocalRoot + the remote path without its first RemoteRoot-length
    /// characters, "/" turned into the local separator). Raises
    /// EUnsafeLocalPath for a path that would leave LocalRoot.
    const std::string& GetLocalFilename();
    /// The remote path; for an upload derived from the local path once.
    const std::string& GetRemoteFilename();

private:
    TQueueItem() = default;
};

/// The local path for `remotePath` of a download, as GetLocalFilename()
/// derives it. Raises EUnsafeLocalPath when the part of `remotePath` after
/// the first remoteRoot.size() characters holds a ".." component, a "\"
/// or a NUL.
std::string DeriveLocalFilename(std::string_view remoteRoot, std::string_view remotePath,
                                std::string_view localRoot);
/// The remote path for `localPath` of an upload, as GetRemoteFilename()
/// derives it.
std::string DeriveRemoteFilename(std::string_view localRoot, std::string_view localPath,
                                 std::string_view remoteRoot);

/// True when `localPath` lies inside `localRoot` (taken with its trailing
/// separator): it starts with the root, and the rest has no ".." component
/// (between "/" or "\" separators) and no NUL. The transfer thread checks every local
/// target with it before writing.
bool IsInsideLocalRoot(std::string_view localRoot, std::string_view localPath);

/// True when a name from a remote listing can be stored below a local
/// directory as one entry: not empty, not "." or "..", and free of "/",
/// "\" and NUL.
bool IsSafeRemoteEntryName(std::string_view name);
