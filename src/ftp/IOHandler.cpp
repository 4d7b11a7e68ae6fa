#include "ftp/IOHandler.h"

#include "ftp/IdExceptions.h"
#include "ftp/SocksErrors.h"

#include <sys/socket.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

std::string IdStatusText(TIdStatus status, std::string_view argument)
{
    switch (status) {
    case hsResolving:
        return "Resolving hostname " + std::string(argument) + ".";
    case hsConnecting:
        return "Connecting to " + std::string(argument) + ".";
    case hsConnected:
        return "Connected.";
    case hsDisconnecting:
        return "Disconnecting.";
    case hsDisconnected:
        return "Disconnected.";
    default:
        return std::string(argument);
    }
}

void TIdIOHandler::DoStatus(TIdStatus status, std::string_view argument)
{
    if (OnStatus)
        OnStatus(status, IdStatusText(status, argument));
}

void TIdIOHandler::CopySettingsTo(TIdIOHandler& other) const
{
    other.RecvBufferSize = RecvBufferSize;
    other.SendBufferSize = SendBufferSize;
    other.MaxLineLength = MaxLineLength;
    other.ReadTimeout = ReadTimeout;
    other.ConnectTimeout = ConnectTimeout;
    other.IPVersion = IPVersion;
    other.TransparentProxy = TransparentProxy;
}

void TIdIOHandler::SetPassThrough(bool passThrough, const std::string&)
{
    if (!passThrough)
        throw EIdTLSClientTLSHandShakeFailed();
}

TIdSocksAddress TIdIOHandler::OpenBind(const std::string&)
{
    throw EIdTransparentProxyCantBind();
}

void TIdIOHandler::AcceptBind()
{
    throw EIdTransparentProxyCantBind();
}

void TIdIOHandler::SetSocket(int fd)
{
    std::lock_guard lock(fdMutex_);
    fd_ = fd;
    aborted_ = false;
    peerClosed_ = false;
    ResetInput();
}

void TIdIOHandler::ReleaseSocket()
{
    std::lock_guard lock(fdMutex_);
    const int fd = fd_.exchange(-1);
    if (fd < 0)
        return;
    if (aborted_) {
        // A cut connection ends with a reset. A plain close can leave an
        // orphaned socket whose receive window stays shut, and a server
        // still sending into it would wait for minutes to learn it is gone.
        const linger reset{1, 0};
        (void)::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    ::close(fd);
}

void TIdIOHandler::ResetInput()
{
    input_.clear();
    inputPos_ = 0;
}

void TIdIOHandler::Abort()
{
    std::lock_guard lock(fdMutex_);
    aborted_ = true;
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_RDWR);
}

void TIdIOHandler::CheckForDisconnect(bool raise)
{
    if (fd_ >= 0 && peerClosed_) {
        Close();
        DoStatus(hsDisconnected);
    }
    if (raise && fd_ < 0 && BufferedBytes() == 0) {
        if (aborted_)
            throw EIdSocketError(10053);
        throw EIdConnClosedGracefully();
    }
}

void TIdIOHandler::CheckForDataOnSource()
{
    if (fd_ < 0 || peerClosed_)
        return;
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        try {
            FillBuffer(1);
        } catch (const EIdException&) {
            peerClosed_ = true;
        }
    }
}

bool TIdIOHandler::FillBuffer(int timeoutMs)
{
    if (fd_ < 0) {
        if (aborted_)
            throw EIdSocketError(10053);
        throw EIdClosedSocket();
    }
    const auto size = static_cast<std::size_t>(std::max(RecvBufferSize, 1));
    if (inputPos_ > 0 && inputPos_ == input_.size())
        ResetInput();
    if (Intercept && Intercept->OnReceive) {
        scratch_.resize(size);
        const std::size_t got = RawRecv(scratch_.data(), size, timeoutMs);
        if (got == 0) {
            peerClosed_ = true;
            return false;
        }
        scratch_.resize(got);
        Intercept->OnReceive(scratch_);
        input_ += scratch_;
        return true;
    }
    const std::size_t old = input_.size();
    input_.resize(old + size);
    std::size_t got = 0;
    try {
        got = RawRecv(input_.data() + old, size, timeoutMs);
    } catch (...) {
        input_.resize(old);
        throw;
    }
    input_.resize(old + got);
    if (got == 0)
        peerClosed_ = true;
    return got > 0;
}

