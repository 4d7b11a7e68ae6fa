#pragma once
// The QCoreApplication of a test program without widgets (sockets, timers
// and processes need one on the test thread), and a wait that keeps its
// event loop running.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

/// Creates the application object on first use; call before any socket.
inline QCoreApplication& TestCoreApp()
{
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

/// Runs the event loop until `done` answers true or `timeoutMs` passed.
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}
