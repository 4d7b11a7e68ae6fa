// TIdFTP: data connections (passive, extended passive, active), listings,
// downloads and uploads, and the abort paths.
#include "ftp/FTP.h"

#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

/// Closes a file descriptor when it goes out of scope.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::vector<std::string> SplitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

}  // namespace

// ---- work events ----------------------------------------------------------

void TIdFTP::WorkBegin(TWorkMode mode, std::int64_t expected)
{
    if (workLevel_[mode]++ == 0 && OnWorkBegin)
        OnWorkBegin(mode, expected);
}

void TIdFTP::Work(TWorkMode mode, std::int64_t count)
{
    if (OnWork)
        OnWork(mode, count);
}

void TIdFTP::WorkEnd(TWorkMode mode)
{
    if (workLevel_[mode] > 0 && --workLevel_[mode] == 0 && OnWorkEnd)
        OnWorkEnd(mode);
}

// ---- abort -----------------------------------------------------------------

void TIdFTP::PublishData(TIdIOHandler* handler, int listenFd)
{
    std::lock_guard lock(dataMutex_);
    dataHandler_ = handler;
    listenFd_ = listenFd;
}

void TIdFTP::CloseDataChannel()
{
    std::lock_guard lock(dataMutex_);
    if (dataHandler_)
        dataHandler_->Abort();
    if (listenFd_ >= 0)
        ::shutdown(listenFd_, SHUT_RDWR);
}

void TIdFTP::AbortTransfer()
{
    if (io_ && io_->Connected())
        WriteCommand("ABOR");
    CloseDataChannel();
}

// ---- data connection set-up --------------------------------------------------

void TIdFTP::SendPret(const std::string& command)
{
    if (HasCapability(capabilities_, "PRET"))
        SendCommand("PRET " + command, -1);
}

std::unique_ptr<TIdIOHandler> TIdFTP::MakeDataHandler()
{
    std::unique_ptr<TIdIOHandler> data = Transport().Clone();
    data->ReadTimeout = TransferTimeout;
    data->RecvBufferSize = DataBufferSize;
    data->SendBufferSize = DataBufferSize;
    data->Intercept.reset();
    return data;
}

std::string TIdFTP::ControlPeer() const
{
    // Through SOCKS the socket's peer is the proxy; the server is Host.
    return io_->TransparentProxy.Enabled() ? Host : io_->PeerIP();
}

TIdHostPort TIdFTP::ExtendedPassiveAddress()
{
    int code = 0;
    if (ProxySettings.ProxyType != fpcmNone)
        code = SendCommand(io_->IPVersion == Id_IPv6 ? "EPSV 2" : "EPSV 1", -1);
    if (code != 229)
        code = SendCommand("EPSV", -1);
    if (code != 229) {
        usingExtDataPort_ = false;
        return PassiveAddress();
    }
    try {
        TIdHostPort address = ParseEPSVReply(lastReply_.Text.empty() ? std::string() : lastReply_.Text.front());
        address.Host = ControlPeer();
        return address;
    } catch (...) {
        SendCommand("ABOR", -1);
        throw;
    }
}

TIdHostPort TIdFTP::PassiveAddress()
{
    SendCommand("PASV", 227);
    TIdHostPort address = ParsePASVReply(lastReply_.Text.empty() ? std::string() : lastReply_.Text.front());
    // A server must not steer the data connection to a third host (and a
    // server behind NAT often announces its private address).
    if (address.Host != ControlPeer())
        address.Host = ControlPeer();
    return address;
}

// The openers hand the new data connection to the caller's `data` as soon as
// it exists, so that a failure later on still closes it, fires
// OnDataChannelDestroy and withdraws it from CloseDataChannel() first.
void TIdFTP::OpenPassiveData(std::unique_ptr<TIdIOHandler>& data, const std::string& command, bool upload,
                             std::int64_t restOffset)
{
    SendPret(command);
    DataSecurityStep();
    const TIdHostPort address = usingExtDataPort_ ? ExtendedPassiveAddress() : PassiveAddress();
    if (upload)
        WriteCommand(command);
    data = MakeDataHandler();
    if (OnDataChannelCreate)
        OnDataChannelCreate(*data);
    PublishData(data.get(), -1);
    // With SOCKS the proxy must reach the server's address itself.
    data->Open(address.Host, address.Port);
    if (upload) {
        ReadReplyAllowing({110, 125, 150});
    } else {
        if (restOffset > 0)
            SendCommand("REST " + std::to_string(restOffset), 350);
        SendCommandAllowing(command, {125, 150, 154});
    }
    if (DataChannelProtected())
        data->SetPassThrough(false, Host);
}

