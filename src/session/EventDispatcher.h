#pragma once
// TEventDispatcher: a small event loop for one owning thread (the thread
// that created it). Other threads post closures to it; the owner runs them,
// in the order they were posted, when it calls ProcessEvents() or waits with
// WaitFor(). Headless front ends (tests, the command-line client) use it to
// receive the browsing worker's events on their own thread.
//
// Contract:
// - Post() from any thread; never blocks. After Shutdown() posts are dropped.
// - Send() from any thread: on the owner the closure runs at once; elsewhere
//   the caller blocks until the owner has run it. After Shutdown() (or when
//   Shutdown() happens while waiting) Send() returns without running it, so
//   a thread sending during shutdown never waits forever.
// - SetWakeHandler(): called after every closure queued (by Post, or by Send
//   from another thread), on the queuing thread, so a GUI event loop can schedule ProcessEvents() on the
//   owner (the desktop program posts a queued call to its main thread).
// - ProcessEvents(), WaitFor() and Shutdown() only on the owning thread.
//   Exceptions raised by a closure pass out of ProcessEvents()/WaitFor();
//   the closures queued after it stay queued.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TEventDispatcher {
public:
    TEventDispatcher();
    ~TEventDispatcher();
    TEventDispatcher(const TEventDispatcher&) = delete;
    TEventDispatcher& operator=(const TEventDispatcher&) = delete;

    void Post(std::function<void()> closure);
    void Send(std::function<void()> closure);

    /// `wake` runs on the posting thread after each closure is queued.
    void SetWakeHandler(std::function<void()> wake);

    bool IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

    /// Runs every closure queued so far; true when at least one ran.
    bool ProcessEvents();
    /// Runs closures as they arrive until `done()` answers true (checked after
    /// every closure) or `timeout` passed; answers `done()`.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    /// Drops the queue, refuses later posts and releases blocked senders.
    void Shutdown();

private:
    // A sender blocked in Send(), on its own stack: its own wake-up, so that
    // finishing one closure wakes its sender and no other.
    struct TWaiter {
        bool Ran = false;
        std::condition_variable Done;
    };
    struct TEntry {
        std::function<void()> Closure;
        TWaiter* Waiter = nullptr;  // set for Send()
    };
    bool RunOne(std::unique_lock<std::mutex>& lock);
    void Wake();

    const std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable queued_;  // the owner waits for work
    std::deque<TEntry> queue_;
    std::function<void()> wake_;
    bool shutDown_ = false;
};
