#pragma once
// What queue tests share: a throwaway data directory with its own
// "Config.xml" installed as the program's settings, a queue manager driven
// headless by a dispatcher on the test thread, and an event record.

#include "queue/QueueManager.h"
#include "session/EventDispatcher.h"
#include "store/MainConfig.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QueueSettings {
public:
    QueueSettings();
    ~QueueSettings();
    QueueSettings(const QueueSettings&) = delete;
    QueueSettings& operator=(const QueueSettings&) = delete;

    TMainConfig& Config() { return *config_; }
    const std::string& DataDir() const { return dataDir_; }

private:
    std::string dataDir_;
    std::unique_ptr<TMainConfig> config_;
};

class QueueHarness {
public:
    /// `factory` empty: real FTP transfer threads.
    explicit QueueHarness(TQueueManager::TThreadFactory factory = {});
    ~QueueHarness();

    /// Runs the dispatcher until `done` or `seconds` passed.
    bool WaitFor(const std::function<bool()>& done, int seconds = 60);
    /// Waits until no thread runs and every started thread has ended.
    bool WaitIdle(int seconds = 60);

    std::size_t Done() const { return done_.size(); }
    std::size_t Failed() const { return failed_.size(); }
    /// Remote (downloads) or local (uploads) paths of the items done, in order.
    const std::vector<std::string>& DoneNames() const { return done_; }
    /// Status codes each item went through, by item address.
    std::vector<int> StatusesOf(const TQueueItem* item) const;
    std::size_t StatusEventsOf(const TQueueItem* item) const;

    QueueSettings Settings;
    TEventDispatcher Dispatcher;
    std::unique_ptr<TQueueManager> Manager;

private:
    std::vector<std::string> done_;
    std::vector<std::string> failed_;
    std::map<const TQueueItem*, std::vector<int>> statuses_;
};

/// The display name the harness records for an item.
std::string ItemName(const TQueueItem& item);