namespace {

int BindListener(const std::string& localIP, int port)
{
    sockaddr_storage address{};
    socklen_t length = 0;
    const bool v6 = IsIPv6Literal(localIP);
    if (v6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        ::inet_pton(AF_INET6, localIP.c_str(), &in6->sin6_addr);
        in6->sin6_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&address);
        in->sin_family = AF_INET;
        ::inet_pton(AF_INET, localIP.c_str(), &in->sin_addr);
        in->sin_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof(sockaddr_in);
    }
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw EIdSocketError(IdSocketErrorFromErrno(errno));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EADDRINUSE)
            return -1;
        throw EIdSocketError(IdSocketErrorFromErrno(err));
    }
    return fd;
}

}  // namespace

void TIdFTP::OpenBoundData(std::unique_ptr<TIdIOHandler>& data, const std::string& command, bool upload,
                           std::int64_t restOffset)
{
    // Behind a SOCKS proxy the server cannot reach us: the proxy listens for
    // it (BIND) and relays its connection to ours.
    data = MakeDataHandler();
    if (OnDataChannelCreate)
        OnDataChannelCreate(*data);
    PublishData(data.get(), -1);
    const TIdSocksAddress listening = data->OpenBind(Host);
    // PORT needs an address; a proxy that names itself is reached where we
    // reached it.
    std::string address = listening.Host;
    if (!IsIPv4Literal(address) && !IsIPv6Literal(address))
        address = data->PeerIP();
    DataSecurityStep();
    AnnounceActivePort(ExternalIP.empty() ? address : ExternalIP, listening.Port);
    if (restOffset > 0)
        SendCommand("REST " + std::to_string(restOffset), 350);
    if (upload)
        SendCommandAllowing(command, {125, 150});
    else
        SendCommandAllowing(command, {125, 150, 154});
    data->AcceptBind();
    if (DataChannelProtected())
        data->SetPassThrough(false, Host);
}

void TIdFTP::OpenActiveData(std::unique_ptr<TIdIOHandler>& data, const std::string& command, bool upload,
                            std::int64_t restOffset)
{
    if (io_->TransparentProxy.Enabled()) {
        OpenBoundData(data, command, upload, restOffset);
        return;
    }
    const std::string localIP = io_->LocalIP();
    int fd = -1;
    if (DataPort == 0 && DataPortMin > 0 && DataPortMax >= DataPortMin) {
        for (int port = DataPortMin; port <= DataPortMax && fd < 0; ++port)
            fd = BindListener(localIP, port);
        if (fd < 0)
            throw EIdCanNotBindPortInRange(DataPortMin, DataPortMax);
    } else {
        fd = BindListener(localIP, DataPort);
        if (fd < 0)
            throw EIdCouldNotBindSocket();
    }
    FdGuard listener(fd);
    data = MakeDataHandler();
    if (OnDataChannelCreate)
        OnDataChannelCreate(*data);
    if (::listen(fd, 15) != 0)
        throw EIdSocketError(IdSocketErrorFromErrno(errno));
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    std::uint16_t port = 0;
    const std::string boundIP = IdAddressText(&bound, &port);
    PublishData(data.get(), fd);
    try {
        AnnounceAndAccept(*data, fd, boundIP, port, command, upload, restOffset);
    } catch (...) {
        PublishData(data.get(), -1);  // before the listener closes
        throw;
    }
    PublishData(data.get(), -1);
    if (DataChannelProtected())
        data->SetPassThrough(false, Host);
}

