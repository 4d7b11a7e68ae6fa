#pragma once
// Loopback helpers for the SOCKS tests: an echo server, proxies run as
// child processes, and TCP connect/read/write with time-outs.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

/// A connected or listening socket, closed on destruction.
class TSocket {
public:
    TSocket() = default;
    explicit TSocket(int fd) : FD(fd) {}
    TSocket(TSocket&& other) noexcept : FD(other.Release()) {}
    TSocket& operator=(TSocket&& other) noexcept;
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    ~TSocket();

    int Get() const { return FD; }
    int Release();
    explicit operator bool() const { return FD >= 0; }

private:
    int FD = -1;
};

/// A TCP connection to 127.0.0.1:port (or an invalid socket when refused).
TSocket ConnectLoopback(std::uint16_t port);
/// A socket listening on 127.0.0.1 at a port the system picks.
TSocket ListenLoopback(std::uint16_t& port);
/// A loopback port nobody listens on right now.
std::uint16_t FreePort();
/// Sends all of `text`.
bool SendText(int fd, const std::string& text);
/// Reads exactly `size` bytes within `timeoutMs`; fewer when the peer closed or time ran out.
std::string ReceiveText(int fd, std::size_t size, int timeoutMs = 5000);

/// Echoes every byte back on every connection until destroyed.
class TEchoServer {
public:
    TEchoServer();
    ~TEchoServer();
    std::uint16_t Port() const { return ListenPort; }

private:
    void Run();
    TSocket Listener;
    std::uint16_t ListenPort = 0;
    int StopPipe[2] = {-1, -1};
    std::thread Thread;
};

/// A program run as a child process in its own process group, its output in
/// `logFile`; stopped (SIGTERM, then SIGKILL after a grace period) on destruction.
class TChildProcess {
public:
    TChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logFile);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Running();
    /// Waits until 127.0.0.1:port accepts connections; false if the process died or time ran out.
    bool WaitForPort(std::uint16_t port, int timeoutMs = 10000);

private:
    int Pid = -1;
};

/// A fresh temporary directory, removed with its contents on destruction.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::filesystem::path& Path() const { return Dir; }

private:
    std::filesystem::path Dir;
};
