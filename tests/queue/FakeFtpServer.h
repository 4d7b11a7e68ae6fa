#pragma once
// A small in-process FTP server for the queue's failure cases that real
// servers do not produce on demand: a download cut in the middle with
// "426" then "226", an upload that the server acknowledges but keeps short,
// a listing with names that would leave the local folder, a transfer that
// never ends. It accepts any number of control connections (transfer
// threads reconnect), answers the usual commands from an in-memory file
// map and lets the test take over RETR, APPE and LIST.
//
// Passive mode only. Every session runs on its own thread; the destructor
// closes the listener and joins them.

#include "servers/ScriptedFtpServer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeFtpServer {
public:
    struct Retr {
        int Connection;         // 1 for the first control connection
        std::string Path;
        std::int64_t Offset;    // from "REST", 0 without
    };
    /// Serves RETR on `data` (already accepted, after "150"); answers the
    /// final reply itself (Send on the session) and closes `data`.
    using RetrHandler = std::function<void(ScriptedSession& session, int data, const Retr& request)>;

    FakeFtpServer();
    ~FakeFtpServer();
    FakeFtpServer(const FakeFtpServer&) = delete;
    FakeFtpServer& operator=(const FakeFtpServer&) = delete;

    std::uint16_t Port() const { return port_; }

    void SetFile(const std::string& path, std::string bytes);
    std::string File(const std::string& path);
    bool HasFile(const std::string& path);
    /// Lines of the listing "LIST" sends for a folder (cwd).
    void SetListing(const std::string& folder, std::vector<std::string> lines);
    /// Replaces the plain RETR from the file map.
    void OnRetr(RetrHandler handler);
    /// Bytes of an APPE that the server keeps (the rest is dropped); -1: all.
    void KeepOnAppend(std::int64_t bytes) { keepOnAppend_ = bytes; }
    /// Whether "REST 1" is accepted (restart support).
    void SetRestartSupported(bool value) { restart_ = value; }
    /// Whether "SIZE" is known; without it the server answers "502".
    void SetSizeSupported(bool value) { size_ = value; }

    /// Every command received, "<connection>: <line>".
    std::vector<std::string> Commands();
    std::size_t Connections() const { return connections_.load(); }

    /// A plain unix listing line for a file.
    static std::string FileLine(const std::string& name, std::int64_t size);
    static std::string DirLine(const std::string& name);
    /// Sends `bytes` on a data connection; false when the client closed it.
    static bool SendAll(int fd, const std::string& bytes);

private:
    void AcceptLoop();
    void Session(int fd, int connection);
    void Command(ScriptedSession& s, int connection, const std::string& line, std::string& cwd,
                 std::int64_t& rest);
    void ServeRetr(ScriptedSession& s, int connection, const std::string& path, std::int64_t rest);
    void ServeAppe(ScriptedSession& s, const std::string& path);
    std::string Absolute(const std::string& cwd, const std::string& name) const;

    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> connections_{0};
    std::atomic<std::int64_t> keepOnAppend_{-1};
    std::atomic<bool> restart_{true};
    std::atomic<bool> size_{true};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::vector<std::thread> sessions_;
    std::vector<int> sessionFds_;
    std::map<std::string, std::string> files_;
    std::map<std::string, std::vector<std::string>> listings_;
    std::vector<std::string> commands_;
    RetrHandler retr_;
};