void TIdFTP::AnnounceAndAccept(TIdIOHandler& data, int fd, const std::string& boundIP, std::uint16_t port,
                               const std::string& command, bool upload, std::int64_t restOffset)
{
    DataSecurityStep();
    AnnounceActivePort(ExternalIP.empty() ? boundIP : ExternalIP, port);
    if (restOffset > 0)
        SendCommand("REST " + std::to_string(restOffset), 350);
    if (upload)
        SendCommandAllowing(command, {125, 150});
    else
        SendCommandAllowing(command, {125, 150, 154});

    // No time limit of our own: CloseDataChannel() ends the wait.
    while (true) {
        pollfd pfd{fd, POLLIN, 0};
        const int rc = ::poll(&pfd, 1, 1000);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc == 0)
            continue;
        const int accepted = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted >= 0) {
            data.Adopt(accepted);
            return;
        }
        if (errno == EINTR || errno == EAGAIN)
            continue;
        throw EIdSocketError(IdSocketErrorFromErrno(errno == EINVAL ? ECONNABORTED : errno));
    }
}

void TIdFTP::AnnounceActivePort(const std::string& address, std::uint16_t port)
{
    if (usingExtDataPort_) {
        const char* family = IsIPv6Literal(address) ? "2" : "1";
        const int code = SendCommand("EPRT |" + std::string(family) + "|" + address + "|" + std::to_string(port) + "|", -1);
        if (code == 200)
            return;
        usingExtDataPort_ = false;
    }
    std::string commas = address;
    for (char& c : commas)
        if (c == '.')
            c = ',';
    SendCommand("PORT " + commas + "," + std::to_string(port / 256) + "," + std::to_string(port % 256), 200);
}

