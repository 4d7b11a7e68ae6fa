#include "queue/TransferThread.h"

#include "session/TransferExceptions.h"

#include <stdexcept>

TTransferThread::TTransferThread(TEventDispatcher& dispatcher) : dispatcher_(dispatcher) {}

TTransferThread::~TTransferThread()
{
    // The owner joins; this is only the last line of defence against
    // destroying a joinable std::thread.
    if (thread_.joinable()) {
        StopTransfer();
        thread_.join();
    }
}

void TTransferThread::SetOnNextItem(THandler handler)
{
    std::lock_guard lock(lock_);
    onNextItem_ = std::move(handler);
}

void TTransferThread::SetOnEnded(THandler handler)
{
    std::lock_guard lock(lock_);
    onEnded_ = std::move(handler);
}

void TTransferThread::Detach()
{
    std::lock_guard lock(lock_);
    onNextItem_ = nullptr;
    onEnded_ = nullptr;
}

bool TTransferThread::Detached() const
{
    std::lock_guard lock(lock_);
    return !onNextItem_ && !onEnded_;
}

void TTransferThread::Start()
{
    if (started_.exchange(true))
        throw std::logic_error("A transfer thread cannot be started twice.");
    thread_ = std::thread([this] { Body(); });
}

void TTransferThread::Join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TTransferThread::AssignItem(std::shared_ptr<TQueueItem> item)
{
    if (item)
        item->Status = qsAssigned;
    std::lock_guard lock(lock_);
    item_ = std::move(item);
}

std::shared_ptr<TQueueItem> TTransferThread::Item() const
{
    std::lock_guard lock(lock_);
    return item_;
}

std::unique_ptr<std::exception> TTransferThread::TakeError()
{
    std::lock_guard lock(lock_);
    return std::move(errorSlot_);
}

bool TTransferThread::HasError() const
{
    std::lock_guard lock(lock_);
    return errorSlot_ != nullptr;
}

void TTransferThread::RequestStop()
{
    if (stopRequested_.exchange(true))
        StopTransfer();
}

void TTransferThread::StopTransfer()
{
    stopRequested_ = true;
    CutConnection();
}

TQueueItemStatus TTransferThread::RecordedStatusCode() const
{
    std::lock_guard lock(lock_);
    return statusCode_;
}

std::string TTransferThread::RecordedStatusText() const
{
    std::lock_guard lock(lock_);
    return statusText_;
}

void TTransferThread::Body()
{
    try {
        bool running = RunHandler(true);
        while (running && !stopRequested_) {
            const std::shared_ptr<TQueueItem> item = Item();
            if (!item)
                break;
            RunAttempt(item);
            running = RunHandler(true);
        }
    } catch (...) {
        // Nothing may escape a thread; the item's outcome was handed over.
    }
    StopTransfer();
    RunHandler(false);
    {
        std::lock_guard lock(lock_);
        item_.reset();
    }
    finished_ = true;
    // Wakes an owner that waits for threads to finish.
    dispatcher_.Post([] {});
}

// Runs the hand-out (next) or end handler on the owner thread. False when
// it did not run: the thread is detached or the dispatcher is shut down.
bool TTransferThread::RunHandler(bool next)
{
    THandler handler;
    {
        std::lock_guard lock(lock_);
        handler = next ? onNextItem_ : onEnded_;
    }
    if (!handler)
        return false;
    bool ran = false;
    dispatcher_.Send([&] {
        ran = true;
        try {
            handler(*this);
        } catch (...) {
            // An event handler's failure must not stop the hand-over.
        }
    });
    return ran;
}

void TTransferThread::RunAttempt(const std::shared_ptr<TQueueItem>& item)
{
    bytesDone_ = 0;
    resumeOffset_ = 0;
    {
        std::lock_guard lock(lock_);
        lastPushedCode_ = qsAwaiting;
        errorSlot_.reset();
    }
    std::unique_ptr<std::exception> error;
    try {
        Attempt(*item);
    } catch (const std::exception& e) {
        error = CopyErrorForQueue(e);
    } catch (...) {
        // Not an exception object: still a failed attempt, so the item is
        // not left assigned to a thread that is gone.
        error = std::make_unique<std::runtime_error>("Unknown error");
    }
    std::lock_guard lock(lock_);
    errorSlot_ = std::move(error);
}

void TTransferThread::SetStatus(const std::string& text, TQueueItemStatus code)
{
    if (stopRequested_)
        return;
    std::shared_ptr<TQueueItem> item;
    {
        std::lock_guard lock(lock_);
        statusText_ = text;
        statusCode_ = code;
        if (code != qsStarting && code == lastPushedCode_)
            return;
        lastPushedCode_ = code;
        item = item_;
    }
    if (item)
        HandOverForItem(*item, [](TQueueItem& current) { current.UpdateFromTransfer(); });
}

bool TTransferThread::HandOverForItem(TQueueItem& item, const std::function<void(TQueueItem&)>& action)
{
    if (stopRequested_)
        return false;
    bool ran = false;
    dispatcher_.Send([&] {
        {
            std::lock_guard lock(lock_);
            if (item_.get() != &item || item.Transfer != this)
                return;
        }
        ran = true;
        action(item);
    });
    return ran;
}

void TTransferThread::ReportWork(TQueueItem& item, std::int64_t count)
{
    if (stopRequested_) {
        CutData();
        return;
    }
    const std::int64_t done = count + resumeOffset_.load();
    bytesDone_ = done;
    SetStatus(QueueStatusText(qsTransferring), qsTransferring);
    item.Progress = ProgressPercent(done, item.FileSize);
}

int ProgressPercent(std::int64_t done, std::int64_t total)
{
    if (done <= 0 || total <= 0)
        return 0;
    const std::int64_t scaled = done * 100;
    std::int64_t percent = scaled / total;
    const std::int64_t rest = scaled % total;
    if (rest * 2 > total || (rest * 2 == total && (percent & 1) != 0))
        ++percent;
    return static_cast<int>(percent);
}
