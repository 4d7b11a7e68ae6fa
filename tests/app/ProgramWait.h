#pragma once
// Shared by the tests that start the program as a process of its own:
// waiting, without an event loop, for something the other process does.

#include <QElapsedTimer>
#include <QThread>

#include <functional>

/// Polls `condition` every 20 ms until it answers true (true) or
/// `milliseconds` passed (false).
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(20);
    }
    return true;
}
