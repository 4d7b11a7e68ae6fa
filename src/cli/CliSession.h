#pragma once
// TCliSession: the program's browsing session (TFTPWorker) driven from the
// command line, so that the session commands behave exactly as the program
// does. Its events arrive on the calling thread through a dispatcher; the
// calls below block until the worker has finished what they asked for.
//
// Failures the program would show in its error dialog end the command:
// the session raises ECliSessionError with the program's short and long
// text. Not thread-safe: one thread drives a session.

#include "cli/CliConnection.h"
#include "session/EventDispatcher.h"
#include "session/FTPWorker.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class ECliSessionError : public std::runtime_error {
public:
    ECliSessionError(const std::string& shortText, std::string longText)
        : std::runtime_error(shortText), long_(std::move(longText)) {}
    const std::string& LongText() const { return long_; }

private:
    std::string long_;
};

class TCliSession {
public:
    /// Connects and logs in to `target.Host` with the engine settings of
    /// `options`; raises ECliSessionError when that fails.
    TCliSession(const TCliTarget& target, const TCliOptions& options);
    ~TCliSession();
    TCliSession(const TCliSession&) = delete;
    TCliSession& operator=(const TCliSession&) = delete;

    TFTPWorker& Worker() { return *worker_; }

    /// The worker's ChangeDir; then raises a pending error.
    void ChangeDir(const std::string& path);
    /// Lists the current folder through the worker (cache, links
    /// resolved); raises a pending error. Never null on return.
    TFTPWorker::TListing List();
    /// Runs a direct operation of the worker, then raises a pending error.
    void Run(const std::function<void(TFTPWorker&)>& operation);
    /// Requests the recursive delete of `name` in the current folder and
    /// waits for its end; raises a pending error.
    void DeleteTree(const std::string& name);
    /// Walks `path`, calling `visit` with each folder's listing (and the
    /// folder as the worker's current directory); raises a pending error
    /// or ECliSessionError when the walk failed without one.
    void Walk(const std::string& path, const std::function<void(const TIdFTPListItems&)>& visit);

private:
    void Login(const THost& host);
    /// Waits until the operation started by `request` has ended: every
    /// busy event it fired was matched by its idle event.
    void RunOperation(const std::function<void()>& request);
    void WaitForIdleAfterBusy();
    void RaisePendingError();

    TEventDispatcher dispatcher_;
    std::unique_ptr<TFTPWorker> worker_;
    int depth_ = 0;           // busy events not yet matched by idle events
    int busyEvents_ = 0;      // busy events seen since the last request
    bool connected_ = false;  // OnConnected seen
    bool loggedIn_ = false;
    bool listingReady_ = false;
    bool deleteDone_ = false;
    bool searchDone_ = false;
};

/// Prints `error` as the program shows it: the short text, then the long
/// text, on standard error.
void PrintSessionError(const ECliSessionError& error);
