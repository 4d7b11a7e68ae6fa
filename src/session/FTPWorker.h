#pragma once
// TFTPWorker: the browsing session. It owns the one connection the user
// browses with and a thread that carries out the slow operations (connect,
// log in, list, recursive delete, recursive walk) requested through a
// one-slot mailbox: a request overwrites one that the thread has not picked
// up yet.
//
// Contract:
// - Create it, attach the events, then Start(). Stop() (also run by the
//   destructor) ends the thread and closes the connection; call it from the
//   owning thread of the dispatcher, if one is given.
// - The engine belongs to the worker thread. The direct operations
//   (ChangeDir, MakeDir, DeleteEntry, RenameEntry, the SITE commands,
//   Disconnect) may be called from any thread: they run on the worker thread
//   and the caller blocks until they are done (on the dispatcher's owning
//   thread it keeps running events meanwhile, so events fired by the
//   operation cannot deadlock). Called from an event handler on the worker
//   thread they run at once. Only one operation runs at a time.
// - Events: with a dispatcher they are posted to its owning thread in the
//   order they were fired; OnDisconnected and OnSearchListing are sent (the
//   worker waits until they have run). Without a dispatcher every event runs
//   on the worker thread. OnLog runs on the connection's thread, always.
// - Errors the user should see go to PendingError() (the program's error
//   classes, session/TransferExceptions.h); its handler is the
//   "worker error" notification. The requests and queries raise nothing.

#include "ftp/FTP.h"
#include "ftp/PeerCertificate.h"
#include "hosts/Host.h"
#include "session/EventDispatcher.h"
#include "session/EventSlot.h"
#include "session/ListingCache.h"
#include "session/PendingError.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

enum class TRemoteOperation;

/// The mailbox values.
enum TWorkerCommand : std::uint8_t {
    wcNone = 0,
    wcConnect = 1,
    wcLogin = 2,
    wcList = 3,
    wcRecursiveDelete = 4,
    wcRecursiveWalk = 5,
};

enum TWorkerLogKind { wlkCommand, wlkReply };

class TFTPWorker {
public:
    using TListing = TListingCache::TListing;

    /// Events go through `dispatcher` when given (it must outlive the worker).
    explicit TFTPWorker(TEventDispatcher* dispatcher = nullptr);
    ~TFTPWorker();
    TFTPWorker(const TFTPWorker&) = delete;
    TFTPWorker& operator=(const TFTPWorker&) = delete;

    void Start();
    void Stop();

    // --- requests: return at once -----------------------------------
    /// Drops the connection, applies `host` (session/ApplyHost.h) and
    /// requests the connect (which requests the log-in when it succeeds).
    /// A host with a port outside 1..65535 raises std::invalid_argument.
    void SetHost(const THost& host);
    void RequestListing();
    /// Directory names relative to the current directory, deleted in order.
    void RequestRecursiveDelete(std::vector<std::string> names);
    /// Walks `path` (absolute or relative) firing OnSearchListing per folder.
    void RequestRecursiveSearch(const std::string& path);
    void Abort() { abort_ = true; }

    // --- direct operations -------------------------------------------
    void ChangeDir(const std::string& path);
    void ChangeDirUp();
    void MakeDir(const std::string& name);
    void DeleteEntry(const std::string& name);
    void RenameEntry(const std::string& oldName, const std::string& newName);
    /// "SITE CHMOD mode name" etc.; every error is raised to the caller.
    void ChangeMode(const std::string& name, const std::string& mode);
    void ChangeOwner(const std::string& name, const std::string& owner);
    void ChangeGroup(const std::string& name, const std::string& group);
    /// Closes the connection without "QUIT"; fires OnDisconnected.
    void Disconnect();

    // --- queries -------------------------------------------------------
    std::string CurrentDir() const;
    /// The listing of the last list command (null before one, or when it
    /// failed); an immutable snapshot that stays valid while held.
    TListing Listing() const;
    bool IsSessionOpen();
    bool ResumeSupported();
    bool IsEncrypted();
    /// The TLS protocol and cipher of the control connection ("TLSv1.3",
    /// "TLS_AES_256_GCM_SHA384"); empty without TLS.
    std::string TLSProtocol();
    std::string TLSCipher();
    /// The certificate the control connection's server presented; empty
    /// without TLS.
    std::optional<TIdPeerCertificate> PeerCertificate();
    /// The identifier of the parser that read the last listing fetched
    /// from the server (by a list command or the walk); empty when none.
    std::string ListingFormat() const;
    bool Busy() const { return busy_; }
    /// A requested operation has not been picked up yet. With !Busy() it
    /// tells that everything requested so far has ended (also by a failure
    /// that fired no event).
    bool CommandPending() const
    {
        std::lock_guard lock(mutex_);
        return command_ != wcNone;
    }
    std::string StatusText() const;
    THost Host() const;
    /// Names of the recursive delete not yet started on.
    std::vector<std::string> DeletionList() const;
    void InvalidateListing(const std::string& directory) { cache_.Invalidate(directory); }
    void ClearListingCache() { cache_.Clear(); }
    bool ListingCached(const std::string& directory) const { return cache_.Contains(directory); }

