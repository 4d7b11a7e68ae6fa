#include "queue/QueueManager.h"

#include "queue/FTPTransfer.h"
#include "session/TransferExceptions.h"
#include "store/MainConfig.h"

#include <algorithm>

namespace {

bool IsFileExistsError(const std::exception* error)
{
    return dynamic_cast<const EFTPFileAlreadyExistsException*>(error) != nullptr;
}

} // namespace

TQueueManager::TQueueManager(TEventDispatcher& dispatcher, const TFileTransferTypes* transferTypes,
                             TThreadFactory factory)
    : dispatcher_(dispatcher), transferTypes_(transferTypes), factory_(std::move(factory))
{
    if (!factory_)
        factory_ = [](TQueueManager& manager) { return std::make_shared<TFTPTransfer>(manager); };
}

TQueueManager::~TQueueManager()
{
    Shutdown(std::chrono::hours(24));
    std::lock_guard lock(queueLock_);
    for (const auto& item : items_)
        item->OnStatusChange = nullptr;
}

// ---- the queue -----------------------------------------------------------------

std::shared_ptr<TQueueItem> TQueueManager::Find(const TQueueItem* item) const
{
    const auto found = index_.find(item);
    return found == index_.end() ? nullptr : *found->second.Position;
}

TQueueItem& TQueueManager::AddDownload(const THost& host, std::string_view remoteRoot, bool scheduled,
                                       TDateTime modified, std::int64_t size, bool isDirectory,
                                       std::string_view localRoot, std::string_view remotePath)
{
    return Append(TQueueItem::NewDownload(host, remoteRoot, scheduled, modified, size, isDirectory, localRoot,
                                          remotePath),
                  downloadSameSize_, downloadSmaller_);
}

TQueueItem& TQueueManager::AddUpload(const THost& host, std::string_view localRoot, bool scheduled,
                                     std::string_view remoteRoot, std::string_view localPath)
{
    return Append(TQueueItem::NewUpload(host, localRoot, scheduled, remoteRoot, localPath), uploadSameSize_,
                  uploadSmaller_);
}

TQueueItem& TQueueManager::AddRefusedItem(const THost& host, TTransferDirection direction,
                                          std::string_view remoteRoot, std::string_view localRoot,
                                          std::string_view path, const std::string& reason)
{
    const bool upload = direction == tdUpload;
    return Append(TQueueItem::NewRefusedItem(host, direction, remoteRoot, localRoot, path, reason),
                  upload ? uploadSameSize_ : downloadSameSize_, upload ? uploadSmaller_ : downloadSmaller_);
}

TQueueItem& TQueueManager::Append(std::unique_ptr<TQueueItem> created, TFileAlreadyExistsAction sameSize,
                                  TFileAlreadyExistsAction smaller)
{
    std::lock_guard lock(queueLock_);
    std::shared_ptr<TQueueItem> item(std::move(created));
    TQueueItem& added = *item;
    added.OnStatusChange = [this](TQueueItem& changed, TQueueItemStatus code, const std::string& text) {
        if (code == qsAwaiting)
            MarkCandidate(changed);
        if (OnItemStatus)
            OnItemStatus(changed, code, text);
    };
    items_.push_back(std::move(item));
    index_.emplace(&added, TEntry{nextOrder_++, std::prev(items_.end())});
    added.SameSizeAction = sameSize;
    added.SmallerAction = smaller;
    if (OnItemAdded)
        OnItemAdded(added);
    if (added.RefusedReason.empty())
        added.SetStatus(qsAwaiting, QueueStatusText(qsAwaiting));
    else
        added.SetStatus(qsFailed, added.RefusedReason);
    return added;
}

void TQueueManager::MarkCandidate(const TQueueItem& item)
{
    const auto found = index_.find(&item);
    if (found != index_.end())
        candidates_.emplace(found->second.Order, &item);
}

void TQueueManager::ItemReady(TQueueItem& item)
{
    std::lock_guard lock(queueLock_);
    MarkCandidate(item);
}

void TQueueManager::RemoveItem(TQueueItem& item)
{
    std::lock_guard lock(queueLock_);
    const auto found = index_.find(&item);
    if (found == index_.end())
        return;
    // Keeps the item alive through the events even when nothing else holds it.
    const std::shared_ptr<TQueueItem> keep = *found->second.Position;
    if (OnItemRemoving)
        OnItemRemoving(item);
    if (item.Status != qsAwaiting && item.Status != qsComplete)
        item.Stop();
    // A thread may still hold the item; from now on nothing it reports
    // reaches the queue.
    item.OnStatusChange = nullptr;
    item.Transfer = nullptr;
    const TEntry entry = index_.at(&item);
    candidates_.erase({entry.Order, &item});
    waiting_.erase({entry.Order, &item});
    items_.erase(entry.Position);
    index_.erase(&item);
}

