#pragma once
// TFTPTransfer: a transfer thread that carries out queue items over an FTP
// connection of its own. The connection stays open from one item to the
// next while they go to the same host name and port, so a batch of files to
// one server costs one login.
//
// One attempt: connect and log in when needed, then a file is downloaded
// (resumed with REST when the item allows it) or uploaded (always "APPE",
// from the remote size when resuming), and a directory item is expanded
// into one new queue item per entry. Existing targets follow the item's
// SameSizeAction/SmallerAction; a conflict fails the attempt with one of
// the file-exists errors. An upload only counts as complete when "SIZE" of
// the uploaded name (in "TYPE I") is not smaller than the local file.
// Downloads are written only inside the item's LocalRoot; remote entries
// whose names would leave it become refused rows instead.
//
// Threads: see TTransferThread. The engine is used on this thread only;
// other threads cut it through CutConnection().

#include "ftp/FTP.h"
#include "queue/TransferThread.h"
#include "store/SettingsTypes.h"

#include <mutex>
#include <string>
#include <vector>

class TQueueManager;
class TFileTransferTypes;

/// One entry found by a directory expansion. A remote expansion fills all
/// but LocalPath; a local one only LocalPath.
struct TSyncQueueItem {
    std::string RemotePath;
    std::string LocalPath;
    bool IsDirectory = false;
    std::int64_t FileSize = 0;
    TDateTime FileModifiedDateTime = 0;
    /// Set when the entry's name cannot be stored locally: why.
    std::string Refused;
};

class TFTPTransfer : public TTransferThread {
public:
    explicit TFTPTransfer(TQueueManager& manager);
    ~TFTPTransfer() override;

    /// The engine's log of every command and reply line of this thread's
    /// connections, for tests ("USER ..." counts logins). Off by default.
    void SetTrafficLog(std::function<void(const std::string& line)> log);

protected:
    void Attempt(TQueueItem& item) override;
    void CutConnection() override;
    void CutData() override;

private:
    void ConnectFor(TQueueItem& item);
    void InstallTransport(bool useTLS, std::uint16_t port);
    void TransferItem(TQueueItem& item);
    void CheckInsideRoot(const TQueueItem& item, const std::string& local);
    void DownloadFile(TQueueItem& item);
    std::int64_t LearnRemoteSize(TQueueItem& item);
    void CheckExistingLocal(TQueueItem& item, const std::string& local, std::int64_t fileSize);
    void UploadFile(TQueueItem& item);
    /// What lies under an upload's name in the current folder.
    struct TRemoteTarget {
        bool Exists = false;
        std::int64_t Size = -1;        // from "SIZE"; -1: not told
        std::int64_t ListedSize = -1;  // from a listing, when one was needed
        TDateTime Modified = 0;
    };
    TRemoteTarget ProbeRemoteTarget(const std::string& name);
    /// From "MDTM" when the server lists it among its features; 0: unknown.
    TDateTime RemoteModifiedTime(const std::string& name);
    void CheckExistingRemote(TQueueItem& item, const std::string& name);
    void VerifyUploadedSize(const std::string& name, std::int64_t localSize);
    void ExpandRemoteDirectory(TQueueItem& item, const std::string& path);
    void ExpandLocalDirectory(TQueueItem& item, const std::string& path);
    void AddFoundEntries(TQueueItem& item);
    void ForceRemoteDirectories(const std::string& path);
    /// Sends "TYPE A" or "TYPE I" for the file's extension; answers which.
    std::string SendTransferType(const std::string& localName);
    /// Sends a "TYPE" command unless the server was told that type last.
    void SetWireType(const std::string& command);
    /// A detailed listing of `specifier`, keeping track of the type.
    void ListRemote(const std::string& specifier);
    /// "CWD" to an upload's folder (created when missing), unless the
    /// connection is there already.
    void EnterRemoteFolder(const std::string& folder);
    void AttachHooks(TQueueItem& item);
    void DetachHooks();
    void OnEngineStatus(TIdStatus status);
    void DropConnectionAfter(const std::exception& error);
    void RecordFailure(const std::string& text);

    TQueueManager& manager_;
    const TFileTransferTypes* transferTypes_;
    TIdFTP engine_;
    std::mutex engineLock_;  // transport replacement against a cut from another thread
    bool engineUsed_ = false;  // under engineLock_
    // This thread only:
    bool statusAttached_ = false;
    bool failureRecorded_ = false;
    bool aborted_ = false;
    std::vector<TSyncQueueItem> foundEntries_;
    std::string wireType_;      // "TYPE ..." the server was told last; empty: not certain
    std::string remoteFolder_;  // absolute folder the connection is in; empty: not certain
    std::function<void(const std::string& line)> trafficLog_;
};

/// The time of a "213 YYYYMMDDHHMMSS" reply (UTC) as local time; 0 when
/// the reply is not one.
TDateTime ParseModificationReply(const TIdReplyFTP& reply);

/// Creates every missing component of a local directory path; errors are
/// ignored (the transfer that follows reports them).
void ForceLocalDirectories(const std::string& path);
