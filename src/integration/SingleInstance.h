#pragma once
// TSingleInstance: one running program per user and data directory. At
// start-up the program reads its command line: a request (a link, files to
// upload) goes to the instance that already runs, and this start ends;
// otherwise this start becomes the running instance, listens for later
// requests and keeps its own request until the window is ready.
//
// In main():
//   TSingleInstance instance(config.DataDirectory());
//   std::string error;
//   switch (instance.Start(arguments, QDir::currentPath().toStdString(), error)) {
//   case tsHandedOver: return 0;
//   case tsAlreadyRunning: return 0;  // its window was asked to the front
//   case tsFailed:     print error; return 2;
//   case tsRunHere:    break;
//   }
//   connect instance.Server().OnURL / OnFiles to the window's handlers;
//   after the delayed start-up: instance.DeliverPending();
//
// Contract: user-interface thread. Start() blocks for at most a few
// seconds while a running instance takes the request. When this start runs
// here but cannot listen (the socket cannot be made), it still runs; later
// starts then run beside it.

#include "integration/HandOffMessage.h"
#include "integration/HandOffServer.h"

#include <optional>
#include <string>
#include <vector>

enum TSingleInstanceStart {
    tsRunHere,        // this start is the running instance
    tsHandedOver,     // the running instance took this start's request
    tsAlreadyRunning, // no request, and an instance runs (the data files are its);
                      // it was asked to bring its window to the front
    tsFailed,         // a malformed request, or the running instance refused it
};

class TSingleInstance {
public:
    explicit TSingleInstance(const std::string& dataDirectory);

    /// `arguments` without the program name; `workingFolder` resolves
    /// relative file names. `error` receives the text for the user on tsFailed.
    TSingleInstanceStart Start(const std::vector<std::string>& arguments, const std::string& workingFolder,
                               std::string& error);

    THandOffServer& Server() { return server_; }
    bool HasPending() const { return pending_.has_value(); }
    /// Hands this start's own request to the server's handlers (once).
    void DeliverPending();

private:
    THandOffServer server_;
    std::optional<THandOffMessage> pending_;
};
