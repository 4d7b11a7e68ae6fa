#pragma once
// TTerminationSignals: turns SIGTERM and SIGINT into a call on the GUI
// thread, so that the program can close in order (settings saved) instead of
// dying mid-write.
//
// The signal handler only writes one byte into a socket pair (the self-pipe
// pattern: nothing else is safe inside a handler); a QSocketNotifier on the
// other end runs OnTerminate from the event loop. Signals that arrive before
// the loop runs are delivered once it starts. One instance per process; the
// destructor restores the previous handlers.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class TTerminationSignals {
public:
    TTerminationSignals();
    ~TTerminationSignals();

    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    /// Runs on the GUI thread once per received signal; skipped when unset.
    std::function<void(int signalNumber)> OnTerminate;

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};
