#pragma once
// TQueueManager: the single owner of the transfer queue. It keeps the items
// in insertion order, starts transfer threads up to "MaxFTPTransferCount",
// hands each thread its next item, applies the user's commands (play,
// pause, stop, transfer now, delete, clear), counts failed attempts and
// lets failed items wait "RetryDelay" seconds, and reads and writes the
// queue file.
//
// Contract:
// - Every operation runs on the thread that owns the dispatcher (the
//   user-interface thread); threads reach the manager only through
//   synchronous hand-overs. Events fire on that thread.
// - The queue lock (QueueLock(), re-entrant) guards the item list; hold it
//   while walking Items(). The thread-list lock guards the threads; no
//   operation holds both.
// - Items are shared: an item removed (or stopped with StopAll) while a
//   thread runs it stays alive until that thread lets go, but nothing the
//   thread reports afterwards reaches the queue (its status handler and
//   Transfer link are cleared).
// - Hand-out, retry countdown and look-ups do not walk the whole queue per
//   item: an ordered index keeps the items that may be ready, in queue order.
//   Code that sets an item's Status to qsAwaiting without SetStatus() (the
//   existing-file round) calls ItemReady() for it.
// - The destructor (or Shutdown()) stops every thread it started, detached
//   ones included, runs their pending hand-overs and joins them.

#include "queue/QueueFile.h"
#include "queue/QueueItem.h"
#include "queue/TransferThread.h"
#include "session/EventDispatcher.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class TFileTransferTypes;

class TQueueManager {
public:
    using TItemList = std::list<std::shared_ptr<TQueueItem>>;
    using TItemEvent = std::function<void(TQueueItem& item)>;
    using TItemStatusEvent = std::function<void(TQueueItem& item, TQueueItemStatus code, const std::string& text)>;
    /// Makes a transfer thread (not started). The default makes TFTPTransfer.
    using TThreadFactory = std::function<std::shared_ptr<TTransferThread>(TQueueManager& manager)>;

    /// `dispatcher` is the owner thread's loop and must outlive the manager.
    /// `transferTypes` (may be nullptr: every file is of unknown type) must
    /// outlive the manager's threads.
    explicit TQueueManager(TEventDispatcher& dispatcher, const TFileTransferTypes* transferTypes = nullptr,
                           TThreadFactory factory = {});
    ~TQueueManager();
    TQueueManager(const TQueueManager&) = delete;
    TQueueManager& operator=(const TQueueManager&) = delete;

    // Events (owner thread).
    TItemEvent OnItemAdded;
    TItemStatusEvent OnItemStatus;
    TItemEvent OnItemRemoving;
    TItemEvent OnItemDone;
    TItemEvent OnItemFailed;

    // The queue.
    std::recursive_mutex& QueueLock() { return queueLock_; }
    /// The items in queue order; hold QueueLock() while walking them.
    const TItemList& Items() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    /// The shared handle of an item in the queue, or nullptr.
    std::shared_ptr<TQueueItem> Find(const TQueueItem* item) const;
    bool Contains(const TQueueItem* item) const { return index_.contains(item); }

    TQueueItem& AddDownload(const THost& host, std::string_view remoteRoot, bool scheduled, TDateTime modified,
                            std::int64_t size, bool isDirectory, std::string_view localRoot,
                            std::string_view remotePath);
    /// Raises (and appends nothing) when the local file cannot be opened.
    TQueueItem& AddUpload(const THost& host, std::string_view localRoot, bool scheduled,
                          std::string_view remoteRoot, std::string_view localPath);
    /// A failed, unscheduled row for an entry a directory expansion could
    /// not queue (TQueueItem::NewRefusedItem); its status text says which
    /// name and why. It never transfers and is not saved to the queue file.
    TQueueItem& AddRefusedItem(const THost& host, TTransferDirection direction, std::string_view remoteRoot,
                               std::string_view localRoot, std::string_view path, const std::string& reason);
    void RemoveItem(TQueueItem& item);
    void ClearQueue();