void TQueueManager::ClearQueue()
{
    std::lock_guard lock(queueLock_);
    while (!items_.empty())
        RemoveItem(*items_.front());
}

// ---- commands --------------------------------------------------------------------

void TQueueManager::StartTransfers()
{
    StartThreads(MainConfig().MaxFTPTransferCount());
}

void TQueueManager::StartThreads(int limit)
{
    ReapFinished();
    std::size_t itemCount = 0;
    {
        std::lock_guard lock(queueLock_);
        // The ready index usually answers at once; the full walk only runs
        // when nothing is ready.
        const auto scheduled = [](const TQueueItem* item) { return item->Scheduled; };
        bool any = std::any_of(candidates_.begin(), candidates_.end(),
                               [&](const auto& entry) { return scheduled(entry.second); });
        if (!any)
            any = std::any_of(items_.begin(), items_.end(), [&](const auto& item) { return scheduled(item.get()); });
        if (!any)
            return;
        itemCount = items_.size();
    }
    std::lock_guard lock(threadsLock_);
    while (static_cast<int>(threads_.size()) < limit && itemCount > 0) {
        std::shared_ptr<TTransferThread> thread = factory_(*this);
        thread->SetOnNextItem([this](TTransferThread& t) { HandOut(t); });
        thread->SetOnEnded([this](TTransferThread& t) { ThreadEnded(t); });
        threads_.push_back(thread);
        started_.push_back(thread);
        ++threadsStarted_;
        thread->Start();
        --itemCount;
    }
}

void TQueueManager::PlayAll()
{
    {
        std::lock_guard lock(queueLock_);
        for (const auto& item : items_) {
            if (item->Transfer != nullptr)
                continue;
            item->Scheduled = true;
            item->RetryCount = 0;
            item->SetStatus(qsAwaiting, QueueStatusText(qsAwaiting));
        }
    }
    StartTransfers();
}

void TQueueManager::PauseAll()
{
    std::lock_guard lock(queueLock_);
    for (const auto& item : items_)
        PauseItem(*item);
}

void TQueueManager::PauseItem(TQueueItem& item)
{
    item.Scheduled = false;
    if (item.Status == qsAwaiting)
        item.SetStatus(qsPaused, QueueStatusText(qsPaused));
}

void TQueueManager::StopItem(TQueueItem& item)
{
    item.Scheduled = false;
    item.Stop();
}

void TQueueManager::StopAll()
{
    {
        std::lock_guard lock(queueLock_);
        for (const auto& item : items_) {
            item->Scheduled = false;
            item->SetStatus(qsStopped, QueueStatusText(qsStopped));
            item->Transfer = nullptr;
        }
    }
    std::lock_guard lock(threadsLock_);
    for (auto thread = threads_.rbegin(); thread != threads_.rend(); ++thread) {
        (*thread)->Detach();
        (*thread)->AssignItem(nullptr);
        (*thread)->RequestStop();
    }
    threads_.clear();
}

void TQueueManager::TransferNow(TQueueItem& item)
{
    if (item.Transfer != nullptr || !Contains(&item))
        return;
    item.Scheduled = true;
    item.Status = qsAwaiting;
    item.RetryCount = 0;
    item.SetStatus(qsAwaiting, QueueStatusText(qsAwaiting));
    // One thread more than the limit may start for it; the setting itself
    // is left alone.
    StartThreads(MainConfig().MaxFTPTransferCount() + 1);
}

void TQueueManager::TickRetryDelays()
{
    bool becameReady = false;
    {
        std::lock_guard lock(queueLock_);
        for (auto entry = waiting_.begin(); entry != waiting_.end();) {
            auto* item = const_cast<TQueueItem*>(entry->second);
            if (--item->RetryDelayLeft > 0) {
                ++entry;
                continue;
            }
            item->RetryDelayLeft = 0;
            entry = waiting_.erase(entry);
            // The status text keeps showing the last error.
            item->Status = qsAwaiting;
            MarkCandidate(*item);
            becameReady = true;
        }
    }
    if (becameReady)
        StartTransfers();
}

// ---- hand-over handlers --------------------------------------------------------

void TQueueManager::HandOut(TTransferThread& thread)
{
    std::lock_guard lock(queueLock_);
    if (const std::shared_ptr<TQueueItem> item = thread.Item())
        RecordOutcome(thread, item);
    std::shared_ptr<TQueueItem> next;
    if (!thread.StopRequested() && !thread.Detached())
        next = NextEligible(MainConfig().MaxRetryCount());
    if (next)
        next->Transfer = &thread;
    thread.AssignItem(std::move(next));
}

