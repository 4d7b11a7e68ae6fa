#pragma once
// THostProxySettings: the FTP proxy a host record asks for (type, address,
// credentials), as stored with the host. The engine keeps its own
// TIdFtpProxySettings; the code that applies a host to an engine copies
// the five fields across (the port is range-checked there, since a stored
// value may be any integer).

#include "ftp/FtpProxyType.h"

#include <string>

struct THostProxySettings {
    TIdFtpProxyType ProxyType = fpcmNone;
    std::string Host;
    int Port = 0;
    std::string UserName;
    std::string Password;

    bool operator==(const THostProxySettings&) const = default;
};
