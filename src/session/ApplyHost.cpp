#include "session/ApplyHost.h"

#include "ftp/IOHandlerStack.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "session/CertificateTrust.h"
#include "store/MainConfig.h"

#include <stdexcept>

namespace {

std::uint16_t CheckedPort(int port, const char* what)
{
    if (port < 1 || port > 65535)
        throw std::invalid_argument(std::string(what) + " port out of range: " + std::to_string(port));
    return static_cast<std::uint16_t>(port);
}

TIdFtpProxySettings ProxyOf(const THost& host)
{
    TIdFtpProxySettings proxy;
    const THostProxySettings& from = host.ProxySettings;
    if (from.ProxyType == fpcmNone || from.Host.empty())
        return proxy;  // no proxy: the engine's defaults, whatever the stored port
    proxy.ProxyType = from.ProxyType;
    proxy.Host = from.Host;
    proxy.Port = CheckedPort(from.Port, "Proxy");
    proxy.UserName = from.UserName;
    proxy.Password = from.Password;
    return proxy;
}

}  // namespace

void ApplyCredentials(TIdFTP& engine, const THost& host)
{
    if (host.IsAnonymous) {
        engine.Username = "anonymous";
        engine.Password = MainConfig().AnonymousEmail();
    } else {
        engine.Username = host.Username;
        engine.Password = host.Password;
    }
}

void ApplyHost(TIdFTP& engine, const THost& host, std::shared_ptr<TIdConnectionIntercept> intercept)
{
    const std::uint16_t port = CheckedPort(host.Port, "Host");
    TIdFtpProxySettings proxy = ProxyOf(host);

    ApplyCredentials(engine, host);
    engine.Host = host.Hostname;
    engine.Port = port;
    engine.Passive = host.Passive;
    engine.ProxySettings = std::move(proxy);
    engine.ReadTimeout = ControlReadTimeout;
    // The program logs in itself, right after ConnectControl(); an engine
    // left logging in on its own would send a second "USER".
    engine.AutoLogin = false;

    std::unique_ptr<TIdIOHandler> transport;
    if (host.UseSSL)
        transport = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    else
        transport = std::make_unique<TIdIOHandlerStack>();
    transport->Intercept = std::move(intercept);
    // Asked again after an earlier "Cancel": a connect is the user's request.
    InstallCertificateCheck(*transport, host.Hostname, port, {}, true);
    transport->ReadTimeout = ControlReadTimeout;
    engine.SetIOHandler(std::move(transport));
    engine.SetUseTLS(host.UseSSL ? utUseRequireTLS : utNoTLSSupport);
    // Files and listings are protected like the login. A server that only
    // allows clear data still serves the host; the engine says so in the log.
    engine.AllowClearDataFallback = host.UseSSL;
    if (host.UseSSL)
        engine.SetDataPortProtection(ftpdpsPrivate);
}
