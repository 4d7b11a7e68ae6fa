#include "queue/ExistingFileRound.h"

#include "i18n/Format.h"
#include "queue/QueueManager.h"
#include "session/ErrorReport.h"
#include "store/MainConfig.h"

#include <mutex>
#include <typeinfo>

namespace {

/// Runs `StopRetryTimer` now and `StartRetryTimer` when the round ends,
/// however it ends.
class TTimerPause {
public:
    TTimerPause(const std::function<void()>& stop, const std::function<void()>& start) : start_(start)
    {
        if (stop)
            stop();
    }
    ~TTimerPause()
    {
        if (start_)
            start_();
    }
    TTimerPause(const TTimerPause&) = delete;
    TTimerPause& operator=(const TTimerPause&) = delete;

private:
    const std::function<void()>& start_;
};

bool IsSameSize(TExistingFileSituation situation)
{
    return situation == efsDownloadSameSize || situation == efsUploadSameSize;
}

TFileAlreadyExistsAction& FieldFor(TQueueItem& item, TExistingFileSituation situation)
{
    return IsSameSize(situation) ? item.SameSizeAction : item.SmallerAction;
}

} // namespace

std::optional<TExistingFileSituation> ExistingFileSituation(const std::exception& error)
{
    // The smaller classes are siblings, not descendants, of the same-size
    // ones, so the order of these tests does not matter.
    if (dynamic_cast<const EFTLocalFileAlreadyExists*>(&error))
        return efsDownloadSameSize;
    if (dynamic_cast<const EFTLocalFileSmallerAlreadyExists*>(&error))
        return efsDownloadSmaller;
    if (dynamic_cast<const EFTRemoteFileAlreadyExists*>(&error))
        return efsUploadSameSize;
    if (dynamic_cast<const EFTRemoteFileSmallerAlreadyExists*>(&error))
        return efsUploadSmaller;
    return std::nullopt;
}

bool ResumeOffered(TExistingFileSituation situation)
{
    return !IsSameSize(situation);
}

const char* ExistingFileConfigKey(TExistingFileSituation situation)
{
    switch (situation) {
    case efsDownloadSameSize:
        return "LocalFileAlreadyExistsAction";
    case efsDownloadSmaller:
        return "LocalFileSmallerAlreadyExistsAction";
    case efsUploadSameSize:
        return "RemoteFileAlreadyExistsAction";
    case efsUploadSmaller:
        break;
    }
    return "RemoteFileSmallerAlreadyExistsAction";
}

struct TExistingFileRound::TResolved {
    const std::type_info* ErrorClass;
    TExistingFileSituation Situation;
    TExistingFileAnswer Answer;
};

TExistingFileRound::TExistingFileRound(TQueueManager& manager, TMainConfig* config)
    : manager_(manager), config_(config)
{
}

TMainConfig* TExistingFileRound::Config() const
{
    return config_ != nullptr ? config_ : TMainConfig::Instance();
}

bool TExistingFileRound::Run()
{
    if (running_ || (QuestionOpen && QuestionOpen()))
        return false;
    running_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{running_};

    std::optional<TResolved> resolved;
    {
        std::lock_guard lock(manager_.QueueLock());
        TTimerPause pause(StopRetryTimer, StartRetryTimer);
        resolved = ResolveOne();
    }
    if (!resolved)
        return false;
    if (resolved->Answer.Scope != efsOnlyThisFile)
        ApplyToOthers(*resolved->ErrorClass, resolved->Situation, resolved->Answer.Action);
    manager_.StartTransfers();
    return true;
}

