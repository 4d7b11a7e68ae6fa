#include "ui/QtEventPump.h"

#include <QMetaObject>

#include <atomic>
#include <mutex>

// The wake handler may run on a worker thread while the pump is being
// destroyed: it reaches the pump only through this block, under its lock.
struct TQtEventPump::TShared {
    std::mutex Lock;
    TQtEventPump* Pump = nullptr;
    std::atomic<bool> Scheduled{false};
};

TQtEventPump::TQtEventPump(TEventDispatcher& dispatcher, QObject* parent)
    : QObject(parent), dispatcher_(dispatcher), shared_(std::make_shared<TShared>())
{
    shared_->Pump = this;
    std::weak_ptr<TShared> weak = shared_;
    dispatcher_.SetWakeHandler([weak] {
        const auto shared = weak.lock();
        if (!shared || shared->Scheduled.exchange(true))
            return;  // gone, or a run is already on its way
        std::lock_guard lock(shared->Lock);
        if (TQtEventPump* pump = shared->Pump)
            QMetaObject::invokeMethod(pump, [pump] { pump->Run(); }, Qt::QueuedConnection);
    });
    // Closures queued before the pump existed.
    shared_->Scheduled = true;
    QMetaObject::invokeMethod(this, [this] { Run(); }, Qt::QueuedConnection);
}

TQtEventPump::~TQtEventPump()
{
    dispatcher_.SetWakeHandler(nullptr);
    std::lock_guard lock(shared_->Lock);
    shared_->Pump = nullptr;
}

void TQtEventPump::SetExceptionHandler(std::function<void(std::exception_ptr)> handler)
{
    onException_ = std::move(handler);
}

void TQtEventPump::Flush()
{
    Run();
}

void TQtEventPump::Run()
{
    // Cleared first: a closure that opens a modal dialog must not keep
    // later wakes from scheduling the nested runs that feed it.
    shared_->Scheduled = false;
    for (;;) {
        try {
            dispatcher_.ProcessEvents();
            return;
        } catch (...) {
            if (onException_)
                onException_(std::current_exception());
        }
    }
}
