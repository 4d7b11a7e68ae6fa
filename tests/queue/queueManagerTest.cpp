// The manager's bookkeeping with stand-in threads that need no network:
// how many threads start, which item each gets, retries, stop and delete.

#include "QueueHarness.h"

#include "servers/TestServers.h"
#include "session/TransferExceptions.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>

namespace {

// What a stand-in attempt does with an item, by its remote name.
enum class Outcome { Succeed, Fail, Conflict, Block };

class Script {
public:
    void Set(const std::string& name, Outcome outcome)
    {
        std::lock_guard lock(mutex_);
        outcomes_[name] = outcome;
    }
    Outcome For(const std::string& name) const
    {
        std::lock_guard lock(mutex_);
        const auto found = outcomes_.find(name);
        return found == outcomes_.end() ? Outcome::Succeed : found->second;
    }
    void NoteAttempt(const std::string& name)
    {
        std::lock_guard lock(mutex_);
        attempts_.push_back(name);
        ++blocked_;
        changed_.notify_all();
    }
    std::vector<std::string> Attempts() const
    {
        std::lock_guard lock(mutex_);
        return attempts_;
    }
    std::size_t AttemptsOf(const std::string& name) const
    {
        const auto all = Attempts();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), name));
    }
    // Blocks the calling stand-in until Release() or its cut.
    void Block(const std::atomic<bool>& cut)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return released_ || cut.load(); });
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    void Wake() { changed_.notify_all(); }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Outcome> outcomes_;
    std::vector<std::string> attempts_;
    std::size_t blocked_ = 0;
    bool released_ = false;
};

class StandInThread : public TTransferThread {
public:
    StandInThread(TQueueManager& manager, Script& script)
        : TTransferThread(manager.Dispatcher()), script_(script) {}
    ~StandInThread() override
    {
        StopTransfer();
        Join();
    }

protected:
    void Attempt(TQueueItem& item) override
    {
        const std::string name = item.RemoteFilename;
        script_.NoteAttempt(name);
        SetStatus("Starting transfer", qsStarting);
        switch (script_.For(name)) {
        case Outcome::Succeed:
            break;
        case Outcome::Fail:
            SetStatus("Connection to remote host refused.", qsFailed);
            throw EFTRemoteConnectionFailed();
        case Outcome::Conflict:
            throw EFTLocalFileAlreadyExists(10, 10, "", "");
        case Outcome::Block:
            script_.Block(cut_);
            // What a transfer reports on its way out must not reach a
            // removed or stopped item.
            ReportWork(item, 5);
            SetStatus("Transfer complete", qsComplete);
            if (cut_)
                throw std::runtime_error("cut");
            break;
        }
        SetStatus("Transfer complete", qsComplete);
    }
    void CutConnection() override
    {
        cut_ = true;
        script_.Wake();
    }

private:
    Script& script_;
    std::atomic<bool> cut_{false};
};

THost TestHost()
{
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = 21;
    return host;
}

class QueueManagerTest : public ::testing::Test {
protected:
    QueueManagerTest()
        : queue([this](TQueueManager& manager) { return std::make_shared<StandInThread>(manager, script); })
    {
        queue.Settings.Config().SetMaxFTPTransferCount(3);
        queue.Settings.Config().WriteInteger("RetryDelay", 2);
        queue.Settings.Config().WriteInteger("MaxRetryCount", 3);
    }

    TQueueItem& Add(const std::string& name, bool scheduled = true)
    {
        return queue.Manager->AddDownload(TestHost(), "/", scheduled, 0, 10, false, "/tmp/unused", "/" + name);
    }
    bool Running(const std::string& name, std::size_t attempts = 1)
    {
        return queue.WaitFor([&] { return script.AttemptsOf("/" + name) >= attempts; });
    }

    Script script;
    QueueHarness queue;
};

