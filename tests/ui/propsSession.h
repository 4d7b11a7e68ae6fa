#pragma once
// A browsing worker logged in to a test server, with its events run on the
// Qt thread as in the main window, and the commands it sent.

#include "servers/ServerHost.h"
#include "servers/TestServers.h"
#include "session/FTPWorker.h"
#include "ui/FilePropertiesForm.h"
#include "ui/QtEventPump.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TPropsSession {
public:
    TEventDispatcher Dispatcher;
    TQtEventPump Pump{Dispatcher};
    TFTPWorker Worker{&Dispatcher};
    std::atomic<int> Listings{0};

    explicit TPropsSession(const TestFtpServer& server);
    ~TPropsSession();

    /// Logs in; answers once the first listing arrived and the worker is idle.
    bool Open();
    /// Changes into `path` and lists it; answers once listed and idle.
    bool ChangeTo(const std::string& path);
    /// Waits for a listing after `before` listings and an idle worker.
    bool WaitForListing(int before);
    /// Copies of the current listing's entries named `names`, in that order.
    std::vector<TPropertyEntry> Entries(const std::vector<std::string>& names) const;
    /// The commands sent since the last call ("SITE CHMOD 646 a.txt", ...).
    std::vector<std::string> TakeCommands();
    /// How many of `commands` begin with `prefix`.
    static int CountStarting(const std::vector<std::string>& commands, const std::string& prefix);

private:
    const TestFtpServer& server_;
    std::mutex mutex_;
    std::vector<std::string> commands_;
};

/// Runs the Qt event loop until `done()` holds or `milliseconds` passed.
bool RunEventsUntil(const std::function<bool()>& done, int milliseconds = 30000);

/// The German language file of the source tree registered (1031).
void RegisterGerman();
