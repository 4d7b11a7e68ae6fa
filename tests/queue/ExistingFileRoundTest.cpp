// The existing-file round: one question per round from the end of the
// queue, the three scopes, answers stored in items, manager defaults and
// the configuration, and items brought back to the transfer threads.

#include "queue/ExistingFileRound.h"

#include "queue/QueueManager.h"
#include "session/TransferExceptions.h"
#include "store/ConfigTestSupport.h"
#include "store/MainConfig.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

THost TestHost()
{
    THost host(THostDefaults{});
    host.CommonName = host.Hostname = "files.example.org";
    host.HostID = "{0000AAAA-0000-0000-0000-000000000001}";
    return host;
}

std::unique_ptr<std::exception> ConflictOf(TExistingFileSituation situation)
{
    switch (situation) {
    case efsDownloadSameSize:
        return std::make_unique<EFTLocalFileAlreadyExists>(100, 100, "local time", "remote time");
    case efsDownloadSmaller:
        return std::make_unique<EFTLocalFileSmallerAlreadyExists>(40, 100, "local time", "remote time");
    case efsUploadSameSize:
        return std::make_unique<EFTRemoteFileAlreadyExists>(100, 100, "local time", "remote time");
    case efsUploadSmaller:
        break;
    }
    return std::make_unique<EFTRemoteFileSmallerAlreadyExists>(100, 40, "local time", "remote time");
}

bool IsUpload(TExistingFileSituation situation)
{
    return situation == efsUploadSameSize || situation == efsUploadSmaller;
}

bool IsSameSize(TExistingFileSituation situation)
{
    return situation == efsDownloadSameSize || situation == efsUploadSameSize;
}

TFileAlreadyExistsAction Field(const TQueueItem& item, TExistingFileSituation situation)
{
    return IsSameSize(situation) ? item.SameSizeAction : item.SmallerAction;
}

TFileAlreadyExistsAction ManagerDefault(const TQueueManager& manager, TExistingFileSituation situation)
{
    switch (situation) {
    case efsDownloadSameSize:
        return manager.DownloadSameSizeDefault();
    case efsDownloadSmaller:
        return manager.DownloadSmallerDefault();
    case efsUploadSameSize:
        return manager.UploadSameSizeDefault();
    case efsUploadSmaller:
        break;
    }
    return manager.UploadSmallerDefault();
}

/// A transfer thread without a network: every attempt succeeds, and the
/// actions the item carried are recorded.
class TRecordingThread : public TTransferThread {
public:
    struct TAttempt {
        std::string Name;
        TFileAlreadyExistsAction SameSize;
        TFileAlreadyExistsAction Smaller;
    };
    TRecordingThread(TEventDispatcher& dispatcher, std::mutex& lock, std::vector<TAttempt>& log)
        : TTransferThread(dispatcher), lock_(lock), log_(log)
    {
    }
    ~TRecordingThread() override { Join(); }

protected:
    void Attempt(TQueueItem& item) override
    {
        std::lock_guard guard(lock_);
        log_.push_back({item.RemoteFilename.empty() ? item.LocalFilename : item.RemoteFilename,
                        item.SameSizeAction, item.SmallerAction});
    }
    void CutConnection() override {}

private:
    std::mutex& lock_;
    std::vector<TAttempt>& log_;
};

class ExistingFileRoundTest : public ::testing::Test {
protected:
    ExistingFileRoundTest()
    {
        TMainConfig::SetInstance(config_.get());
        round_.Ask = [this](TQueueItem& item, const EFTPFileAlreadyExistsException& error) {
            asked_.push_back(&item);
            askedTexts_.push_back(error.ShortDescription());
            return answer_;
        };
        round_.Log = [this](const std::string& line, bool debug) { log_.push_back((debug ? "D " : "S ") + line); };
    }
    ~ExistingFileRoundTest() override
    {
        manager_.Shutdown(60s);
        TMainConfig::SetInstance(nullptr);
    }

    /// An item that failed with `situation`'s conflict.
    TQueueItem& Conflict(TExistingFileSituation situation, const std::string& name, bool scheduled = false)
    {
        TQueueItem& item = IsUpload(situation) ? Upload(name, scheduled) : Download(name, scheduled);
        item.LastError = ConflictOf(situation);
        item.Status = qsFailed;
        item.StatusText = static_cast<EFTPTransferException&>(*item.LastError).ShortDescription();
        return item;
    }
    TQueueItem& Download(const std::string& name, bool scheduled = false)
    {
        return manager_.AddDownload(host_, "/pub/", scheduled, 0, 100, false, home_.Path() + "/in", "/pub/" + name);
    }
    TQueueItem& Upload(const std::string& name, bool scheduled = false)
    {
        const std::string path = home_.Path() + "/" + name;
        WriteFileText(path, std::string(100, 'u'));
        return manager_.AddUpload(host_, home_.Path(), scheduled, "/up/", path);
    }
    /// Pumps the queue's hand-overs until no thread runs.
    bool WaitForThreads()
    {
        return dispatcher_.WaitFor([this] { return manager_.ThreadCount() == 0; }, 60s);
    }