void TQueueManager::RecordOutcome(TTransferThread& thread, const std::shared_ptr<TQueueItem>& item)
{
    std::unique_ptr<std::exception> error = thread.TakeError();
    if (item->Transfer != &thread)
        return;  // removed or stopped meanwhile: nothing reaches the queue
    item->Transfer = nullptr;
    if (!Contains(item.get()))
        return;
    if (!error) {
        if (OnItemDone)
            OnItemDone(*item);
        RemoveItem(*item);
        return;
    }
    const bool conflict = IsFileExistsError(error.get());
    item->LastError = std::move(error);
    if (!conflict) {
        ++item->RetryCount;
        item->RetryDelayLeft = MainConfig().RetryDelay();
        if (item->RetryDelayLeft > 0)
            waiting_.emplace(index_.at(item.get()).Order, item.get());
    }
    if (OnItemFailed)
        OnItemFailed(*item);
}

bool TQueueManager::IsEligible(const TQueueItem& item, int maxRetries)
{
    return item.Status == qsAwaiting && item.Scheduled && item.RetryCount < maxRetries && item.RetryDelayLeft == 0
           && item.Transfer == nullptr;
}

std::shared_ptr<TQueueItem> TQueueManager::NextEligible(int maxRetries)
{
    while (!candidates_.empty()) {
        const TQueueItem* item = candidates_.begin()->second;
        candidates_.erase(candidates_.begin());
        if (IsEligible(*item, maxRetries))
            return Find(item);
        // Passed over: it comes back when it may be ready again (status 11,
        // end of its retry delay, play).
    }
    return nullptr;
}

void TQueueManager::ThreadEnded(TTransferThread& thread)
{
    {
        std::lock_guard lock(threadsLock_);
        std::erase_if(threads_, [&](const auto& running) { return running.get() == &thread; });
    }
    // An item may have become ready while every thread was busy (the retry
    // countdown, an answered question): without this it would wait for the
    // next play.
    if (HasEligible())
        StartTransfers();
}

bool TQueueManager::HasEligible()
{
    std::lock_guard lock(queueLock_);
    const int maxRetries = MainConfig().MaxRetryCount();
    while (!candidates_.empty()) {
        if (IsEligible(*candidates_.begin()->second, maxRetries))
            return true;
        candidates_.erase(candidates_.begin());
    }
    return false;
}

std::size_t TQueueManager::ThreadCount() const
{
    std::lock_guard lock(threadsLock_);
    return threads_.size();
}

void TQueueManager::ReapFinished()
{
    std::vector<std::shared_ptr<TTransferThread>> finished;
    {
        std::lock_guard lock(threadsLock_);
        for (auto thread = started_.begin(); thread != started_.end();) {
            if ((*thread)->Finished()) {
                finished.push_back(*thread);
                thread = started_.erase(thread);
            } else {
                ++thread;
            }
        }
    }
    for (const auto& thread : finished)
        thread->Join();
}

bool TQueueManager::Shutdown(std::chrono::milliseconds timeout)
{
    std::vector<std::shared_ptr<TTransferThread>> all;
    {
        std::lock_guard lock(threadsLock_);
        all = started_;
        threads_.clear();
    }
    {
        std::lock_guard lock(queueLock_);
        for (const auto& item : items_)
            item->Transfer = nullptr;
    }
    for (const auto& thread : all) {
        thread->Detach();
        thread->RequestStop();
        thread->RequestStop();
    }
    const auto allFinished = [&] {
        return std::all_of(all.begin(), all.end(), [](const auto& thread) { return thread->Finished(); });
    };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Slices, so a dispatcher that was shut down (and wakes nobody) is no trap.
    while (!allFinished() && std::chrono::steady_clock::now() < deadline)
        dispatcher_.WaitFor(allFinished, std::chrono::milliseconds(100));
    ReapFinished();
    return allFinished();
}

// ---- the queue file --------------------------------------------------------------

void TQueueManager::SaveToFile(const std::string& path)
{
    std::lock_guard lock(queueLock_);
    std::vector<TQueueItem*> items;
    items.reserve(items_.size());
    for (const auto& item : items_)
        items.push_back(item.get());
    SaveQueueFile(path, items);
}

void TQueueManager::LoadFromFile(const std::string& path)
{
    const THostLookup lookup = hostLookup_ ? hostLookup_ : THostLookup([](std::string_view) -> const THost* {
        return nullptr;
    });
    std::lock_guard lock(queueLock_);
    LoadQueueFile(path, lookup, [this](std::unique_ptr<TQueueItem> item) {
        const bool upload = item->TransferDirection == tdUpload;
        Append(std::move(item), upload ? uploadSameSize_ : downloadSameSize_,
               upload ? uploadSmaller_ : downloadSmaller_);
    });
}

void TQueueManager::SaveDefault()
{
    SaveToFile(DefaultQueueFilePath());
}

void TQueueManager::LoadDefault()
{
    LoadFromFile(DefaultQueueFilePath());
}
