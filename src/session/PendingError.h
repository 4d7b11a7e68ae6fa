#pragma once
// TPendingError: the browsing session's one-slot pending error.
//
// The worker (or a direct operation on the user-interface thread) stores
// the error it wants shown; the user-interface thread takes it out when the
// notification reaches it. A newer error replaces one not yet taken: two
// failures in quick succession produce one dialog, showing the second.
//
// Contract:
// - Thread-safe: Set() on any thread, Take() on another.
// - Set() calls the notification handler after the error is stored, on the
//   setting thread and without holding the slot's lock; the handler should
//   only post a message (it must not wait for the user). A handler is never
//   called after SetOnErrorPending() replaced it or the slot was destroyed.
// - The handler must not call SetOnErrorPending() itself.

#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TPendingError {
public:
    TPendingError() = default;
    TPendingError(const TPendingError&) = delete;
    TPendingError& operator=(const TPendingError&) = delete;
    ~TPendingError();

    /// Stores `error` (replacing and freeing any error not yet taken), then
    /// notifies. A null error empties the slot without notifying.
    void Set(std::unique_ptr<std::exception> error);
    /// Empties the slot; nullptr when it was empty.
    std::unique_ptr<std::exception> Take();
    bool Empty() const;

    /// The handler fired after every Set() of an error; empty detaches.
    void SetOnErrorPending(std::function<void()> handler);

private:
    mutable std::mutex slotLock_;
    std::unique_ptr<std::exception> error_;
    // Held while the handler runs, so that detaching waits for a running call.
    std::mutex handlerLock_;
    std::function<void()> onErrorPending_;
};