std::string TIdIOHandler::ReadLn()
{
    std::size_t searched = inputPos_;
    while (true) {
        const auto lf = input_.find('\n', searched);
        if (lf != std::string::npos) {
            if (lf - inputPos_ > static_cast<std::size_t>(MaxLineLength))
                throw EIdReadLnMaxLineLengthExceeded();
            std::size_t end = lf;
            if (end > inputPos_ && input_[end - 1] == '\r')
                --end;
            std::string line = input_.substr(inputPos_, end - inputPos_);
            inputPos_ = lf + 1;
            return line;
        }
        if (input_.size() - inputPos_ >= static_cast<std::size_t>(MaxLineLength))
            throw EIdReadLnMaxLineLengthExceeded();
        const std::size_t scanned = input_.size() - inputPos_;  // FillBuffer may compact
        if (peerClosed_ || !FillBuffer(ReadTimeout)) {
            // The peer closed: a partial line without LF is not a line.
            CheckForDisconnect(false);
            if (aborted_)
                throw EIdSocketError(10053);
            throw EIdConnClosedGracefully();
        }
        searched = inputPos_ + scanned;
    }
}

std::size_t TIdIOHandler::ReadSome(char* buffer, std::size_t size)
{
    if (BufferedBytes() > 0) {
        const std::size_t n = std::min(size, BufferedBytes());
        std::memcpy(buffer, input_.data() + inputPos_, n);
        inputPos_ += n;
        return n;
    }
    if (peerClosed_)
        return 0;
    if (fd_ < 0) {
        if (aborted_)
            throw EIdSocketError(10053);
        throw EIdClosedSocket();
    }
    std::size_t got = 0;
    if (Intercept && Intercept->OnReceive) {
        if (!FillBuffer(ReadTimeout))
            return 0;
        return ReadSome(buffer, size);
    }
    got = RawRecv(buffer, size, ReadTimeout);
    if (got == 0) {
        peerClosed_ = true;
        // A local abort is no end of data: the transfer must fail.
        if (aborted_)
            throw EIdSocketError(10053);
    }
    return got;
}

void TIdIOHandler::Write(std::string_view bytes)
{
    WriteBytes(bytes.data(), bytes.size());
}

void TIdIOHandler::WriteBytes(const char* data, std::size_t size)
{
    CheckForDisconnect(true);
    if (fd_ < 0)
        throw EIdClosedSocket();
    if (Intercept && Intercept->OnSend) {
        std::string copy(data, size);
        Intercept->OnSend(copy);
        RawSend(copy.data(), copy.size());
        return;
    }
    RawSend(data, size);
}

char* TIdIOHandler::FileBuffer(std::size_t size)
{
    if (fileBufferSize_ < size) {
        fileBuffer_.reset(new char[size]);
        fileBufferSize_ = size;
    }
    return fileBuffer_.get();
}

void IdWriteAllToFile(int file, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw EIdException(std::string("Cannot write the local file: ") + std::strerror(errno));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

std::size_t TIdIOHandler::ReadSomeToFile(int file, std::size_t size)
{
    char* buffer = FileBuffer(size);
    const std::size_t got = ReadSome(buffer, size);
    IdWriteAllToFile(file, buffer, got);
    return got;
}

std::size_t TIdIOHandler::WriteFromFile(int file, std::size_t size)
{
    char* buffer = FileBuffer(size);
    ssize_t got = 0;
    do {
        got = ::read(file, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        throw EIdException(std::string("Cannot read the local file: ") + std::strerror(errno));
    if (got > 0)
        WriteBytes(buffer, static_cast<std::size_t>(got));
    return static_cast<std::size_t>(got);
}
