#include "ftp/SocksChannel.h"

#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/socket.h>

TIdSocksFdChannel::TIdSocksFdChannel(int fd, int readTimeoutMs) : FD(fd), ReadTimeoutMs(readTimeoutMs) {}

bool TIdSocksFdChannel::WriteAll(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(FD, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking socket with a full send buffer: wait until it drains.
            pollfd p{FD, POLLOUT, 0};
            if (::poll(&p, 1, ReadTimeoutMs > 0 ? ReadTimeoutMs : -1) <= 0)
                return false;
            continue;
        }
        if (sent <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
}

bool TIdSocksFdChannel::ReadExactly(std::span<std::uint8_t> bytes)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ReadTimeoutMs);
    while (!bytes.empty()) {
        int wait = -1;
        if (ReadTimeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd p{FD, POLLIN, 0};
        const int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t got = ::recv(FD, bytes.data(), bytes.size(), 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (got <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(got));
    }
    return true;
}

void TIdSocksFdChannel::Close()
{
    ::shutdown(FD, SHUT_RDWR);
}