TEST_F(QueueManagerTest, StartTransfersStartsThreadsOnlyWhenSomethingIsScheduled)
{
    for (int i = 0; i < 10; ++i)
        Add("f" + std::to_string(i), false);
    queue.Manager->StartTransfers();
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 0u);

    // "Transfer now" of one item: one thread beyond the limit may start,
    // and the threads that find nothing end at once.
    queue.Manager->TransferNow(*queue.Manager->Items().back());
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 4u);
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(queue.DoneNames(), std::vector<std::string>{"/f9"});
    EXPECT_EQ(queue.Manager->Count(), 9u);

    // One scheduled item among many: the free capacity starts, not one thread.
    for (int i = 0; i < 10; ++i)
        Add("g" + std::to_string(i), i == 4);
    queue.Manager->StartTransfers();
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 7u);
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 2; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(queue.DoneNames().back(), "/g4");
    EXPECT_EQ(queue.Manager->Count(), 18u);
}

TEST_F(QueueManagerTest, FiveItemsRunOnThreeThreadsInQueueOrderAndLeaveTheQueue)
{
    for (int i = 0; i < 5; ++i)
        Add("f" + std::to_string(i));
    queue.Manager->StartTransfers();
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 3u);
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 5; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 3u);
    EXPECT_EQ(queue.Manager->Count(), 0u);
    auto attempts = script.Attempts();
    std::sort(attempts.begin(), attempts.end());
    EXPECT_EQ(attempts, (std::vector<std::string>{"/f0", "/f1", "/f2", "/f3", "/f4"}));
}

TEST_F(QueueManagerTest, FailedItemWaitsTheRetryDelayAndStopsAfterTheRetryLimit)
{
    script.Set("/bad", Outcome::Fail);
    TQueueItem& bad = Add("bad");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 1; }));
    EXPECT_EQ(bad.RetryCount, 1);
    EXPECT_EQ(bad.RetryDelayLeft, 2);
    EXPECT_EQ(bad.Status, qsFailed);
    EXPECT_EQ(bad.StatusText, "Connection to remote host refused.");
    ASSERT_NE(dynamic_cast<EFTPTransferException*>(bad.LastError.get()), nullptr);

    // The countdown is driven by hand here; one tick is not enough.
    queue.Manager->TickRetryDelays();
    queue.WaitIdle();
    EXPECT_EQ(script.AttemptsOf("/bad"), 1u);
    for (int attempt = 2; attempt <= 3; ++attempt) {
        queue.Manager->TickRetryDelays();
        EXPECT_EQ(bad.Status, qsAwaiting);
        EXPECT_EQ(bad.StatusText, "Connection to remote host refused.");  // code only, no event
        ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == static_cast<std::size_t>(attempt); }));
        queue.Manager->TickRetryDelays();
    }
    // Three attempts in all: the item waits for play.
    queue.Manager->TickRetryDelays();
    queue.Manager->TickRetryDelays();
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(script.AttemptsOf("/bad"), 3u);
    EXPECT_EQ(bad.RetryCount, 3);

    script.Set("/bad", Outcome::Succeed);
    queue.Manager->PlayAll();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    EXPECT_EQ(queue.Manager->Count(), 0u);
}

TEST_F(QueueManagerTest, ExistingFileConflictNeitherCountsNorWaits)
{
    script.Set("/exists", Outcome::Conflict);
    TQueueItem& item = Add("exists");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 1; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(item.RetryCount, 0);
    EXPECT_EQ(item.RetryDelayLeft, 0);
    EXPECT_NE(dynamic_cast<EFTLocalFileAlreadyExists*>(item.LastError.get()), nullptr);
    EXPECT_EQ(item.Transfer, nullptr);
}

