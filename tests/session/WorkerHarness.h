#pragma once
// A browsing worker driven headless from the test thread: its events arrive
// through a dispatcher and are recorded in order, its log lines and errors
// are kept for the checks.

#include "session/EventDispatcher.h"
#include "session/FTPWorker.h"
#include "servers/TestServers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// FixtureTree plus what browsing meets: nested folders, links to a folder
/// and to a file, a dangling link, names with spaces and UTF-8 names, a
/// tree to delete and a tree holding a link.
class BrowseTree {
public:
    BrowseTree();
    const std::string& Root() const { return files_.Root(); }
    bool Exists(const std::string& relative) const;

private:
    FixtureTree files_;
};

class WorkerHarness {
public:
    WorkerHarness();
    ~WorkerHarness();

    THost HostFor(const TestFtpServer& server) const;
    /// SetHost and wait until logged in (or the session failed).
    bool Connect(const THost& host);
    /// RequestListing and wait for its OnListingReady.
    void List();
    /// Waits until `count` events named `name` have been recorded.
    bool WaitForEvent(const std::string& name, std::size_t count, int seconds = 30);
    std::size_t Count(const std::string& name) const;
    /// Commands sent since the last ClearLog().
    std::vector<std::string> Commands() const;
    std::size_t CountCommands(const std::string& prefix) const;
    void ClearLog();
    /// The pending error's message, "" when none (the slot is emptied).
    std::string TakeError();
    /// Names and kinds of the worker's listing ("name/" for folders).
    std::vector<std::string> ListingNames() const;

    TEventDispatcher Dispatcher;
    std::unique_ptr<TFTPWorker> Worker;
    std::vector<std::string> Events;  // test thread only

private:
    mutable std::mutex logMutex_;
    std::vector<std::string> commands_;
};
