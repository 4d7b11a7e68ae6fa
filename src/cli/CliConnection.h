#pragma once
// How a command of tovrel-ftp-cli reaches its server: the host record made
// from an ftp:// address or a stored host (--site), and the engine settings
// a host record does not hold (timeouts, EPSV, FTP proxy and SOCKS, the TLS
// mode, data protection and CCC, the data block size, the log).
//
// The plain engine commands (ls, get, put, quote) and the browsing-session
// commands use the same two steps, so every option means the same in both.

#include "cli/CliOptions.h"
#include "ftp/FTP.h"
#include "hosts/Host.h"

#include <iosfwd>
#include <memory>
#include <string>

/// A server and a path on it.
struct TCliTarget {
    THost Host;
    std::string Path;  ///< absolute remote path, "/" at least
};

/// The target of `argument`: an ftp:// address, or with --site the stored
/// host and `argument` as its remote path. --active, --tls and
/// --implicit-tls override the stored host's choices. An anonymous login
/// gets "anonymous" and the configured e-mail address as its password.
/// Raises std::invalid_argument for an address that is not ftp://, or a
/// path holding a line break or NUL (it would end the command early).
TCliTarget ResolveCliTarget(const TCliOptions& options, const std::string& argument);

/// The engine settings of `options` beyond the host record; call after
/// ApplyHost(), before connecting. Raises std::invalid_argument for --prot
/// or --ccc without TLS.
void ApplyCliOptions(TIdFTP& engine, const TCliOptions& options);

/// The --log lines of one control connection: "Command> ..." (the password
/// masked), "Reply> ..." per reply line.
std::shared_ptr<TIdConnectionIntercept> MakeLogIntercept();
void LogLine(const char* prefix, const std::string& text);

/// "TLS> TLSv1.3 TLS_AES_256_GCM_SHA384" for a control connection running
/// over TLS; nothing otherwise.
void LogTlsSession(const TIdFTP& engine);

/// Applies the target and the options to `engine`, connects and logs in.
void ConnectEngine(TIdFTP& engine, const TCliTarget& target, const TCliOptions& options);

/// The parent folder and the last name of an absolute remote path
/// ("/a/b" -> "/a", "b"; "/a" -> "/", "a"; "/" -> "/", "").
std::pair<std::string, std::string> SplitRemotePath(const std::string& path);
