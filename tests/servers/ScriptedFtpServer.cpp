#include "servers/ScriptedFtpServer.h"

#include "servers/TestServers.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace {

int ListenLoopback(std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0)
        throw std::runtime_error("scripted server cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

int AcceptWithin(int fd, int timeoutMs)
{
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0)
        return -1;
    return ::accept(fd, nullptr, nullptr);
}

}  // namespace

ScriptedSession::~ScriptedSession()
{
    if (ssl_)
        SSL_free(ssl_);
    ERR_clear_error();
}

bool ScriptedSession::AcceptDataTls(int fd, const TestCertificate& certificate)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_use_certificate_chain_file(context, certificate.CertFile().c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, certificate.KeyFile().c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context);
        return false;
    }
    SSL* ssl = SSL_new(context);
    SSL_CTX_free(context);
    SSL_set_fd(ssl, fd);
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const bool ok = SSL_accept(ssl) == 1;
    SSL_free(ssl);
    ERR_clear_error();
    return ok;
}

void ScriptedSession::EndOfScript()
{
    if (ssl_)
        SSL_shutdown(ssl_);
    // Let the client read what was sent before the connection ends.
    ::shutdown(fd_, SHUT_WR);
}

bool ScriptedSession::StartTls(const TestCertificate& certificate)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context || SSL_CTX_use_certificate_chain_file(context, certificate.CertFile().c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, certificate.KeyFile().c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context);
        failure = "cannot load the test certificate";
        return false;
    }
    ssl_ = SSL_new(context);
    SSL_CTX_free(context);  // the session keeps its own reference
    SSL_set_fd(ssl_, fd_);
    // A client that never answers must not stall the test.
    timeval limit{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (SSL_accept(ssl_) != 1) {
        ERR_clear_error();
        SSL_free(ssl_);
        ssl_ = nullptr;
        if (failure.empty())
            failure = "TLS handshake failed";
        return false;
    }
    return true;
}

void ScriptedSession::Send(const std::string& bytes)
{
    if (ssl_) {
        if (SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) <= 0)
            ERR_clear_error();
        return;
    }
    SendData(fd_, bytes);
}

std::string ScriptedSession::ReadCommand()
{
    while (true) {
        const auto lf = buffer_.find('\n');
        if (lf != std::string::npos) {
            std::string line = buffer_.substr(0, lf);
            buffer_.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            commands.push_back(line);
            return line;
        }
        char chunk[4096];
        if (ssl_) {
            const int got = SSL_read(ssl_, chunk, sizeof chunk);
            if (got <= 0) {
                ERR_clear_error();
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            return {};
        const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0)
            return {};
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ScriptedSession::WaitForClose()
{
    buffer_.clear();
    char chunk[4096];
    while (true) {
        if (ssl_) {
            if (SSL_read(ssl_, chunk, sizeof chunk) <= 0) {
                ERR_clear_error();
                return true;
            }
            continue;
        }
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            return false;
        if (::recv(fd_, chunk, sizeof chunk, 0) <= 0)
            return true;
    }
}

std::string ScriptedSession::Expect(const std::string& prefix)
{
    std::string line = ReadCommand();
    if (line.rfind(prefix, 0) != 0 && failure.empty())
        failure = "expected \"" + prefix + "\", got \"" + line + "\"";
    return line;
}

std::uint16_t ScriptedSession::ListenData()
{
    if (listenFd_ >= 0)
        ::close(listenFd_);
    std::uint16_t port = 0;
    listenFd_ = ListenLoopback(port);
    return port;
}

int ScriptedSession::AcceptData()
{
    const int fd = AcceptWithin(listenFd_, 10000);
    ::close(listenFd_);
    listenFd_ = -1;
    if (fd < 0 && failure.empty())
        failure = "no data connection";
    return fd;
}

int ScriptedSession::ConnectData(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && failure.empty())
        failure = "cannot connect to the client's data port";
    return fd;
}

void ScriptedSession::SendData(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += static_cast<std::size_t>(sent);
    }
}

std::string ScriptedSession::ReceiveData(int fd)
{
    std::string bytes;
    char chunk[65536];
    while (true) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0)
            break;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

void ScriptedSession::CloseData(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

std::string ScriptedSession::PasvReply(std::uint16_t port)
{
    return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
           ")\r\n";
}

ScriptedFtpServer::ScriptedFtpServer(Script script)
{
    // A script that ends TLS on a connection the client dropped writes into
    // a closed socket; that must fail the write, not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    listenFd_ = ListenLoopback(port_);
    thread_ = std::thread([this, script = std::move(script)] {
        const int fd = AcceptWithin(listenFd_, 10000);
        {
            std::lock_guard lock(mutex_);
            clientFd_ = fd;
        }
        if (fd < 0) {
            std::lock_guard lock(mutex_);
            failure_ = "no control connection";
            return;
        }
        ScriptedSession session(fd);
        script(session);
        session.EndOfScript();
        std::lock_guard lock(mutex_);
        commands_ = session.commands;
        failure_ = session.failure;
    });
}

void ScriptedFtpServer::Join()
{
    if (thread_.joinable())
        thread_.join();
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    Join();
    if (clientFd_ >= 0)
        ::close(clientFd_);
    ::close(listenFd_);
}

std::vector<std::string> ScriptedFtpServer::Commands()
{
    Join();
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string ScriptedFtpServer::Failure()
{
    Join();
    std::lock_guard lock(mutex_);
    return failure_;
}
