#include "session/PendingError.h"

TPendingError::~TPendingError()
{
    SetOnErrorPending(nullptr);
}

void TPendingError::Set(std::unique_ptr<std::exception> error)
{
    const bool notify = error != nullptr;
    std::unique_ptr<std::exception> replaced;
    {
        const std::lock_guard guard(slotLock_);
        replaced = std::move(error_);
        error_ = std::move(error);
    }
    replaced.reset(); // freed outside the lock
    if (!notify)
        return;
    const std::lock_guard guard(handlerLock_);
    if (onErrorPending_)
        onErrorPending_();
}

std::unique_ptr<std::exception> TPendingError::Take()
{
    const std::lock_guard guard(slotLock_);
    return std::move(error_);
}

bool TPendingError::Empty() const
{
    const std::lock_guard guard(slotLock_);
    return error_ == nullptr;
}

void TPendingError::SetOnErrorPending(std::function<void()> handler)
{
    const std::lock_guard guard(handlerLock_);
    onErrorPending_ = std::move(handler);
}