    // Commands.
    void StartTransfers();
    void PlayAll();
    void PauseAll();
    void StopAll();
    void TransferNow(TQueueItem& item);
    void PauseItem(TQueueItem& item);
    void StopItem(TQueueItem& item);
    /// Once a second: counts retry delays down and starts what became ready.
    void TickRetryDelays();
    /// An item whose Status was set to qsAwaiting directly may run again.
    void ItemReady(TQueueItem& item);

    // Thread hand-over handlers (run on the owner thread).
    void HandOut(TTransferThread& thread);
    /// Takes the thread off the list, and starts threads again when an item
    /// became ready while all of them were busy.
    void ThreadEnded(TTransferThread& thread);

    /// Threads started and not ended or detached.
    std::size_t ThreadCount() const;
    /// Threads started since creation (for tests and the log).
    std::size_t ThreadsStarted() const { return threadsStarted_; }
    /// Stops every thread and waits up to `timeout` for all of them (running
    /// their hand-overs meanwhile); answers whether all ended. The
    /// destructor calls it without a limit.
    bool Shutdown(std::chrono::milliseconds timeout);

    // Defaults of the existing-file actions, copied into new items.
    TFileAlreadyExistsAction UploadSameSizeDefault() const { return uploadSameSize_; }
    void SetUploadSameSizeDefault(TFileAlreadyExistsAction value) { uploadSameSize_ = value; }
    TFileAlreadyExistsAction UploadSmallerDefault() const { return uploadSmaller_; }
    void SetUploadSmallerDefault(TFileAlreadyExistsAction value) { uploadSmaller_ = value; }
    TFileAlreadyExistsAction DownloadSameSizeDefault() const { return downloadSameSize_; }
    void SetDownloadSameSizeDefault(TFileAlreadyExistsAction value) { downloadSameSize_ = value; }
    TFileAlreadyExistsAction DownloadSmallerDefault() const { return downloadSmaller_; }
    void SetDownloadSmallerDefault(TFileAlreadyExistsAction value) { downloadSmaller_ = value; }

    // The queue file.
    /// How LoadFromFile finds hosts (e.g. HostLookupIn(hosts, quickHosts)).
    void SetHostLookup(THostLookup lookup) { hostLookup_ = std::move(lookup); }
    void SaveToFile(const std::string& path);
    void LoadFromFile(const std::string& path);
    void SaveDefault();
    void LoadDefault();

    TEventDispatcher& Dispatcher() const { return dispatcher_; }
    const TFileTransferTypes* TransferTypes() const { return transferTypes_; }

private:
    struct TEntry {
        std::uint64_t Order;
        TItemList::iterator Position;
    };

    TQueueItem& Append(std::unique_ptr<TQueueItem> item, TFileAlreadyExistsAction sameSize,
                       TFileAlreadyExistsAction smaller);
    void MarkCandidate(const TQueueItem& item);
    void RecordOutcome(TTransferThread& thread, const std::shared_ptr<TQueueItem>& item);
    std::shared_ptr<TQueueItem> NextEligible(int maxRetries);
    static bool IsEligible(const TQueueItem& item, int maxRetries);
    bool HasEligible();
    void StartThreads(int limit);
    void ReapFinished();

    TEventDispatcher& dispatcher_;
    const TFileTransferTypes* transferTypes_;
    TThreadFactory factory_;
    THostLookup hostLookup_;

    std::recursive_mutex queueLock_;
    TItemList items_;
    std::unordered_map<const TQueueItem*, TEntry> index_;
    std::uint64_t nextOrder_ = 0;
    std::set<std::pair<std::uint64_t, const TQueueItem*>> candidates_;  // may be ready, queue order
    std::set<std::pair<std::uint64_t, const TQueueItem*>> waiting_;     // RetryDelayLeft > 0

    mutable std::mutex threadsLock_;
    std::vector<std::shared_ptr<TTransferThread>> threads_;  // running, attached
    std::vector<std::shared_ptr<TTransferThread>> started_;  // every thread not yet joined
    std::size_t threadsStarted_ = 0;

    TFileAlreadyExistsAction uploadSameSize_ = faeAsk;
    TFileAlreadyExistsAction uploadSmaller_ = faeAsk;
    TFileAlreadyExistsAction downloadSameSize_ = faeAsk;
    TFileAlreadyExistsAction downloadSmaller_ = faeAsk;
};
