#include "SocksTestServers.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

sockaddr_in LoopbackAddress(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

TSocket& TSocket::operator=(TSocket&& other) noexcept
{
    if (this != &other) {
        if (FD >= 0)
            ::close(FD);
        FD = other.Release();
    }
    return *this;
}

TSocket::~TSocket()
{
    if (FD >= 0)
        ::close(FD);
}

int TSocket::Release()
{
    const int fd = FD;
    FD = -1;
    return fd;
}

TSocket ConnectLoopback(std::uint16_t port)
{
    TSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(port);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return TSocket();
    return socket;
}

TSocket ListenLoopback(std::uint16_t& port)
{
    TSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(socket.Get(), 16) != 0
        || ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return socket;
}

std::uint16_t FreePort()
{
    std::uint16_t port = 0;
    ListenLoopback(port);
    return port;
}

bool SendText(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t sent = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

std::string ReceiveText(int fd, std::size_t size, int timeoutMs)
{
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[4096];
        const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, size - out.size()), 0);
        if (got <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

TEchoServer::TEchoServer()
{
    Listener = ListenLoopback(ListenPort);
    if (::pipe2(StopPipe, O_CLOEXEC) != 0)
        std::abort();
    Thread = std::thread([this] { Run(); });
}

TEchoServer::~TEchoServer()
{
    (void)::write(StopPipe[1], "x", 1);
    Thread.join();
    ::close(StopPipe[0]);
    ::close(StopPipe[1]);
}

// One thread serves every connection with poll, so the server stops as
// soon as the stop pipe is written.
void TEchoServer::Run()
{
    std::vector<TSocket> clients;
    for (;;) {
        std::vector<pollfd> fds = {{StopPipe[0], POLLIN, 0}, {Listener.Get(), POLLIN, 0}};
        for (const TSocket& client : clients)
            fds.push_back({client.Get(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents & POLLIN)
            clients.emplace_back(::accept4(Listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
            if (got <= 0 || !SendText(fds[i].fd, std::string(buffer, static_cast<std::size_t>(got))))
                clients[i - 2] = TSocket();
        }
        std::erase_if(clients, [](const TSocket& s) { return !s; });
    }
}

TChildProcess::TChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logFile)
{
    // Everything the child needs is prepared before fork: the test process
    // has threads, so the child may only make plain system calls.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const std::string log = logFile.string();
    Pid = ::fork();
    if (Pid == 0) {
        ::setpgid(0, 0);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (Pid > 0)
        ::setpgid(Pid, Pid);
}

// The process is reaped only here, so until then its id (and the id of its
// process group) cannot be taken by another process.
TChildProcess::~TChildProcess()
{
    if (Pid <= 0)
        return;
    ::kill(-Pid, SIGTERM);
    for (int i = 0; i < 50 && Running(); ++i)
        ::usleep(100 * 1000);
    ::kill(-Pid, SIGKILL);  // worker processes the program forked, or the program itself if it hung
    int status = 0;
    ::waitpid(Pid, &status, 0);
}

bool TChildProcess::Running()
{
    siginfo_t info{};
    return Pid > 0 && ::waitid(P_PID, static_cast<id_t>(Pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0
           && info.si_pid == 0;
}

bool TChildProcess::WaitForPort(std::uint16_t port, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!Running())
            return false;
        if (ConnectLoopback(port))
            return true;
        ::usleep(50 * 1000);
    }
    return false;
}

TTempDir::TTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tovrel-socks-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    Dir = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
}