    TPendingError& PendingError() { return pendingError_; }

    // --- events --------------------------------------------------------
    TEventSlot<TFTPWorker&> OnBusy, OnIdle, OnConnected, OnLoggedIn, OnListingReady, OnDisconnected,
        OnDeleteDone, OnSearchDone;
    /// The thread ended other than by Stop(): an operation failed in a way
    /// the session cannot recover from (memory ran out). Fired after the
    /// connection was closed and OnDisconnected sent; direct operations then
    /// run on the calling thread. A front end replaces the worker.
    TEventSlot<TFTPWorker&> OnThreadEnded;
    /// One walked directory's listing; valid only during the call.
    TEventSlot<const TIdFTPListItems&> OnSearchListing;
    /// Every command sent ("PASS ******" for the password) and every reply.
    TEventSlot<TWorkerLogKind, const std::string&> OnLog;
    /// Runs on the connection's thread right after SetHost() applied the
    /// host record, before the connect: a front end may set what a host
    /// record does not hold (timeouts, SOCKS, TLS details). Never marshalled.
    TEventSlot<TIdFTP&> OnHostApplied;

private:
    struct TDirectCall;

    // thread and mailbox
    void Run();
    void Loop();
    void RunDirect(TDirectCall& direct);
    void Invoke(const std::function<void()>& operation);
    void Request(TWorkerCommand command);
    void TakeCommand();
    void RunCommand(std::uint8_t command);

    // events and status
    void Fire(const TEventSlot<TFTPWorker&>& slot, bool synchronous = false);
    void BeginOperation(const char* statusName);
    void EndOperation();
    void SetCurrentDir(std::string directory);
    /// Handles the engine failure being caught for `operation`: rethrows
    /// what is not ours, else disconnects and stores the error as mapped.
    /// Answers whether an error was stored.
    bool HandleFailure(TRemoteOperation operation);
    /// Disconnects when `failure` may have left a reply unread (see
    /// LeavesDialogueInStep); true when it did.
    bool DropIfOutOfStep(const std::exception& failure);
    void LogTraffic(TWorkerLogKind kind, const std::string& bytes);

    // operations (worker thread)
    void DoConnect();
    void DoLogin();
    void DoList();
    /// LIST -al of the working directory with its links resolved, cached;
    /// null when the abort flag cut it short.
    TListing FetchListing();
    void EndAbortedListing();
    void DoChangeDir(const std::string& path);
    void DoChangeDirUp();
    void DoDisconnect();
    void DoRecursiveDelete();
    void DoRecursiveWalk();
    void DeleteTree(const std::string& name, const std::string& parentPath);
    void CheckTreeForLinks(const std::string& name);
    /// Lists the working directory for a delete: its folders (and files);
    /// a symbolic link raises EFTRemoteSymbolicLinkInRecursiveDelete.
    std::vector<std::string> ListForDelete(std::vector<std::string>* files);
    void WalkPath(const std::string& path);
    /// Whether `name` is listed as a symbolic link in `directory` (the
    /// cached listing, else a fresh one).
    bool ListedAsLink(const std::string& directory, const std::string& name);
    void Reconnect();
    void ReconnectIfClosed();
    bool EngineConnected();
    /// Turns links into folders or files by trying "CWD" into each one and
    /// back to `directory`; stops early when the abort flag is set.
    void ResolveLinks(TIdFTPListItems& listing, const std::string& directory, bool honourAbort);

    TEventDispatcher* const dispatcher_;
    std::shared_ptr<TIdConnectionIntercept> intercept_;
    TIdFTP engine_;
    TListingCache cache_;
    TPendingError pendingError_;

    mutable std::mutex mutex_;  // everything below up to the thread
    std::condition_variable wake_;
    std::uint8_t command_ = wcNone;
    TDirectCall* direct_ = nullptr;
    bool terminate_ = false;
    bool loopEnded_ = false;
    THost host_;
    std::string currentDir_;
    std::string statusText_;
    TListing listing_;
    std::deque<std::string> deletionList_;
    std::string walkStart_;
    std::string listingFormat_;
    std::set<std::string> walked_;  // worker thread: folders the running walk has listed

    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    bool suppressSessionEvents_ = false;  // worker thread: during a reconnect
    std::thread::id workerId_;
    std::thread thread_;
};
