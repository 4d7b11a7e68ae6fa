#include "ftp/IOHandlerStack.h"

#include "ftp/IdExceptions.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

[[noreturn]] void ThrowErrno(int err)
{
    throw EIdSocketError(IdSocketErrorFromErrno(err));
}

// A file that arrives in one or two reads costs less by copying than by
// setting up a pipe; beyond this many bytes the splice path pays off.
constexpr std::size_t kCopyBeforeSplice = 64 * 1024;
// The pipe's capacity bounds each splice; 1 MiB is the usual system limit.
constexpr int kPipeSize = 1024 * 1024;

void WaitReadable(int fd, int timeoutMs)
{
    if (timeoutMs <= 0)
        return;
    pollfd pfd{fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&pfd, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0)
        throw EIdReadTimeout();
}

/// sendfile(2) has no MSG_NOSIGNAL: while one runs, SIGPIPE stays blocked
/// for this thread, and one that the call raised is taken off again, so a
/// peer gone mid-upload is an error, not the end of the program.
class SigpipeBlock {
public:
    SigpipeBlock()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    }
    ~SigpipeBlock()
    {
        if (raised_ && !wasPending_) {
            const timespec zero{};
            while (sigtimedwait(&pipe_, nullptr, &zero) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;
    void Raised() { raised_ = true; }

private:
    sigset_t pipe_;
    sigset_t old_;
    bool wasPending_ = false;
    bool raised_ = false;
};

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

// Non-blocking connect so that a positive timeout can bound it; with 0 the
// wait has no limit of ours (the stack gives up by itself).
void ConnectWithTimeout(int fd, const sockaddr* address, socklen_t length, int timeoutMs)
{
    const int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, address, length);
    if (rc != 0 && errno != EINPROGRESS)
        ThrowErrno(errno);
    if (rc != 0) {
        pollfd pfd{fd, POLLOUT, 0};
        do {
            rc = ::poll(&pfd, 1, timeoutMs > 0 ? timeoutMs : -1);
        } while (rc < 0 && errno == EINTR);
        if (rc == 0)
            throw EIdConnectTimeout();
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0)
            ThrowErrno(err);
    }
    ::fcntl(fd, F_SETFL, flags);
}

}  // namespace

std::string IdAddressText(const void* address, std::uint16_t* port)
{
    char text[INET6_ADDRSTRLEN] = {};
    const auto* sa = static_cast<const sockaddr*>(address);
    if (sa->sa_family == AF_INET6) {
        const auto* in6 = static_cast<const sockaddr_in6*>(address);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        if (port)
            *port = ntohs(in6->sin6_port);
        // An IPv4 peer on a dual-stack socket shows as ::ffff:a.b.c.d.
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
            in_addr v4;
            std::memcpy(&v4, in6->sin6_addr.s6_addr + 12, 4);
            ::inet_ntop(AF_INET, &v4, text, sizeof text);
        }
    } else {
        const auto* in = static_cast<const sockaddr_in*>(address);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        if (port)
            *port = ntohs(in->sin_port);
    }
    return text;
}

