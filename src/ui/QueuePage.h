#pragma once
// TQueuePage: the "Queue" page of the main window. It mirrors the queue
// manager (one row per item, from OnItemAdded to OnItemRemoving), runs the
// two timers that keep it moving (the "Size" texts and bars every 250 ms;
// retry delays and then the existing-file question every second) and
// carries out the per-row commands.
//
// Contract:
// - User-interface thread only. The page takes over the manager's events
//   for its lifetime and shows the items already queued when it is made.
// - OnItemLeft runs after the row of an item that leaves the queue was
//   removed, while the item is still alive (the completion steps).
// - OnQuestion, when set, replaces the "File already exists" dialog (tests
//   and the command line); otherwise the dialog is shown modally over the
//   page's window.
// - StopTimers() before the manager saves and stops at shutdown.

#include "queue/ExistingFileRound.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QTimer;
class TFileAlreadyExistsForm;
class TIconCache;
class TMainConfig;
class TQueueListModel;
class TQueueListView;
class TQueueManager;

class TQueuePage : public QWidget {
    Q_OBJECT
public:
    static constexpr int ProgressInterval = 250;
    static constexpr int RetryInterval = 1000;

    TQueuePage(TQueueManager& manager, TMainConfig* config, std::shared_ptr<TIconCache> icons,
               QWidget* parent = nullptr);
    ~TQueuePage() override;

    TQueueListModel& Model() const { return *model_; }
    TQueueListView* View() const { return view_; }
    TExistingFileRound& Round() { return round_; }
    /// The open "File already exists" dialog, or nullptr.
    TFileAlreadyExistsForm* OpenQuestion() const { return question_; }

    std::function<void(TQueueItem& item)> OnItemLeft;
    /// The row count changed.
    std::function<void()> OnRowsChanged;
    TExistingFileRound::TAsk OnQuestion;
    TExistingFileRound::TLog OnLog;

    /// The selected items, top to bottom.
    std::vector<TQueueItem*> SelectedItems() const;
    void TransferNowSelected();
    void StopSelected();
    void PauseSelected();
    void DeleteSelected();
    /// Asks the clear question; on Yes clears. Answers whether it cleared.
    bool ClearWithQuestion();
    /// Runs `f` with the list's repainting suspended (one reset at the end).
    void Bulk(const std::function<void()>& f);

    void StartTimers();
    void StopTimers();
    /// The 250 ms pass over the visible rows (also for benchmarks).
    void RefreshVisibleRows();
    /// The one-second step: retry delays, then one existing-file round.
    void RetryTick();

private:
    void AttachEvents();
    /// The column captions follow the active language (section "QueuePage").
    void RegisterColumnTexts();
    std::optional<TExistingFileAnswer> Ask(TQueueItem& item, const EFTPFileAlreadyExistsException& error);

    TQueueManager& manager_;
    TExistingFileRound round_;
    TQueueListModel* model_ = nullptr;
    TQueueListView* view_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTimer* retryTimer_ = nullptr;
    TFileAlreadyExistsForm* question_ = nullptr;
    int bulkDepth_ = 0;
};
