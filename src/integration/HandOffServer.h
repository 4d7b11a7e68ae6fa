#pragma once
// THandOffServer: the running program's end of the hand-off. It listens on
// a local socket that belongs to the user and the data directory (see
// SocketName), reads one message per connection, answers "A" (accepted) or
// "R" (refused) and then fires OnURL or OnFiles from the event loop (never
// inside the socket's own handler, so the handlers may open dialogs).
//
// Contract:
// - One thread with a Qt event loop (the user-interface thread).
// - Listen() answers false when another instance already answers on the
//   name (this start should hand its request over instead) or the socket
//   cannot be made. A socket file left by a crashed instance is replaced.
// - Bad input is refused, reported through OnRefused and never reaches the
//   other events. A connection that sends nothing whole within 10 s is
//   dropped; at most 16 connections are served at once.

#include "integration/HandOffMessage.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

class THandOffServer {
public:
    std::function<void(const std::string& url)> OnURL;
    std::function<void(int hostIndex, const std::vector<std::string>& paths)> OnFiles;
    std::function<void(const std::string& reason)> OnRefused;
    /// Another start without a request: bring the window to the front.
    std::function<void()> OnActivate;

    /// The socket path for the user's data directory: in $XDG_RUNTIME_DIR
    /// when set, else in the user's private temporary folder, named after
    /// the user and a digest of the directory (in the data directory itself
    /// when no private temporary folder can be made).
    static std::string SocketName(const std::string& dataDirectory);

    explicit THandOffServer(std::string socketName);
    ~THandOffServer();
    THandOffServer(const THandOffServer&) = delete;
    THandOffServer& operator=(const THandOffServer&) = delete;

    bool Listen();
    bool IsListening() const;
    /// Whether the last Listen() failed because an instance answered.
    bool OtherInstanceAnswered() const { return otherInstance_; }
    const std::string& Name() const { return name_; }

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Finish(QLocalSocket* socket, bool accepted);
    void Deliver(const THandOffMessage& message);

    std::string name_;
    std::unique_ptr<QLocalServer> server_;
    std::map<QLocalSocket*, THandOffParser> parsers_;
    std::shared_ptr<bool> alive_;
    bool otherInstance_ = false;
};