    TScopedConfigHome home_;
    std::unique_ptr<TMainConfig> config_ = std::make_unique<TMainConfig>();
    TEventDispatcher dispatcher_;
    std::mutex attemptsLock_;
    std::vector<TRecordingThread::TAttempt> attempts_;
    TQueueManager manager_{dispatcher_, nullptr, [this](TQueueManager&) {
                               return std::make_shared<TRecordingThread>(dispatcher_, attemptsLock_, attempts_);
                           }};
    TExistingFileRound round_{manager_};
    THost host_ = TestHost();
    std::optional<TExistingFileAnswer> answer_;
    std::vector<TQueueItem*> asked_;
    std::vector<std::string> askedTexts_;
    std::vector<std::string> log_;
};

struct TRoundCase {
    TExistingFileSituation Situation;
    std::optional<TFileAlreadyExistsAction> Action;  // nullopt: the question was closed without an answer
    TExistingFileScope Scope;
};

std::string CaseName(const TRoundCase& c)
{
    static const char* const situations[] = {"DownloadSameSize", "DownloadSmaller", "UploadSameSize",
                                             "UploadSmaller"};
    static const char* const actions[] = {"Ask", "Overwrite", "Resume", "Skip"};
    static const char* const scopes[] = {"ThisFile", "AllInQueue", "Always"};
    return std::string(situations[c.Situation]) + "_" + (c.Action ? actions[*c.Action] : "Closed") + "_"
           + scopes[c.Scope];
}

std::vector<TRoundCase> AllCases()
{
    std::vector<TRoundCase> cases;
    for (auto situation : {efsDownloadSameSize, efsDownloadSmaller, efsUploadSameSize, efsUploadSmaller})
        for (std::optional<TFileAlreadyExistsAction> action :
             {std::optional(faeOverwrite), std::optional(faeResume), std::optional(faeSkip),
              std::optional<TFileAlreadyExistsAction>()})
            for (auto scope : {efsOnlyThisFile, efsAllInQueue, efsAlways})
                if (action || scope == efsOnlyThisFile)  // a closed question has no scope
                    cases.push_back({situation, action, scope});
    return cases;
}

class ExistingFileRoundAnswers : public ExistingFileRoundTest, public ::testing::WithParamInterface<TRoundCase> {};

