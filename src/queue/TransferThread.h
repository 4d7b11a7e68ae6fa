#pragma once
// TTransferThread: the generic body of a transfer thread. It asks the queue
// for an item, makes one attempt at it, reports the outcome and asks for the
// next one, until no item comes back or a stop was requested. Subclasses
// supply the attempt (TFTPTransfer does it over FTP; tests and benchmarks
// use stand-ins without a network).
//
// Contract:
// - Created, started, attached and detached on the thread that owns the
//   dispatcher (the user-interface thread). Start() launches one
//   std::thread; the owner of the object joins it with Join() (never from
//   inside one of its hand-overs). A thread never starts twice.
// - Hand-overs (OnNextItem, OnEnded, status pushes, found entries) run on
//   the dispatcher's owner through TEventDispatcher::Send while this thread
//   waits. When the dispatcher is shut down they do not run, and the thread
//   ends after its current attempt.
// - AssignItem() only on the owner thread. The thread keeps its own
//   reference to the item of the running attempt, so the item lives until
//   the attempt and its clean-up are over even when the queue has dropped
//   it; once the item is no longer assigned to this thread (or its
//   Transfer link points elsewhere), nothing the thread reports reaches it.
// - RequestStop() from any thread: the first call asks (the attempt stops
//   at its next progress report), a second one cuts the connection at once.
// - BytesDone(), RecordedStatus*() and StopRequested() may be read from any
//   thread.
// - An exception of an attempt is kept in the error slot by the queue's
//   copying rules; nothing escapes the thread.

#include "queue/QueueItem.h"
#include "session/EventDispatcher.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TTransferThread : public TQueueItemTransfer {
public:
    using THandler = std::function<void(TTransferThread& thread)>;

    explicit TTransferThread(TEventDispatcher& dispatcher);
    ~TTransferThread() override;
    TTransferThread(const TTransferThread&) = delete;
    TTransferThread& operator=(const TTransferThread&) = delete;

    /// The manager's hand-out handler; cleared to detach the thread.
    void SetOnNextItem(THandler handler);
    /// Runs on the owner thread when the body has ended; cleared to detach.
    void SetOnEnded(THandler handler);
    /// Clears both handlers: the thread reports nothing to the queue any more.
    void Detach();
    bool Detached() const;

    /// Launches the body on a std::thread.
    void Start();
    /// Waits until the body has returned (owner thread, outside hand-overs).
    void Join();
    /// True once the body has run its last hand-over; Join() then returns at once.
    bool Finished() const { return finished_.load(); }

    /// Owner thread: the item the thread works on next (nullptr: none, and
    /// the thread ends). A given item gets status qsAssigned without an event.
    void AssignItem(std::shared_ptr<TQueueItem> item);
    /// Owner thread: the item currently assigned.
    std::shared_ptr<TQueueItem> Item() const;
    /// Owner thread, inside the hand-out: takes the copy of the last
    /// attempt's error (nullptr after a successful attempt).
    std::unique_ptr<std::exception> TakeError();
    bool HasError() const;

    bool StopRequested() const { return stopRequested_.load(); }
    /// First call asks, a second one cuts the connection (StopTransfer()).
    void RequestStop() override;
    /// Sets StopRequested and cuts this thread's connections; any thread.
    void StopTransfer();

    // TQueueItemTransfer
    std::int64_t BytesDone() const override { return bytesDone_.load(); }
    TQueueItemStatus RecordedStatusCode() const override;
    std::string RecordedStatusText() const override;

protected:
    /// One attempt at `item` on this thread; raises on failure.
    virtual void Attempt(TQueueItem& item) = 0;
    /// Closes this thread's connections, errors ignored. Any thread, any time
    /// (also before a connection exists).
    virtual void CutConnection() = 0;
    /// Ends the running data transfer from inside its progress report (this
    /// thread); the connection itself closes when the thread ends.
    virtual void CutData() { CutConnection(); }

    /// Records a status on this thread: dropped once a stop was requested;
    /// pushed to the item (UpdateFromTransfer) when the code is qsStarting or
    /// differs from the code last pushed.
    void SetStatus(const std::string& text, TQueueItemStatus code);
    /// Runs `action` with the item on the owner thread while this thread
    /// waits, only while `item` is still assigned to this thread and linked
    /// to it. Answers whether it ran.
    bool HandOverForItem(TQueueItem& item, const std::function<void(TQueueItem&)>& action);
    /// Progress of the running data transfer: BytesDone := count +
    /// ResumeOffset, the item's Progress from it, status "Transfering".
    /// Once a stop was requested it ends the data transfer instead.
    void ReportWork(TQueueItem& item, std::int64_t count);

    TEventDispatcher& Dispatcher() const { return dispatcher_; }

    std::atomic<std::int64_t> bytesDone_{0};
    std::atomic<std::int64_t> resumeOffset_{0};

private:
    void Body();
    bool RunHandler(bool next);
    void RunAttempt(const std::shared_ptr<TQueueItem>& item);

    TEventDispatcher& dispatcher_;
    std::thread thread_;
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> stopRequested_{false};

    mutable std::mutex lock_;  // the fields below
    THandler onNextItem_;
    THandler onEnded_;
    std::shared_ptr<TQueueItem> item_;
    std::unique_ptr<std::exception> errorSlot_;
    TQueueItemStatus statusCode_ = qsAwaiting;
    std::string statusText_;
    TQueueItemStatus lastPushedCode_ = qsAwaiting;
};

/// Percent of `done` in `total`, rounded to the nearest integer with ties
/// to even; 0 unless both are above 0.
int ProgressPercent(std::int64_t done, std::int64_t total);
