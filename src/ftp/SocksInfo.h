#pragma once
// SOCKS 4, 4A and 5 (RFC 1928, user name and password per RFC 1929) for the
// engine's connections. The socket transport opens TCP to the proxy
// (Host:Port) and hands the connection to Connect(), which asks the proxy
// to connect on to the real peer; afterwards the connection carries the
// peer's bytes. Data connections use a copy of the control connection's
// settings. For an active-mode data connection Bind() asks the proxy to
// listen instead, and AcceptBind() waits until the server has connected.
//
// In a socket transport:
//   Open(host, port):  if (TransparentProxy.Enabled()) {
//                          connect the socket to TransparentProxy.Host:Port;
//                          TIdSocksFdChannel channel(fd, ReadTimeout);
//                          TransparentProxy.Connect(channel, host, port);
//                      } else connect straight to host:port
//   active data connection: a new socket to the proxy, then
//                      Bind(channel, <the server's address>, 0) gives the
//                      address for PORT/EPRT; after the transfer command
//                      AcceptBind(channel) returns once the server is
//                      connected, and the socket carries the data.
//
// Blocking: every call runs on the caller's thread and waits on the
// channel (its read time-out bounds each wait). On any failure the channel
// is closed and a descendant of EIdSocksError (SocksErrors.h) is raised,
// unless the channel itself threw. The object holds settings only and may
// be used by several threads at once when nobody changes it.

#include "ftp/SocksChannel.h"
#include "ftp/SocksErrors.h"

#include <cstdint>
#include <string>

enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };
enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };

/// A host and port as a proxy reports them (the address it connected from or
/// listens on); Host is an IPv4 or IPv6 literal or a name.
struct TIdSocksAddress {
    std::string Host;
    std::uint16_t Port = 0;

    bool operator==(const TIdSocksAddress&) const = default;
};

/// A proxy that a socket transport connects through.
class TIdCustomTransparentProxy {
public:
    virtual ~TIdCustomTransparentProxy() = default;

    /// True when connections go through the proxy.
    virtual bool Enabled() const = 0;
    /// Asks the proxy to connect to host:port; returns the address the proxy
    /// connected from.
    virtual TIdSocksAddress Connect(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const = 0;
    /// Asks the proxy to listen for one connection from host (port: the
    /// peer's port, 0 when unknown); returns the address to give the peer
    /// (for PORT/EPRT). This proxy raises EIdTransparentProxyCantBind.
    virtual TIdSocksAddress Bind(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const;
    /// After Bind(): waits for the peer's connection; returns its address.
    virtual TIdSocksAddress AcceptBind(TIdSocksChannel& channel) const;
};

class TIdSocksInfo : public TIdCustomTransparentProxy {
public:
    TSocksVersion Version = svNoSocks;
    TSocksAuthentication Authentication = saNoAuthentication;  // SOCKS 5 only
    std::string Host;                                          // the proxy
    std::uint16_t Port = 1080;
    std::string Username;  // SOCKS 4 user id, SOCKS 5 user name
    std::string Password;  // SOCKS 5 only

    /// Version is not svNoSocks. When false, the transport connects straight
    /// to the peer and ignores Host and Port; Connect() then does nothing.
    bool Enabled() const override;
    TIdSocksAddress Connect(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const override;
    TIdSocksAddress Bind(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const override;
    TIdSocksAddress AcceptBind(TIdSocksChannel& channel) const override;

private:
    TIdSocksAddress Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                            std::uint16_t port) const;
    TIdSocksAddress Socks4Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                                  std::uint16_t port) const;
    TIdSocksAddress Socks5Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                                  std::uint16_t port) const;
    void Socks5Login(TIdSocksChannel& channel) const;
    TIdSocksAddress ReadReply(TIdSocksChannel& channel) const;
};