// Three items wait with the same conflict, one with the other conflict of
// the same direction, one with a plain error.
TEST_P(ExistingFileRoundAnswers, AnswerReachesItemsDefaultsAndConfiguration)
{
    const TRoundCase c = GetParam();
    const TExistingFileSituation other = static_cast<TExistingFileSituation>(c.Situation ^ 1);
    TQueueItem& first = Conflict(c.Situation, "a.bin");
    TQueueItem& otherKind = Conflict(other, "b.bin");
    TQueueItem& plain = Download("c.bin");
    plain.LastError = std::make_unique<EFTRemoteConnectionFailed>();
    plain.Status = qsFailed;
    TQueueItem& second = Conflict(c.Situation, "d.bin");
    TQueueItem& last = Conflict(c.Situation, "e.bin");
    if (c.Action)
        answer_ = TExistingFileAnswer{*c.Action, c.Scope};

    EXPECT_TRUE(round_.Run());

    // The conflict nearest the end of the queue is asked, and only that one.
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0], &last);
    const bool resumable = !IsSameSize(c.Situation);
    // Resume where the target is not smaller is not offered: it counts as Skip.
    const TFileAlreadyExistsAction effective =
        !c.Action ? faeAsk : (*c.Action == faeResume && !resumable ? faeSkip : *c.Action);
    const bool runsAgain = effective != faeSkip;
    const bool spreads = c.Scope != efsOnlyThisFile;
    const TFileAlreadyExistsAction before = faeAsk;

    EXPECT_EQ(last.LastError, nullptr);
    EXPECT_EQ(last.Status, runsAgain ? qsAwaiting : qsFailed);
    EXPECT_EQ(Field(last, c.Situation), runsAgain ? effective : before);
    EXPECT_FALSE(last.StatusText.empty()) << "the row keeps the conflict text until the next report";
    for (TQueueItem* item : {&first, &second}) {
        EXPECT_EQ(item->LastError == nullptr, spreads);
        EXPECT_EQ(item->Status, spreads && runsAgain ? qsAwaiting : qsFailed);
        EXPECT_EQ(Field(*item, c.Situation), spreads && runsAgain ? effective : before);
    }
    EXPECT_NE(otherKind.LastError, nullptr);
    EXPECT_EQ(otherKind.Status, qsFailed);
    EXPECT_NE(plain.LastError, nullptr);
    EXPECT_EQ(plain.RetryCount, 0);
    for (TQueueItem* item : {&first, &second, &last})
        EXPECT_EQ(item->RetryCount, 0) << "a conflict is never a failed attempt";

    // Only this situation's default changes, and only beyond this file.
    EXPECT_EQ(ManagerDefault(manager_, c.Situation), spreads ? effective : faeAsk);
    EXPECT_EQ(ManagerDefault(manager_, other), faeAsk);
    TQueueItem& later = IsUpload(c.Situation) ? Upload("later.bin") : Download("later.bin");
    EXPECT_EQ(Field(later, c.Situation), spreads ? effective : faeAsk);

    // "Always" is in Config.xml on disk, read back by a fresh configuration.
    const std::string key = ExistingFileConfigKey(c.Situation);
    const std::string stored = ReadFileText(home_.ConfigFile());
    EXPECT_EQ(stored.find(key) != std::string::npos, c.Scope == efsAlways) << stored;
    TMainConfig::SetInstance(nullptr);
    config_.reset();
    TMainConfig reread;
    EXPECT_EQ(reread.ReadValue(key, "faeAsk"),
              c.Scope == efsAlways ? std::string(FileAlreadyExistsActionToName(effective)) : "faeAsk");
    config_ = std::make_unique<TMainConfig>();
    TMainConfig::SetInstance(config_.get());

    // The next round asks about the next conflict still waiting.
    asked_.clear();
    const bool more = round_.Run();
    EXPECT_TRUE(more);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0], spreads ? &otherKind : &second);
}

INSTANTIATE_TEST_SUITE_P(SituationsAnswersScopes, ExistingFileRoundAnswers, ::testing::ValuesIn(AllCases()),
                         [](const auto& param) { return CaseName(param.param); });

TEST_F(ExistingFileRoundTest, SkipInTheItemAnswersWithoutAsking)
{
    TQueueItem& item = Conflict(efsUploadSameSize, "same.bin");
    item.SameSizeAction = faeSkip;
    TQueueItem& smaller = Conflict(efsUploadSmaller, "smaller.bin");
    smaller.SameSizeAction = faeSkip;  // the other situation's field does not count

    EXPECT_TRUE(round_.Run());
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_.front(), &smaller);

    asked_.clear();
    EXPECT_TRUE(round_.Run());
    EXPECT_TRUE(asked_.empty());
    EXPECT_EQ(item.LastError, nullptr);
    EXPECT_EQ(item.Status, qsFailed);
    EXPECT_EQ(manager_.UploadSameSizeDefault(), faeAsk);
    EXPECT_FALSE(round_.Run()) << "nothing waits any more";
}

TEST_F(ExistingFileRoundTest, NothingHappensWhileAQuestionIsOpen)
{
    TQueueItem& item = Conflict(efsDownloadSmaller, "a.bin");
    bool open = true;
    int stops = 0, starts = 0;
    round_.QuestionOpen = [&] { return open; };
    round_.StopRetryTimer = [&] { ++stops; };
    round_.StartRetryTimer = [&] {
        EXPECT_EQ(stops, starts + 1) << "started again only after it was stopped";
        ++starts;
    };
    EXPECT_FALSE(round_.Run());
    EXPECT_TRUE(asked_.empty());
    EXPECT_EQ(stops, 0);
    EXPECT_NE(item.LastError, nullptr);

    open = false;
    answer_ = TExistingFileAnswer{faeResume, efsOnlyThisFile};
    round_.Ask = [&](TQueueItem& asked, const EFTPFileAlreadyExistsException&) {
        EXPECT_EQ(stops, 1) << "the retry timer waits while the user decides";
        EXPECT_EQ(starts, 0);
        EXPECT_FALSE(round_.Run()) << "no second round inside the question";
        asked_.push_back(&asked);
        return answer_;
    };
    EXPECT_TRUE(round_.Run());
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(item.SmallerAction, faeResume);
}

