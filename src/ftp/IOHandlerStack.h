#pragma once
// TIdIOHandlerStack: the plain TCP transport (IPv4 and IPv6, optional
// connect timeout, SOCKS 4/4A/5). See IOHandler.h for the contract.
//
// While it passes bytes through unchanged (no TLS session, no intercept
// that sees the bytes of that direction), file data skips user memory: a
// download goes socket -> pipe -> file with splice(2) once it has proved to
// be more than a small file, an upload goes file -> socket with
// sendfile(2). Where the kernel refuses (a file system without splice
// support) the transport copies, as a TLS session always does.

#include "ftp/IOHandler.h"

class TIdIOHandlerStack : public TIdIOHandler {
public:
    TIdIOHandlerStack() = default;
    ~TIdIOHandlerStack() override;

    void Open(const std::string& host, std::uint16_t port) override;
    void Adopt(int fd) override;
    TIdSocksAddress OpenBind(const std::string& peerHost) override;
    void AcceptBind() override;
    void Close() override;
    std::unique_ptr<TIdIOHandler> Clone() const override;
    std::size_t ReadSomeToFile(int file, std::size_t size) override;
    std::size_t WriteFromFile(int file, std::size_t size) override;

protected:
    std::size_t RawRecv(char* buffer, std::size_t size, int timeoutMs) override;
    void RawSend(const char* data, std::size_t size) override;
    /// Connects the TCP socket (to the proxy when SOCKS is on); returns fd.
    int ConnectSocket(const std::string& host, std::uint16_t port);
    /// Connects to `host` and makes the socket this transport's own.
    void ConnectAndAdopt(const std::string& host, std::uint16_t port);
    void ReadAddresses();

private:
    /// True while bytes in that direction pass through as they are.
    bool Unchanged(bool receiving) const;
    bool OpenPipe();
    void ClosePipe();
    std::size_t SpliceToFile(int file, std::size_t size);
    void DrainPipeTo(int file, std::size_t size);
    void ResetFileState();

    int pipe_[2] = {-1, -1};  // socket -> file, owned by this connection
    std::size_t pipeSize_ = 0;
    std::size_t copiedToFile_ = 0;  // bytes received by copying so far
    bool spliceRefused_ = false;
    bool sendfileRefused_ = false;
};

/// Address text of a socket address ("127.0.0.1", "::1") and its port.
std::string IdAddressText(const void* sockaddr, std::uint16_t* port = nullptr);
/// True when `text` is an IPv4 literal; IsIPv6Literal likewise.
bool IsIPv4Literal(const std::string& text);
bool IsIPv6Literal(const std::string& text);
