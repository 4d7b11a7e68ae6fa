#pragma once
// TExistingFileRound: turns the queue's "target already exists" failures
// into answers, one question at a time. The queue view runs it once a
// second, right after TickRetryDelays.
//
// A round walks the queue from the last item to the first and stops at the
// first item that failed with one of the four file-exists errors. When the
// item's action for that situation is faeSkip it is skipped without asking;
// otherwise Ask (the "File already exists" dialog, or a terminal prompt)
// answers with an action and a scope. Overwrite and Resume bring the item
// back to qsAwaiting with the answer stored; Skip leaves it failed. A scope
// beyond "this file" also becomes the manager's default for the situation
// and answers every other item waiting with the same kind of conflict;
// "always" writes the situation's configuration key too. Then the queue is
// started.
//
// Contract:
// - Owner thread of the queue only. Run() holds the queue lock while Ask
//   runs, so Ask may run a modal loop in which transfer threads' hand-overs
//   go on (the lock is re-entrant). A Run() started inside Ask does nothing.
// - Items a thread is running are left alone: their next outcome replaces
//   the error anyway.
// - An answer of Resume for a situation that does not offer it (the target
//   is at least as large) counts as Skip.
// - Conflicts never count as failed attempts: RetryCount and
//   RetryDelayLeft are not touched.
// - A configuration that cannot be saved does not stop the round; the
//   failure is logged (not as a debug line) and the answer still holds for
//   this run.

#include "queue/QueueItem.h"
#include "session/TransferExceptions.h"
#include "store/SettingsTypes.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>

class TQueueManager;
class TMainConfig;

/// Where an answer applies: the entries of the dialog's "Apply my choice to:".
enum TExistingFileScope { efsOnlyThisFile = 0, efsAllInQueue = 1, efsAlways = 2 };

struct TExistingFileAnswer {
    TFileAlreadyExistsAction Action = faeSkip;
    TExistingFileScope Scope = efsOnlyThisFile;
};

/// The four situations in which a target exists.
enum TExistingFileSituation {
    efsDownloadSameSize,  // EFTLocalFileAlreadyExists
    efsDownloadSmaller,   // EFTLocalFileSmallerAlreadyExists
    efsUploadSameSize,    // EFTRemoteFileAlreadyExists
    efsUploadSmaller      // EFTRemoteFileSmallerAlreadyExists
};

/// The situation of a file-exists error; nullopt for any other error.
std::optional<TExistingFileSituation> ExistingFileSituation(const std::exception& error);
/// Whether "Resume" is offered (the target is smaller).
bool ResumeOffered(TExistingFileSituation situation);
/// The configuration key of the situation ("LocalFileAlreadyExistsAction"...).
const char* ExistingFileConfigKey(TExistingFileSituation situation);

class TExistingFileRound {
public:
    /// The question. nullopt: closed without an answer (the item is then
    /// run again and meets the question again).
    using TAsk = std::function<std::optional<TExistingFileAnswer>(TQueueItem& item,
                                                                  const EFTPFileAlreadyExistsException& error)>;
    /// A log line; `debug` lines are dropped by the log pane.
    using TLog = std::function<void(const std::string& line, bool debug)>;

    /// `config` (may be nullptr: the installed TMainConfig::Instance(), or
    /// none) receives answers given "for all files always".
    explicit TExistingFileRound(TQueueManager& manager, TMainConfig* config = nullptr);

    TAsk Ask;
    TLog Log;
    /// True while a question is open elsewhere (the dialog): the round does nothing.
    std::function<bool()> QuestionOpen;
    /// The retry timer is stopped for the length of the round and started again after.
    std::function<void()> StopRetryTimer;
    std::function<void()> StartRetryTimer;

    /// One round. Answers whether an item's conflict was resolved (asked
    /// or skipped); false when nothing waited or the round did not run.
    bool Run();

private:
    struct TResolved;
    std::optional<TResolved> ResolveOne();
    TExistingFileAnswer AnswerFor(TQueueItem& item, const EFTPFileAlreadyExistsException& error,
                                  TExistingFileSituation situation);
    void Remember(TExistingFileSituation situation, const TExistingFileAnswer& answer);
    void ApplyToOthers(const std::type_info& errorClass, TExistingFileSituation situation,
                       TFileAlreadyExistsAction action);
    void Apply(TQueueItem& item, TExistingFileSituation situation, TFileAlreadyExistsAction action);
    void LogError(const std::exception& error);
    TMainConfig* Config() const;

    TQueueManager& manager_;
    TMainConfig* config_;
    bool running_ = false;
};