TEST_F(ExistingFileRoundTest, LogsEveryErrorItPassesAsDebugLines)
{
    Conflict(efsDownloadSameSize, "a.bin");
    TQueueItem& plain = Download("b.bin");
    plain.LastError = std::make_unique<std::runtime_error>("disk full");
    answer_ = TExistingFileAnswer{faeSkip, efsOnlyThisFile};

    round_.Run();

    const std::string longText = EFTLocalFileAlreadyExists(1, 1, "", "").LongDescription();
    const std::vector<std::string> expected = {
        "D Got an Exception of type std::runtime_error!",
        "D Got an Exception of type EFTLocalFileAlreadyExists!",
        "D  :: The local file already exists. :: " + longText,
    };
    EXPECT_EQ(log_, expected);
}

TEST_F(ExistingFileRoundTest, AQuestionThatFailsLeavesTheConflictWaiting)
{
    TQueueItem& item = Conflict(efsUploadSmaller, "a.bin");
    round_.Ask = [](TQueueItem&, const EFTPFileAlreadyExistsException&) -> std::optional<TExistingFileAnswer> {
        throw std::runtime_error("no window");
    };
    EXPECT_THROW(round_.Run(), std::runtime_error);
    ASSERT_NE(item.LastError, nullptr);
    EXPECT_NE(dynamic_cast<EFTRemoteFileSmallerAlreadyExists*>(item.LastError.get()), nullptr);
    round_.Ask = [](TQueueItem&, const EFTPFileAlreadyExistsException&) {
        return std::optional(TExistingFileAnswer{faeResume, efsOnlyThisFile});
    };
    EXPECT_TRUE(round_.Run()) << "the next round asks again";
    EXPECT_EQ(item.SmallerAction, faeResume);
}

TEST_F(ExistingFileRoundTest, ItemsAThreadRunsAreLeftAlone)
{
    struct TIdle : TQueueItemTransfer {
        std::int64_t BytesDone() const override { return 0; }
        void RequestStop() override {}
        TQueueItemStatus RecordedStatusCode() const override { return qsTransferring; }
        std::string RecordedStatusText() const override { return {}; }
    } running;
    TQueueItem& busy = Conflict(efsDownloadSmaller, "busy.bin");
    busy.Transfer = &running;
    TQueueItem& waiting = Conflict(efsDownloadSmaller, "waiting.bin");
    answer_ = TExistingFileAnswer{faeResume, efsAllInQueue};

    EXPECT_TRUE(round_.Run());
    EXPECT_EQ(asked_, std::vector<TQueueItem*>{&waiting});
    EXPECT_NE(busy.LastError, nullptr);
    EXPECT_EQ(busy.SmallerAction, faeAsk);
    busy.Transfer = nullptr;
}

TEST_F(ExistingFileRoundTest, AnItemDeletedDuringTheQuestionIsNotTouched)
{
    TQueueItem& first = Conflict(efsUploadSmaller, "first.bin");
    Conflict(efsUploadSmaller, "second.bin");
    round_.Ask = [&](TQueueItem& item, const EFTPFileAlreadyExistsException&) {
        manager_.RemoveItem(item);
        return std::optional(TExistingFileAnswer{faeOverwrite, efsAllInQueue});
    };
    EXPECT_TRUE(round_.Run());
    ASSERT_EQ(manager_.Count(), 1u);
    EXPECT_EQ(first.SmallerAction, faeOverwrite);
    EXPECT_EQ(manager_.UploadSmallerDefault(), faeOverwrite);
}

// The answered items are handed to the transfer threads again, carrying
// the answer; the skipped one is not.
TEST_F(ExistingFileRoundTest, AnsweredItemsRunAgainWithTheAnswer)
{
    Conflict(efsDownloadSmaller, "a.bin", true);
    Conflict(efsDownloadSmaller, "b.bin", true);
    Conflict(efsDownloadSmaller, "c.bin", true);
    TQueueItem& skipped = Conflict(efsDownloadSameSize, "d.bin", true);
    skipped.SameSizeAction = faeSkip;
    answer_ = TExistingFileAnswer{faeResume, efsAllInQueue};

    EXPECT_TRUE(round_.Run());  // d.bin, skipped without a question
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(round_.Run());  // c.bin, asked; b.bin and a.bin follow
    ASSERT_TRUE(WaitForThreads());
    std::lock_guard guard(attemptsLock_);
    ASSERT_EQ(attempts_.size(), 3u);
    for (const auto& attempt : attempts_) {
        EXPECT_NE(attempt.Name, "/pub/d.bin");
        EXPECT_EQ(attempt.Smaller, faeResume) << attempt.Name;
    }
    ASSERT_EQ(manager_.Count(), 1u);
    EXPECT_EQ(manager_.Items().front().get(), &skipped);
    EXPECT_EQ(skipped.Status, qsFailed);
}

} // namespace