void TIdFTP::FinishTransfer()
{
    DoStatus(ftpReady, "Transfer complete");
    const int code = ReadReplyAllowing({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        ReadReplyAllowing({226, 225});
        DoStatus(ftpAborted, "Transfer aborted");
    }
}

void TIdFTP::TransferData(const std::string& command, bool upload, std::int64_t restOffset,
                          const std::function<void(TIdIOHandler&)>& body)
{
    CheckCommandText(command);
    std::unique_ptr<TIdIOHandler> data;
    dataActive_ = true;
    const auto release = [&] {
        PublishData(nullptr, -1);
        if (data) {
            data->Close();
            if (OnDataChannelDestroy)
                OnDataChannelDestroy(*data);
            data.reset();
        }
        dataActive_ = false;
    };
    try {
        if (Passive)
            OpenPassiveData(data, command, upload, restOffset);
        else
            OpenActiveData(data, command, upload, restOffset);
        body(*data);
    } catch (...) {
        release();
        throw;
    }
    release();
    FinishTransfer();
}

// ---- streaming -----------------------------------------------------------------

void TIdFTP::PumpWork(TWorkMode mode, std::int64_t expected, const std::function<std::size_t()>& step)
{
    std::int64_t total = 0;
    WorkBegin(mode, expected);
    try {
        while (true) {
            const std::size_t moved = step();
            if (moved == 0)
                break;
            total += static_cast<std::int64_t>(moved);
            Work(mode, total);
        }
    } catch (...) {
        WorkEnd(mode);
        throw;
    }
    WorkEnd(mode);
}

void TIdFTP::ReceiveInto(TIdIOHandler& data, const TIdDataSink& sink)
{
    const auto size = static_cast<std::size_t>(std::max(data.RecvBufferSize, 1));
    const std::unique_ptr<char[]> buffer(new char[size]);  // not zero-filled: many small files
    PumpWork(wmRead, 0, [&]() -> std::size_t {
        const std::size_t got = data.ReadSome(buffer.get(), size);
        if (got != 0)
            sink(buffer.get(), got);
        return got;
    });
}

void TIdFTP::ReceiveIntoFile(TIdIOHandler& data, int fd)
{
    const auto size = static_cast<std::size_t>(std::max(data.RecvBufferSize, 1));
    PumpWork(wmRead, 0, [&] { return data.ReadSomeToFile(fd, size); });
}

void TIdFTP::SendFile(TIdIOHandler& data, int fd, std::int64_t bytes)
{
    const auto size = static_cast<std::size_t>(std::max(data.SendBufferSize, 1));
    try {
        PumpWork(wmWrite, bytes, [&] { return data.WriteFromFile(fd, size); });
    } catch (const EIdSocketError& error) {
        // CloseDataChannel() shut the socket under the sender: the server's
        // final reply still tells how the upload ended.
        if (error.SocketErrorCode() != 10038)
            throw;
    }
}

// ---- operations ------------------------------------------------------------------

void TIdFTP::RetrieveListing(std::vector<std::string>* destination, const std::string& specifier, bool detailed)
{
    std::string command(IdTrim((detailed ? "LIST " : "NLST ") + specifier));
    const bool restoreBinary = transferType_ == ftBinary;
    if (restoreBinary)
        SetTransferType(ftASCII);
    std::string bytes;
    try {
        TransferData(command, false, 0, [&](TIdIOHandler& data) {
            ReceiveInto(data, [&](const char* chunk, std::size_t size) { bytes.append(chunk, size); });
        });
    } catch (const EIdReplyRFCError&) {
        // A refusal leaves the dialogue in step: the type goes back.
        if (restoreBinary && io_ && io_->Connected()) {
            try {
                SetTransferType(ftBinary);
            } catch (...) {
            }
        }
        transferType_ = restoreBinary ? ftBinary : transferType_;
        throw;
    } catch (...) {
        // After a broken data connection the listing's final reply is
        // still unread; a "TYPE" now would take it for its own answer. The
        // caller drops the connection, and a new one starts in binary type.
        transferType_ = restoreBinary ? ftBinary : transferType_;
        throw;
    }
    if (restoreBinary)
        SetTransferType(ftBinary);
    rawListing_ = std::move(bytes);
    listResult_ = SplitLines(rawListing_);
    listItems_.reset();
    listFormat_.clear();
    if (destination)
        *destination = listResult_;
    if (OnRetrievedDir)
        OnRetrievedDir();
}

void TIdFTP::Download(const std::string& remote, const TIdDataSink& sink, std::int64_t offset)
{
    DoStatus(ftpTransfer, "Starting FTP transfer");
    TransferData("RETR " + remote, false, offset, [&](TIdIOHandler& data) { ReceiveInto(data, sink); });
}

void TIdFTP::DownloadToFile(const std::string& remote, const std::string& local, bool canOverwrite, bool resume)
{
    CheckCommandText(remote);  // before any local file is made
    // Creating first and looking at an existing file only when that fails
    // costs one call per new file, and no other program can slip a file in
    // between the look and the creation.
    int fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool created = fd >= 0;
    std::int64_t offset = 0;
    if (fd < 0 && errno == EEXIST) {
        resume = resume && SupportsRestart();
        if (resume) {
            // Resuming wins over overwriting: the bytes already here are kept,
            // and the new ones go after them.
            fd = ::open(local.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0) {
                offset = ::lseek(fd, 0, SEEK_END);
                if (offset < 0) {
                    const int err = errno;
                    ::close(fd);
                    throw EIdException("Cannot open the local file " + local + ": " + std::strerror(err));
                }
            }
        } else if (canOverwrite) {
            fd = ::open(local.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        } else {
            throw EIdFTPFileAlreadyExists();
        }
    }
    if (fd < 0)
        throw EIdException("Cannot open the local file " + local + ": " + std::strerror(errno));
    FdGuard file(fd);
    DoStatus(ftpTransfer, "Starting FTP transfer");
    try {
        TransferData("RETR " + remote, false, offset, [&](TIdIOHandler& data) { ReceiveIntoFile(data, fd); });
    } catch (...) {
        // A refused download (550) must not leave an empty file behind: the
        // next attempt would take it for a partial copy. Received bytes stay
        // for resume.
        struct stat st {};
        if (created && ::fstat(fd, &st) == 0 && st.st_size == 0)
            ::unlink(local.c_str());
        throw;
    }
}

void TIdFTP::UploadFromFile(const std::string& local, const std::string& remote, bool append,
                            std::int64_t startOffset)
{
    std::string target = remote;
    if (target.empty()) {
        const auto slash = local.find_last_of('/');
        target = slash == std::string::npos ? local : local.substr(slash + 1);
    }
    const int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EIdException("Cannot open the local file " + local + ": " + std::strerror(errno));
    FdGuard file(fd);
    if (target.empty())
        throw EIdFTPUploadFileNameCanNotBeEmpty();
    struct stat info {};
    ::fstat(fd, &info);
    const std::int64_t start = append ? startOffset : 0;
    if (::lseek(fd, start, SEEK_SET) < 0)
        throw EIdException("Cannot seek in the local file " + local);
    const std::int64_t bytes = info.st_size > start ? info.st_size - start : 0;
    DoStatus(ftpTransfer, "Starting FTP transfer");
    TransferData((append ? "APPE " : "STOR ") + target, true, 0,
                 [&](TIdIOHandler& data) { SendFile(data, fd, bytes); });
}
