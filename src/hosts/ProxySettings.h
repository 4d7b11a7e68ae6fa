#pragma once
// TIdFtpProxySettings: the FTP proxy a login goes through (type, address,
// credentials). A plain value type, free of Qt, so that host records and
// the engine can share it.

#include "ftp/FtpProxyType.h"

#include <string>

struct TIdFtpProxySettings {
    TIdFtpProxyType ProxyType = fpcmNone;
    std::string Host;
    int Port = 0;
    std::string UserName;
    std::string Password;

    bool operator==(const TIdFtpProxySettings&) const = default;
};