bool IsIPv4Literal(const std::string& text)
{
    in_addr address;
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool IsIPv6Literal(const std::string& text)
{
    in6_addr address;
    return ::inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

TIdIOHandlerStack::~TIdIOHandlerStack()
{
    ClosePipe();
    ReleaseSocket();
}

int TIdIOHandlerStack::ConnectSocket(const std::string& host, std::uint16_t port)
{
    if (!IsIPv4Literal(host))
        DoStatus(hsResolving, host);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        throw EIdSocketError(11001);
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
    int lastError = ECONNREFUSED;
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        DoStatus(hsConnecting, IdAddressText(ai->ai_addr));
        try {
            ConnectWithTimeout(fd, ai->ai_addr, ai->ai_addrlen, ConnectTimeout);
            IPVersion = ai->ai_family == AF_INET6 ? Id_IPv6 : Id_IPv4;
            return fd;
        } catch (const EIdConnectTimeout&) {
            ::close(fd);
            throw;
        } catch (const EIdSocketError& error) {
            ::close(fd);
            if (!ai->ai_next)
                throw;
            lastError = 0;
        }
    }
    ThrowErrno(lastError);
}

void TIdIOHandlerStack::ConnectAndAdopt(const std::string& host, std::uint16_t port)
{
    if (Opened())
        throw EIdAlreadyConnected();
    const int fd = ConnectSocket(host, port);
    // Commands are single small writes answered by the peer: never hold one
    // back waiting for the ACK of the previous segment.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SetSocket(fd);
    ResetFileState();
}

void TIdIOHandlerStack::Open(const std::string& host, std::uint16_t port)
{
    const bool socks = TransparentProxy.Enabled();
    if (socks)
        ConnectAndAdopt(TransparentProxy.Host, TransparentProxy.Port);
    else
        ConnectAndAdopt(host, port);
    try {
        if (socks) {
            TIdSocksFdChannel channel(fd_, ReadTimeout > 0 ? ReadTimeout : -1);
            TransparentProxy.Connect(channel, host, port);
        }
    } catch (...) {
        ReleaseSocket();
        throw;
    }
    ReadAddresses();
    if (Intercept && Intercept->OnConnect)
        Intercept->OnConnect();
    DoStatus(hsConnected);
}

void TIdIOHandlerStack::Adopt(int fd)
{
    SetSocket(fd);
    ResetFileState();
    ReadAddresses();
    if (Intercept && Intercept->OnConnect)
        Intercept->OnConnect();
}

TIdSocksAddress TIdIOHandlerStack::OpenBind(const std::string& peerHost)
{
    if (!TransparentProxy.Enabled())
        return TIdIOHandler::OpenBind(peerHost);
    ConnectAndAdopt(TransparentProxy.Host, TransparentProxy.Port);
    try {
        TIdSocksFdChannel channel(fd_, ReadTimeout > 0 ? ReadTimeout : -1);
        TIdSocksAddress listening = TransparentProxy.Bind(channel, peerHost, 0);
        ReadAddresses();
        return listening;
    } catch (...) {
        ReleaseSocket();
        throw;
    }
}

void TIdIOHandlerStack::AcceptBind()
{
    if (fd_ < 0) {
        if (aborted_)
            throw EIdSocketError(10053);
        throw EIdClosedSocket();
    }
    try {
        TIdSocksFdChannel channel(fd_, ReadTimeout > 0 ? ReadTimeout : -1);
        TransparentProxy.AcceptBind(channel);
    } catch (const EIdSocksError&) {
        // The proxy connection shut down under the wait is an abort.
        if (aborted_)
            throw EIdSocketError(10053);
        throw;
    }
    if (Intercept && Intercept->OnConnect)
        Intercept->OnConnect();
}

void TIdIOHandlerStack::ReadAddresses()
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        peerIP_ = IdAddressText(&address, &peerPort_);
    length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        localIP_ = IdAddressText(&address, &localPort_);
        IPVersion = address.ss_family == AF_INET6 && !IsIPv4Literal(localIP_) ? Id_IPv6 : Id_IPv4;
    }
}

void TIdIOHandlerStack::Close()
{
    if (fd_ < 0)
        return;
    if (Intercept && Intercept->OnDisconnect)
        Intercept->OnDisconnect();
    ClosePipe();
    ReleaseSocket();
}

std::unique_ptr<TIdIOHandler> TIdIOHandlerStack::Clone() const
{
    auto copy = std::make_unique<TIdIOHandlerStack>();
    CopySettingsTo(*copy);
    return copy;
}

std::size_t TIdIOHandlerStack::RawRecv(char* buffer, std::size_t size, int timeoutMs)
{
    const int fd = fd_;
    WaitReadable(fd, timeoutMs);
    while (true) {
        const ssize_t got = ::recv(fd, buffer, size, 0);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno == EINTR)
            continue;
        if (aborted_)
            throw EIdSocketError(10053);
        ThrowErrno(errno);
    }
}

void TIdIOHandlerStack::RawSend(const char* data, std::size_t size)
{
    const int fd = fd_;
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            // A socket shut down under the sender by an abort.
            if (aborted_)
                throw EIdSocketError(10038);
            ThrowErrno(errno);
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
}

// ---- file data without copies ------------------------------------------------

void TIdIOHandlerStack::ResetFileState()
{
    copiedToFile_ = 0;
    spliceRefused_ = false;
    sendfileRefused_ = false;
}

bool TIdIOHandlerStack::Unchanged(bool receiving) const
{
    if (!PassThrough() || RawPending())
        return false;
    return !Intercept || !(receiving ? Intercept->OnReceive : Intercept->OnSend);
}

