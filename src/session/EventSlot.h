#pragma once
// TEventSlot: one attachable callback that may be attached, detached and
// fired from different threads. Fire() calls a copy of the callback taken
// under the lock, so detaching never races with a call in progress (a call
// that already started still finishes).

#include <functional>
#include <mutex>
#include <utility>

template <typename... Args>
class TEventSlot {
public:
    using Handler = std::function<void(Args...)>;

    void Set(Handler handler)
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    void Clear() { Set(nullptr); }
    bool Attached() const
    {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(handler_);
    }
    /// A copy of the handler (empty when detached).
    Handler Get() const
    {
        std::lock_guard lock(mutex_);
        return handler_;
    }

private:
    mutable std::mutex mutex_;
    Handler handler_;
};
