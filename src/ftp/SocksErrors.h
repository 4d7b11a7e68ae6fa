#pragma once
// The SOCKS client's exceptions. Every one descends from EIdSocksError (an
// EIdException) and carries the fixed text of its case.

#include "ftp/IdExceptions.h"

#include <string>

class EIdSocksError : public EIdException {
public:
    using EIdException::EIdException;
};

#define TOVREL_SOCKS_ERROR(Name, Text)                       \
    class Name : public EIdSocksError {                      \
    public:                                                  \
        Name() : EIdSocksError(Text) {}                      \
    }

TOVREL_SOCKS_ERROR(EIdSocksRequestFailed, "Request rejected or failed.");
TOVREL_SOCKS_ERROR(EIdSocksRequestServerFailed, "Request rejected because SOCKS server cannot connect.");
TOVREL_SOCKS_ERROR(EIdSocksRequestIdentFailed,
                   "Request rejected because the client program and identd report different user-ids.");
TOVREL_SOCKS_ERROR(EIdSocksUnknownError, "Unknown socks error.");
TOVREL_SOCKS_ERROR(EIdSocksServerRespondError, "Socks server did not respond.");
TOVREL_SOCKS_ERROR(EIdSocksAuthMethodError, "Invalid socks authentication method.");
TOVREL_SOCKS_ERROR(EIdSocksAuthError, "Authentication error to socks server.");
TOVREL_SOCKS_ERROR(EIdSocksServerGeneralError, "General SOCKS server failure.");
TOVREL_SOCKS_ERROR(EIdSocksServerPermissionError, "Connection not allowed by ruleset.");
TOVREL_SOCKS_ERROR(EIdSocksServerNetUnreachableError, "Network unreachable.");
TOVREL_SOCKS_ERROR(EIdSocksServerHostUnreachableError, "Host unreachable.");
TOVREL_SOCKS_ERROR(EIdSocksServerConnectionRefusedError, "Connection refused.");
TOVREL_SOCKS_ERROR(EIdSocksServerTTLExpiredError, "TTL expired.");
TOVREL_SOCKS_ERROR(EIdSocksServerCommandError, "Command not supported.");
TOVREL_SOCKS_ERROR(EIdSocksServerAddressError, "Address type not supported.");
TOVREL_SOCKS_ERROR(EIdSocksUDPNotSupportedBySOCKSVersion, "UDP is not support in this SOCKS version.");
TOVREL_SOCKS_ERROR(EIdTransparentProxyCantBind, "Transparent proxy cannot bind.");

#undef TOVREL_SOCKS_ERROR

/// A request the chosen SOCKS version cannot express, raised before anything
/// is sent: a name SOCKS 4 cannot resolve to IPv4, an IPv6 address for
/// SOCKS 4, a host name that is empty, longer than 255 bytes or holds a
/// zero byte, a SOCKS 4 user id with a zero byte.
class EIdSocksBadRequest : public EIdSocksError {
public:
    using EIdSocksError::EIdSocksError;
    static EIdSocksBadRequest ForHost(const std::string& host)
    {
        return EIdSocksBadRequest("The SOCKS proxy cannot be asked for host \"" + host + "\".");
    }
};