bool TIdIOHandlerStack::OpenPipe()
{
    if (pipe_[0] >= 0)
        return true;
    if (::pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return false;
    }
    // A larger pipe means fewer calls per megabyte; the default is fine when
    // the system refuses.
    int size = ::fcntl(pipe_[1], F_SETPIPE_SZ, kPipeSize);
    if (size <= 0)
        size = ::fcntl(pipe_[1], F_GETPIPE_SZ);
    pipeSize_ = static_cast<std::size_t>(size > 0 ? size : 65536);
    return true;
}

void TIdIOHandlerStack::ClosePipe()
{
    for (int& end : pipe_) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

std::size_t TIdIOHandlerStack::ReadSomeToFile(int file, std::size_t size)
{
    const bool splice = Unchanged(true) && !spliceRefused_ && BufferedBytes() == 0 && !peerClosed_ && fd_ >= 0;
    if (!splice)
        return TIdIOHandler::ReadSomeToFile(file, size);
    if (copiedToFile_ < kCopyBeforeSplice) {
        const std::size_t got = TIdIOHandler::ReadSomeToFile(file, std::min(size, kCopyBeforeSplice));
        copiedToFile_ += got;
        return got;
    }
    if (!OpenPipe()) {
        spliceRefused_ = true;
        return TIdIOHandler::ReadSomeToFile(file, size);
    }
    return SpliceToFile(file, size);
}

std::size_t TIdIOHandlerStack::SpliceToFile(int file, std::size_t size)
{
    const int fd = fd_;
    WaitReadable(fd, ReadTimeout);
    ssize_t got = 0;
    do {
        got = ::splice(fd, nullptr, pipe_[1], nullptr, std::min(size, pipeSize_), SPLICE_F_MOVE);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        if (aborted_)
            throw EIdSocketError(10053);
        if (errno != EINVAL && errno != ENOSYS)
            ThrowErrno(errno);
        // This socket cannot splice after all: copy from now on.
        spliceRefused_ = true;
        return TIdIOHandler::ReadSomeToFile(file, size);
    }
    if (got == 0) {
        peerClosed_ = true;
        // A local abort is no end of data: the transfer must fail.
        if (aborted_)
            throw EIdSocketError(10053);
        return 0;
    }
    DrainPipeTo(file, static_cast<std::size_t>(got));
    return static_cast<std::size_t>(got);
}

void TIdIOHandlerStack::DrainPipeTo(int file, std::size_t size)
{
    while (size > 0) {
        const ssize_t moved = ::splice(pipe_[0], nullptr, file, nullptr, size, SPLICE_F_MOVE);
        if (moved > 0) {
            size -= static_cast<std::size_t>(moved);
            continue;
        }
        if (moved < 0 && errno == EINTR)
            continue;
        const int err = moved < 0 ? errno : EIO;
        if (err != EINVAL && err != ENOSYS) {
            ClosePipe();  // what it still holds is lost with this transfer
            spliceRefused_ = true;
            throw EIdException(std::string("Cannot write the local file: ") + std::strerror(err));
        }
        // A file opened for appending, or a file system that cannot take a
        // splice: copy what the pipe holds, and copy from now on.
        spliceRefused_ = true;
        char* buffer = FileBuffer(size);
        std::size_t have = 0;
        while (have < size) {
            const ssize_t got = ::read(pipe_[0], buffer + have, size - have);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                throw EIdException(std::string("Cannot write the local file: ") + std::strerror(err));
            have += static_cast<std::size_t>(got);
        }
        IdWriteAllToFile(file, buffer, size);
        return;
    }
}

std::size_t TIdIOHandlerStack::WriteFromFile(int file, std::size_t size)
{
    if (!Unchanged(false) || sendfileRefused_)
        return TIdIOHandler::WriteFromFile(file, size);
    CheckForDisconnect(true);
    if (fd_ < 0)
        throw EIdClosedSocket();
    const int fd = fd_;
    SigpipeBlock noSignal;
    while (true) {
        const ssize_t sent = ::sendfile(fd, file, nullptr, size);
        if (sent >= 0)
            return static_cast<std::size_t>(sent);
        if (errno == EINTR)
            continue;
        if (errno == EPIPE)
            noSignal.Raised();
        // A socket shut down under the sender by an abort.
        if (aborted_)
            throw EIdSocketError(10038);
        if (errno == EINVAL || errno == ENOSYS) {
            sendfileRefused_ = true;  // a file sendfile cannot read from
            return TIdIOHandler::WriteFromFile(file, size);
        }
        if (errno == EIO || errno == EOVERFLOW)
            throw EIdException(std::string("Cannot read the local file: ") + std::strerror(errno));
        ThrowErrno(errno);
    }
}
