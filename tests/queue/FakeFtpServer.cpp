#include "FakeFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace {

std::string Argument(const std::string& line)
{
    const auto blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

bool StartsWith(const std::string& line, const char* prefix)
{
    return line.rfind(prefix, 0) == 0;
}

}  // namespace

FakeFtpServer::FakeFtpServer()
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listenFd_, 8) != 0
        || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("fake FTP server cannot listen");
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

FakeFtpServer::~FakeFtpServer()
{
    stopping_ = true;
    acceptThread_.join();
    ::close(listenFd_);
    std::vector<std::thread> sessions;
    {
        std::lock_guard lock(mutex_);
        for (const int fd : sessionFds_)
            ::shutdown(fd, SHUT_RDWR);
        sessions.swap(sessions_);
    }
    for (auto& session : sessions)
        session.join();
}

void FakeFtpServer::AcceptLoop()
{
    while (!stopping_) {
        pollfd pfd{listenFd_, POLLIN, 0};
        if (::poll(&pfd, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int connection = static_cast<int>(++connections_);
        std::lock_guard lock(mutex_);
        sessionFds_.push_back(fd);
        sessions_.emplace_back([this, fd, connection] { Session(fd, connection); });
    }
}

void FakeFtpServer::Session(int fd, int connection)
{
    {
        ScriptedSession s(fd);
        s.Send("220 fake server\r\n");
        std::string cwd = "/";
        std::int64_t rest = 0;
        for (;;) {
            const std::string line = s.ReadCommand();
            if (line.empty() || stopping_)
                break;
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(std::to_string(connection) + ": " + line);
            }
            if (StartsWith(line, "QUIT")) {
                s.Send("221 bye\r\n");
                break;
            }
            Command(s, connection, line, cwd, rest);
        }
        s.EndOfScript();
    }
    std::lock_guard lock(mutex_);
    std::erase(sessionFds_, fd);
    ::close(fd);
}

void FakeFtpServer::Command(ScriptedSession& s, int connection, const std::string& line, std::string& cwd,
                            std::int64_t& rest)
{
    const std::string argument = Argument(line);
    if (StartsWith(line, "USER")) {
        s.Send("331 password\r\n");
    } else if (StartsWith(line, "PASS")) {
        s.Send("230 logged in\r\n");
    } else if (StartsWith(line, "FEAT")) {
        s.Send("211-Features:\r\n SIZE\r\n REST STREAM\r\n211 End\r\n");
    } else if (StartsWith(line, "TYPE")) {
        s.Send("200 type set\r\n");
    } else if (StartsWith(line, "PWD")) {
        s.Send("257 \"" + cwd + "\" is the current folder\r\n");
    } else if (StartsWith(line, "CWD")) {
        cwd = Absolute(cwd, argument);
        if (cwd.size() > 1 && cwd.back() == '/')
            cwd.pop_back();
        s.Send("250 ok\r\n");
    } else if (StartsWith(line, "REST")) {
        rest = std::stoll(argument);
        s.Send(restart_ ? "350 restarting\r\n" : "502 no restart\r\n");
    } else if (StartsWith(line, "PASV")) {
        s.Send(ScriptedSession::PasvReply(s.ListenData()));
    } else if (StartsWith(line, "SIZE") && !size_) {
        s.Send("502 not here\r\n");
    } else if (StartsWith(line, "SIZE")) {
        const std::string path = Absolute(cwd, argument);
        if (HasFile(path))
            s.Send("213 " + std::to_string(File(path).size()) + "\r\n");
        else
            s.Send("550 no such file\r\n");
    } else if (StartsWith(line, "LIST")) {
        std::vector<std::string> lines;
        {
            std::lock_guard lock(mutex_);
            const auto found = listings_.find(argument.empty() ? cwd : Absolute(cwd, argument));
            if (found != listings_.end())
                lines = found->second;
        }
        const int data = s.AcceptData();
        s.Send("150 listing\r\n");
        std::string text;
        for (const auto& entry : lines)
            text += entry + "\r\n";
        SendAll(data, text);
        ScriptedSession::CloseData(data);
        s.Send("226 done\r\n");
    } else if (StartsWith(line, "RETR")) {
        ServeRetr(s, connection, Absolute(cwd, argument), rest);
        rest = 0;
    } else if (StartsWith(line, "APPE") || StartsWith(line, "STOR")) {
        ServeAppe(s, Absolute(cwd, argument));
    } else if (StartsWith(line, "DELE")) {
        std::lock_guard lock(mutex_);
        files_.erase(Absolute(cwd, argument));
        s.Send("250 deleted\r\n");
    } else if (StartsWith(line, "MKD")) {
        s.Send("257 created\r\n");
    } else {
        s.Send("502 not here\r\n");
    }
}

void FakeFtpServer::ServeRetr(ScriptedSession& s, int connection, const std::string& path, std::int64_t rest)
{
    RetrHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = retr_;
    }
    if (!handler && !HasFile(path)) {
        s.AcceptData();
        s.Send("550 no such file\r\n");
        return;
    }
    const int data = s.AcceptData();
    s.Send("150 sending\r\n");
    if (handler) {
        handler(s, data, Retr{connection, path, rest});
        return;
    }
    const std::string bytes = File(path);
    SendAll(data, bytes.substr(static_cast<std::size_t>(std::min<std::int64_t>(rest, bytes.size()))));
    ScriptedSession::CloseData(data);
    s.Send("226 done\r\n");
}

void FakeFtpServer::ServeAppe(ScriptedSession& s, const std::string& path)
{
    const int data = s.AcceptData();
    s.Send("150 receiving\r\n");
    std::string bytes = ScriptedSession::ReceiveData(data);
    ScriptedSession::CloseData(data);
    const std::int64_t keep = keepOnAppend_;
    if (keep >= 0 && static_cast<std::int64_t>(bytes.size()) > keep)
        bytes.resize(static_cast<std::size_t>(keep));
    {
        std::lock_guard lock(mutex_);
        files_[path] += bytes;
    }
    s.Send("226 stored\r\n");
}

std::string FakeFtpServer::Absolute(const std::string& cwd, const std::string& name) const
{
    if (!name.empty() && name[0] == '/')
        return name;
    return (cwd == "/" ? "" : cwd) + "/" + name;
}

void FakeFtpServer::SetFile(const std::string& path, std::string bytes)
{
    std::lock_guard lock(mutex_);
    files_[path] = std::move(bytes);
}

std::string FakeFtpServer::File(const std::string& path)
{
    std::lock_guard lock(mutex_);
    const auto found = files_.find(path);
    return found == files_.end() ? std::string() : found->second;
}

bool FakeFtpServer::HasFile(const std::string& path)
{
    std::lock_guard lock(mutex_);
    return files_.contains(path);
}

void FakeFtpServer::SetListing(const std::string& folder, std::vector<std::string> lines)
{
    std::lock_guard lock(mutex_);
    listings_[folder] = std::move(lines);
}

void FakeFtpServer::OnRetr(RetrHandler handler)
{
    std::lock_guard lock(mutex_);
    retr_ = std::move(handler);
}

std::vector<std::string> FakeFtpServer::Commands()
{
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string FakeFtpServer::FileLine(const std::string& name, std::int64_t size)
{
    return "-rw-r--r--    1 1000     1000     " + std::to_string(size) + " Jan 02 12:00 " + name;
}

std::string FakeFtpServer::DirLine(const std::string& name)
{
    return "drwxr-xr-x    2 1000     1000         4096 Jan 02 12:00 " + name;
}

bool FakeFtpServer::SendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}
