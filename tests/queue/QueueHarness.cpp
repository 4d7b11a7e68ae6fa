#include "QueueHarness.h"

#include "servers/TestServers.h"

QueueSettings::QueueSettings() : dataDir_(MakeTempDir("tovrel-queue-data"))
{
    config_ = std::make_unique<TMainConfig>(dataDir_);
    TMainConfig::SetInstance(config_.get());
}

QueueSettings::~QueueSettings()
{
    TMainConfig::SetInstance(nullptr);
    config_.reset();
    RemoveTree(dataDir_);
}

std::string ItemName(const TQueueItem& item)
{
    return item.TransferDirection == tdDownload ? item.RemoteFilename : item.LocalFilename;
}

QueueHarness::QueueHarness(TQueueManager::TThreadFactory factory)
    : Manager(std::make_unique<TQueueManager>(Dispatcher, nullptr, std::move(factory)))
{
    Manager->OnItemDone = [this](TQueueItem& item) { done_.push_back(ItemName(item)); };
    Manager->OnItemFailed = [this](TQueueItem& item) { failed_.push_back(ItemName(item)); };
    Manager->OnItemStatus = [this](TQueueItem& item, TQueueItemStatus code, const std::string&) {
        statuses_[&item].push_back(code);
    };
}

QueueHarness::~QueueHarness()
{
    Manager.reset();
}

bool QueueHarness::WaitFor(const std::function<bool()>& done, int seconds)
{
    return Dispatcher.WaitFor(done, std::chrono::seconds(seconds));
}

bool QueueHarness::WaitIdle(int seconds)
{
    // Shutdown() waits for detached threads too, running their hand-overs.
    return WaitFor([&] { return Manager->ThreadCount() == 0; }, seconds)
           && Manager->Shutdown(std::chrono::seconds(seconds));
}

std::vector<int> QueueHarness::StatusesOf(const TQueueItem* item) const
{
    const auto found = statuses_.find(item);
    return found == statuses_.end() ? std::vector<int>{} : found->second;
}

std::size_t QueueHarness::StatusEventsOf(const TQueueItem* item) const
{
    return StatusesOf(item).size();
}
