#include "session/EventDispatcher.h"

TEventDispatcher::TEventDispatcher() : owner_(std::this_thread::get_id()) {}

TEventDispatcher::~TEventDispatcher()
{
    Shutdown();
}

void TEventDispatcher::Post(std::function<void()> closure)
{
    {
        std::lock_guard lock(mutex_);
        if (shutDown_)
            return;
        queue_.push_back({std::move(closure), nullptr});
    }
    queued_.notify_all();
    Wake();
}

void TEventDispatcher::SetWakeHandler(std::function<void()> wake)
{
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void TEventDispatcher::Wake()
{
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        wake = wake_;
    }
    if (wake)
        wake();
}

void TEventDispatcher::Send(std::function<void()> closure)
{
    if (IsOwnerThread()) {
        closure();
        return;
    }
    TWaiter waiter;
    std::unique_lock lock(mutex_);
    if (shutDown_)
        return;
    queue_.push_back({std::move(closure), &waiter});
    queued_.notify_all();
    lock.unlock();
    Wake();
    lock.lock();
    waiter.Done.wait(lock, [&] { return waiter.Ran || shutDown_; });
}

bool TEventDispatcher::RunOne(std::unique_lock<std::mutex>& lock)
{
    if (queue_.empty())
        return false;
    TEntry entry = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    struct TRelease {  // the sender is released even when the closure raises
        TEventDispatcher& Self;
        TWaiter* Waiter;
        ~TRelease()
        {
            if (!Waiter)
                return;
            // Under the lock: the waiter lives on the sender's stack and is
            // gone as soon as the sender sees the flag.
            std::lock_guard guard(Self.mutex_);
            Waiter->Ran = true;
            Waiter->Done.notify_one();
        }
    } release{*this, entry.Waiter};
    entry.Closure();
    return true;
}

bool TEventDispatcher::ProcessEvents()
{
    bool any = false;
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
        RunOne(lock);
        lock.lock();
        any = true;
    }
    return any;
}

bool TEventDispatcher::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessEvents();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        if (!queued_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) {
            lock.unlock();
            return done();
        }
    }
}

void TEventDispatcher::Shutdown()
{
    std::deque<TEntry> dropped;
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        dropped.swap(queue_);
        for (const TEntry& entry : dropped)
            if (entry.Waiter)
                entry.Waiter->Done.notify_one();
    }
}