TEST_F(QueueManagerTest, StopAllMarksEveryRowStoppedAndDetachesTheThreadsAtOnce)
{
    for (int i = 0; i < 5; ++i) {
        script.Set("/f" + std::to_string(i), Outcome::Block);
        Add("f" + std::to_string(i));
    }
    queue.Manager->StartTransfers();
    ASSERT_TRUE(Running("f0") && Running("f1") && Running("f2"));
    const std::size_t doneBefore = queue.Done();
    queue.Manager->StopAll();
    EXPECT_EQ(queue.Manager->ThreadCount(), 0u);
    std::lock_guard lock(queue.Manager->QueueLock());
    for (const auto& item : queue.Manager->Items()) {
        EXPECT_EQ(item->Status, qsStopped);
        EXPECT_EQ(item->StatusText, "Transfer stopped.");
        EXPECT_FALSE(item->Scheduled);
        EXPECT_EQ(item->Transfer, nullptr);
    }
    // The first request lets the stand-ins stop at their next report.
    script.Release();
    ASSERT_TRUE(queue.Manager->Shutdown(std::chrono::seconds(30)));
    EXPECT_EQ(queue.Done(), doneBefore);
    EXPECT_EQ(queue.Failed(), 0u);
    EXPECT_EQ(queue.Manager->Count(), 5u);
    for (const auto& item : queue.Manager->Items())
        EXPECT_EQ(item->Status, qsStopped);
}

TEST_F(QueueManagerTest, DeletingARunningItemRemovesItAtOnceAndKeepsItAliveForItsThread)
{
    script.Set("/run", Outcome::Block);
    TQueueItem& running = Add("run");
    Add("next");
    queue.Settings.Config().SetMaxFTPTransferCount(1);
    queue.Manager->StartTransfers();
    ASSERT_TRUE(Running("run"));
    std::weak_ptr<TQueueItem> held = queue.Manager->Find(&running);
    const TQueueItem* address = &running;
    queue.Manager->RemoveItem(running);
    const std::vector<int> statuses = queue.StatusesOf(address);
    EXPECT_EQ(statuses.back(), qsStopped);
    EXPECT_FALSE(queue.Manager->Contains(held.lock().get()));
    EXPECT_FALSE(held.expired());  // the thread still holds it
    EXPECT_EQ(queue.Manager->Count(), 1u);

    script.Release();
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_TRUE(held.expired());
    // Removal fired the stop status; nothing the thread said afterwards arrived.
    EXPECT_EQ(queue.StatusesOf(address), statuses);
    EXPECT_TRUE(std::find(queue.DoneNames().begin(), queue.DoneNames().end(), "/run") == queue.DoneNames().end());
    // The stopped thread took nothing more; a fresh one carries on with the queue.
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    EXPECT_EQ(queue.DoneNames(), std::vector<std::string>{"/next"});
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 2u);
}

TEST_F(QueueManagerTest, TransferNowStartsOneThreadBeyondTheLimit)
{
    for (int i = 0; i < 3; ++i) {
        script.Set("/b" + std::to_string(i), Outcome::Block);
        Add("b" + std::to_string(i));
    }
    TQueueItem& urgent = Add("urgent", false);
    queue.Manager->StartTransfers();
    ASSERT_TRUE(Running("b0") && Running("b1") && Running("b2"));
    EXPECT_EQ(queue.Manager->ThreadCount(), 3u);

    queue.Manager->TransferNow(urgent);
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 4u);
    EXPECT_EQ(queue.Settings.Config().MaxFTPTransferCount(), 3);
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    EXPECT_EQ(queue.DoneNames().front(), "/urgent");
    script.Release();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 4; }));
}

TEST_F(QueueManagerTest, PauseLetsRunningTransfersFinishAndStartsNothingElse)
{
    script.Set("/run", Outcome::Block);
    queue.Settings.Config().SetMaxFTPTransferCount(1);
    Add("run");
    TQueueItem& later = Add("later");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(Running("run"));
    queue.Manager->PauseAll();
    EXPECT_EQ(later.Status, qsPaused);
    EXPECT_EQ(later.StatusText, "Paused");
    script.Release();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(script.AttemptsOf("/later"), 0u);
    EXPECT_EQ(queue.Manager->Count(), 1u);
}

TEST_F(QueueManagerTest, ItemPathThroughASuccessfulAttempt)
{
    TQueueItem& item = Add("one");
    const TQueueItem* address = &item;
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    // Awaiting at creation, then the stand-in's starting and completion
    // reports; assignment itself fires no event.
    EXPECT_EQ(queue.StatusesOf(address), (std::vector<int>{qsAwaiting, qsStarting, qsComplete}));
}

