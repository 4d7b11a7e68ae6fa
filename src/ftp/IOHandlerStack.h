#pragma once
// TIdIOHandlerStack: the plain TCP transport (IPv4 and IPv6, optional
// connect timeout, SOCKS 4/4A/5). See IOHandler.h for the contract.

#include "ftp/IOHandler.h"

class TIdIOHandlerStack : public TIdIOHandler {
public:
    TIdIOHandlerStack() = default;
    ~TIdIOHandlerStack() override;

    void Open(const std::string& host, std::uint16_t port) override;
    void Adopt(int fd) override;
    void Close() override;
    std::unique_ptr<TIdIOHandler> Clone() const override;

protected:
    std::size_t RawRecv(char* buffer, std::size_t size, int timeoutMs) override;
    void RawSend(const char* data, std::size_t size) override;
    /// Connects the TCP socket (to the proxy when SOCKS is on); returns fd.
    int ConnectSocket(const std::string& host, std::uint16_t port);
    void ReadAddresses();
};

/// Address text of a socket address ("127.0.0.1", "::1") and its port.
std::string IdAddressText(const void* sockaddr, std::uint16_t* port = nullptr);
/// True when `text` is an IPv4 literal; IsIPv6Literal likewise.
bool IsIPv4Literal(const std::string& text);
bool IsIPv6Literal(const std::string& text);
