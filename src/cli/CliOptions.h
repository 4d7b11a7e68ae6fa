#pragma once
// Command-line parsing for tovrel-ftp-cli: the ftp:// address and the
// connection options shared by every command.

#include "ftp/FTP.h"

#include <optional>
#include <string>
#include <vector>

struct TCliUrl {
    std::string User;
    std::string Password;
    std::string Host;
    std::uint16_t Port = 21;
    std::string Path;  ///< percent-decoded, "/" when empty
};

/// Parses "ftp://[user[:password]@]host[:port][/path]"; nullopt when the
/// text is no such address. User, password and path are percent-decoded.
std::optional<TCliUrl> ParseCliUrl(const std::string& text);

struct TCliOptions {
    bool Active = false;
    bool Epsv = false;
    bool Resume = false;
    bool Raw = false;
    bool Json = false;
    bool Log = false;
    bool Recursive = false;     ///< rm -r
    bool ResolveLinks = false;  ///< ls through the browsing session
    bool Tls = false;           ///< explicit TLS ("AUTH"), required
    bool ImplicitTls = false;   ///< TLS from the first byte (port 990 by default)
    bool Ccc = false;           ///< back to clear text on the control connection after login
    char Prot = 0;              ///< 'C' or 'P' for the data connections; 0: protected
    int TimeoutMs = 30000;
    int BufferSize = 0;  ///< data-connection block size; 0: the engine's default
    std::string Site;
    TIdFtpProxySettings Proxy;
    TIdSocksInfo Socks;
    std::vector<std::string> Positional;
};

/// Splits argv (after the command word) into options and positional
/// arguments. Raises std::invalid_argument with a message for bad options.
TCliOptions ParseCliOptions(const std::vector<std::string>& args);
