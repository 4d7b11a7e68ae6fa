#pragma once
// TProcessRunner: starts one program and reports its exit on the thread
// that started it (which must run a Qt event loop).
//
// Contract:
// - Start() answers false when the program cannot be started (nothing is
//   reported then). OnExit fires once, after the process ended and was
//   reaped.
// - Destroying the runner never kills or waits for the program: a user's
//   editor outlives the window that opened it. OnExit does not fire after
//   destruction.
// - One thread (the starting one) only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;

class TProcessRunner {
public:
    TProcessRunner();
    ~TProcessRunner();
    TProcessRunner(const TProcessRunner&) = delete;
    TProcessRunner& operator=(const TProcessRunner&) = delete;

    std::function<void(TProcessRunner& runner)> OnExit;

    /// `arguments[0]` is looked up in PATH when it holds no "/".
    bool Start(const std::vector<std::string>& arguments);
    bool Running() const { return pid_ > 0; }
    int ProcessId() const { return pid_; }

private:
    void CheckExited();

    int pid_ = -1;
    int pidfd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> poll_; // kernels without process descriptors
};