TEST_F(QueueManagerTest, ManyItemsAreHandedOutInQueueOrderWithRetriesInterleaved)
{
    // Every third item fails once; one thread shows the hand-out order: the
    // queue drains in order and each failure comes back after its delay.
    queue.Settings.Config().WriteInteger("RetryDelay", 1);
    queue.Settings.Config().SetMaxFTPTransferCount(1);
    for (int i = 0; i < 300; ++i) {
        const std::string name = "m" + std::to_string(i);
        if (i % 3 == 0)
            script.Set("/" + name, Outcome::Fail);
        Add(name);
    }
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 200 && queue.Failed() == 100; }));
    for (int i = 0; i < 300; i += 3)
        script.Set("/m" + std::to_string(i), Outcome::Succeed);
    queue.Manager->TickRetryDelays();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 300; }));
    const auto attempts = script.Attempts();
    std::vector<std::string> firstRound(attempts.begin(), attempts.begin() + 300);
    std::vector<std::string> retried(attempts.begin() + 300, attempts.end());
    std::vector<std::string> expected;
    std::vector<std::string> expectedRetries;
    for (int i = 0; i < 300; ++i) {
        expected.push_back("/m" + std::to_string(i));
        if (i % 3 == 0)
            expectedRetries.push_back("/m" + std::to_string(i));
    }
    EXPECT_EQ(firstRound, expected);
    EXPECT_EQ(retried, expectedRetries);
    EXPECT_EQ(queue.Manager->Count(), 0u);
}

TEST_F(QueueManagerTest, SavedQueueLoadsBackUnscheduledAndAppendsEachTime)
{
    THost host = TestHost();
    host.NewHostID();
    const std::string folder = MakeTempDir("tovrel-queue-file");
    WriteWholeFile(folder + "/up.txt", "12345");
    queue.Manager->SetHostLookup([&](std::string_view id) { return id == host.HostID ? &host : nullptr; });
    queue.Manager->AddDownload(host, "/pub/", true, 0, 5LL << 30, false, folder + "/in", "/pub/docs/big.iso");
    queue.Manager->AddDownload(host, "/pub/", false, 0, 0, true, folder + "/in", "/pub/tree");
    queue.Manager->AddUpload(host, folder, true, "/incoming/", folder + "/up.txt");
    queue.Manager->SaveToFile(folder + "/Queue.xml");

    QueueHarness loaded([this](TQueueManager& manager) { return std::make_shared<StandInThread>(manager, script); });
    loaded.Manager->SetHostLookup([&](std::string_view id) { return id == host.HostID ? &host : nullptr; });
    loaded.Manager->SetUploadSmallerDefault(faeResume);
    loaded.Manager->LoadFromFile(folder + "/Queue.xml");
    loaded.Manager->LoadFromFile(folder + "/Queue.xml");
    ASSERT_EQ(loaded.Manager->Count(), 6u);
    std::lock_guard lock(loaded.Manager->QueueLock());
    auto item = loaded.Manager->Items().begin();
    for (int round = 0; round < 2; ++round) {
        TQueueItem& big = **item++;
        EXPECT_EQ(big.FileSize, 5LL << 30);
        EXPECT_EQ(big.GetLocalFilename(), folder + "/in/docs/big.iso");
        const TQueueItem& tree = **item++;
        EXPECT_TRUE(tree.IsDirectory);
        EXPECT_EQ(tree.RemoteFilename, "/pub/tree");
        const TQueueItem& up = **item++;
        EXPECT_EQ(up.TransferDirection, tdUpload);
        EXPECT_EQ(up.RemoteFilename, "/incoming/up.txt");
        EXPECT_EQ(up.FileSize, 5);
        EXPECT_EQ(up.SmallerAction, faeResume);  // the manager's default of the direction
        for (const TQueueItem* each : std::vector<const TQueueItem*>{&big, &tree, &up}) {
            EXPECT_FALSE(each->Scheduled);
            EXPECT_EQ(each->Status, qsAwaiting);
        }
    }
    loaded.Manager->StartTransfers();  // nothing scheduled: nothing starts
    EXPECT_EQ(loaded.Manager->ThreadsStarted(), 0u);
    RemoveTree(folder);
}

} // namespace
