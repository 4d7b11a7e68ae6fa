#pragma once
// TQtEventPump: runs a TEventDispatcher's closures on the Qt main thread.
//
// The dispatcher must be owned by the thread that runs the Qt event loop
// (create both there). Whenever another thread queues a closure, the pump
// schedules one queued call on its own thread that runs everything queued
// so far, in order. Because the call is an ordinary posted event, it also
// runs inside modal loops (QDialog::exec, QMessageBox, drag loops), so a
// worker blocked in TEventDispatcher::Send() is released while a dialog is
// open.
//
// Contract:
// - Construct and destroy on the dispatcher's owning thread; the dispatcher
//   must outlive the pump. The destructor detaches the wake handler; a wake
//   that races with destruction is dropped safely.
// - An exception raised by a closure is caught and handed to the exception
//   handler (none: dropped); the closures after it still run.
// - Flush() runs what is queued now, at once (tests, shutdown).

#include "session/EventDispatcher.h"

#include <QObject>

#include <exception>
#include <functional>
#include <memory>

class TQtEventPump : public QObject {
    Q_OBJECT
public:
    explicit TQtEventPump(TEventDispatcher& dispatcher, QObject* parent = nullptr);
    ~TQtEventPump() override;

    /// Receives exceptions that escaped a closure (on the Qt thread).
    void SetExceptionHandler(std::function<void(std::exception_ptr)> handler);
    void Flush();

private:
    struct TShared;
    void Run();

    TEventDispatcher& dispatcher_;
    std::shared_ptr<TShared> shared_;
    std::function<void(std::exception_ptr)> onException_;
};
