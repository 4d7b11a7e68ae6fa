#pragma once
// ApplyHost(): puts a host record's connection settings into an engine. The
// browsing worker and the transfer threads use it on their own engines.
//
// - User and password: "anonymous" and the "AnonymousEmail" setting for an
//   anonymous host, else the host's own (the password as held in memory).
// - Host name, port (refused outside 1..65535 with std::invalid_argument
//   before anything changes), passive mode, the FTP proxy of the host (its
//   port range-checked the same way when a proxy is used).
// - A fresh transport: TLS required ("AUTH") for "UseSSL", else plain; the
//   engine's previous transport is freed. `intercept`, when given, sees all
//   traffic of the new transport (the log). A TLS transport checks the
//   server's certificate with CertificateTrust() (session/CertificateTrust.h).
// - For "UseSSL", protected data connections ("PROT P"); a server that
//   refuses them gets "PROT C" for the rest of that connection.
// - The control read timeout of the program's connections: 30 000 ms.
// - AutoLogin off: callers log in with Authenticate() after ConnectControl().
// Call on the engine's owning thread while it is not connected.

#include "ftp/FTP.h"
#include "hosts/Host.h"

#include <memory>

inline constexpr int ControlReadTimeout = 30000;

void ApplyHost(TIdFTP& engine, const THost& host, std::shared_ptr<TIdConnectionIntercept> intercept = {});
/// User name and password for `host`: "anonymous" with the configured
/// e-mail address for an anonymous host, else the host's own.
void ApplyCredentials(TIdFTP& engine, const THost& host);