// The conflict nearest the end of the queue: answered, remembered, and
// applied to its item. The caller holds the queue lock.
std::optional<TExistingFileRound::TResolved> TExistingFileRound::ResolveOne()
{
    const auto& items = manager_.Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const std::shared_ptr<TQueueItem> item = *it; // kept alive across the question
        if (!item->LastError || item->Transfer != nullptr)
            continue;
        LogError(*item->LastError);
        const auto situation = ExistingFileSituation(*item->LastError);
        if (!situation)
            continue;
        // The question may run a modal loop in which threads hand over
        // and the queue changes; the error is ours until the item drops it.
        std::unique_ptr<std::exception> error = std::move(item->LastError);
        const auto& conflict = dynamic_cast<const EFTPFileAlreadyExistsException&>(*error);
        TExistingFileAnswer answer;
        try {
            answer = AnswerFor(*item, conflict, *situation);
        } catch (...) {
            if (!item->LastError) // unanswered: the conflict waits for the next round
                item->LastError = std::move(error);
            throw;
        }
        if (answer.Scope != efsOnlyThisFile)
            Remember(*situation, answer);
        const bool stillOurs = manager_.Contains(item.get()) && item->Transfer == nullptr && !item->LastError;
        if (stillOurs && answer.Action != faeSkip)
            Apply(*item, *situation, answer.Action);
        const std::exception& raised = *error;
        return TResolved{&typeid(raised), *situation, answer};
    }
    return std::nullopt;
}

TExistingFileAnswer TExistingFileRound::AnswerFor(TQueueItem& item, const EFTPFileAlreadyExistsException& error,
                                                  TExistingFileSituation situation)
{
    if (FieldFor(item, situation) == faeSkip)
        return {faeSkip, efsOnlyThisFile};
    std::optional<TExistingFileAnswer> answer;
    if (Ask)
        answer = Ask(item, error);
    if (!answer)
        return {faeAsk, efsOnlyThisFile};
    if (answer->Action == faeResume && !ResumeOffered(situation))
        answer->Action = faeSkip;
    return *answer;
}

void TExistingFileRound::Remember(TExistingFileSituation situation, const TExistingFileAnswer& answer)
{
    switch (situation) {
    case efsDownloadSameSize:
        manager_.SetDownloadSameSizeDefault(answer.Action);
        break;
    case efsDownloadSmaller:
        manager_.SetDownloadSmallerDefault(answer.Action);
        break;
    case efsUploadSameSize:
        manager_.SetUploadSameSizeDefault(answer.Action);
        break;
    case efsUploadSmaller:
        manager_.SetUploadSmallerDefault(answer.Action);
        break;
    }
    TMainConfig* config = Config();
    if (answer.Scope != efsAlways || config == nullptr)
        return;
    const char* key = ExistingFileConfigKey(situation);
    try {
        config->WriteValue(key, FileAlreadyExistsActionToName(answer.Action));
        config->Save();
    } catch (const std::exception& e) {
        if (Log)
            Log(Format("Could not store %s: %s", key, e.what()), false);
    }
}

// Every other item waiting with a conflict of exactly the same class takes
// the answer.
void TExistingFileRound::ApplyToOthers(const std::type_info& errorClass, TExistingFileSituation situation,
                                       TFileAlreadyExistsAction action)
{
    std::lock_guard lock(manager_.QueueLock());
    const auto& items = manager_.Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        TQueueItem& item = **it;
        if (!item.LastError || item.Transfer != nullptr)
            continue;
        const std::exception& error = *item.LastError;
        if (typeid(error) != errorClass)
            continue;
        item.LastError.reset();
        if (action != faeSkip)
            Apply(item, situation, action);
    }
}

void TExistingFileRound::Apply(TQueueItem& item, TExistingFileSituation situation, TFileAlreadyExistsAction action)
{
    FieldFor(item, situation) = action;
    // No status event: the row keeps the conflict text until the next report.
    item.Status = qsAwaiting;
    manager_.ItemReady(item);
}

void TExistingFileRound::LogError(const std::exception& error)
{
    if (!Log)
        return;
    Log(Format("Got an Exception of type %s!", ExceptionClassName(error)), true);
    if (const auto* transfer = dynamic_cast<const EFTPTransferException*>(&error))
        Log(" :: " + transfer->ShortDescription() + " :: " + transfer->LongDescription(), true);
}
