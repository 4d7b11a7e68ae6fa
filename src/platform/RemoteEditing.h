#pragma once
// TRemoteEditing: "Open" on remote files. The files are downloaded through
// the queue into the program's temporary folder; when such a download
// completes, OpenForEditing() starts the desktop's default application on
// the copy and watches it; when that program exits and the copy changed,
// AskUpload decides whether it goes back, as an upload that overwrites
// the remote file and runs at once. The copies are deleted by
// DeleteCopies() (and the destructor), whether their programs still run or
// not.
//
// Contract:
// - User-interface thread only (a Qt event loop reports the exits).
// - The temporary folder is private to the user (PrivateTempFolder()).
// - A copy counts as changed when its modification time (full resolution)
//   or its size differ from when the program was started; a deleted copy
//   is not uploaded.
// - Failures to start the program are silent (the copy stays until
//   shutdown); an exception raised while queueing the upload goes to
//   OnError.

#include "hosts/Host.h"
#include "platform/ProcessRunner.h"
#include "store/Helpers.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TQueueItem;
class TQueueManager;

/// The state of a local file, to tell whether it changed.
struct TFileStamp {
    bool Exists = false;
    std::int64_t ModifiedNs = 0;
    std::int64_t Size = 0;
    static TFileStamp Of(const std::string& path);
    bool operator==(const TFileStamp&) const = default;
};

struct TTempFile {
    THost Host;
    std::string RemoteRoot;
    std::string LocalCopy;
    std::unique_ptr<TProcessRunner> Process;
    TFileStamp OpenedModified;
};

/// One remote row to open.
struct TOpenRow {
    std::string Name;
    std::int64_t Size = 0;
    TDateTime Modified = -1;
    bool IsDirectory = false;
};

class TRemoteEditing {
public:
    /// The question "The file %s was modified ..." for a local path; true
    /// for Yes (a suppressed question answers No).
    std::function<bool(const std::string& localCopy)> AskUpload;
    /// The program for a copy; the default is the desktop's (OpenCommandFor).
    std::function<std::vector<std::string>(const std::string& localCopy)> CommandFor;
    std::function<void(std::exception_ptr error)> OnError;

    /// `tempFolder` empty: the private temporary folder (made now).
    explicit TRemoteEditing(TQueueManager& queue, std::string tempFolder = {});
    ~TRemoteEditing();
    TRemoteEditing(const TRemoteEditing&) = delete;
    TRemoteEditing& operator=(const TRemoteEditing&) = delete;

    /// The user's private temporary folder, made when missing. Raises
    /// EInOutError when no private folder can be made.
    static std::string PrivateTempFolder();
    const std::string& TempFolder() const { return tempFolder_; }

    /// Queues one download per row (scheduled, OpenWhenDone) from
    /// `remoteDirectory` into the temporary folder, then starts transfers.
    void Open(const THost& host, const std::string& remoteDirectory, const std::vector<TOpenRow>& rows);
    /// A download marked OpenWhenDone completed: start its program. Every
    /// copy gets an entry (without a process when none could start).
    void OpenForEditing(TQueueItem& item);
    /// A started program ended.
    void EditorClosed(TProcessRunner& process);
    /// Deletes every copy that still exists; the entries stay.
    void DeleteCopies();

    const std::vector<std::unique_ptr<TTempFile>>& Files() const { return files_; }

private:
    TQueueManager& queue_;
    std::string tempFolder_;
    std::vector<std::unique_ptr<TTempFile>> files_;
    std::vector<std::string> queued_; // copies queued by Open(), done or not
};
