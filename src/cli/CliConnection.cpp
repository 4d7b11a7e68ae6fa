#include "cli/CliConnection.h"

#include "cli/CliSite.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "session/ApplyHost.h"
#include "store/DataDirectory.h"
#include "store/MainConfig.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <stdexcept>

namespace {

// The e-mail address an anonymous login sends: the user's setting when the
// program has stored one, else the program's default. The settings file is
// only read, never created.
std::string AnonymousPassword()
{
    try {
        const std::string directory = ResolveDataDirectory();
        if (std::filesystem::exists(std::filesystem::path(directory) / "Config.xml")) {
            const TMainConfig config(directory);
            return config.AnonymousEmail();
        }
    } catch (const std::exception&) {
        // An unreadable settings file does not stop an anonymous login.
    }
    return TMainConfig::DefaultAnonymousEmail;
}

void CheckPathText(const std::string& path)
{
    if (path.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw std::invalid_argument("a remote path must not hold line breaks or NUL characters");
}

THost HostFromUrl(const TCliUrl& url)
{
    THost host{THostDefaults{}};
    host.Hostname = url.Host;
    host.Port = url.Port;
    host.Username = url.User;
    host.Password = url.Password;
    host.IsAnonymous = url.User.empty();
    return host;
}

std::mutex logMutex;

}  // namespace

TCliTarget ResolveCliTarget(const TCliOptions& options, const std::string& argument)
{
    TCliTarget target;
    if (!options.Site.empty()) {
        target.Host = SiteHost(options.Site);
        target.Path = argument.empty() ? "/" : argument;
        if (target.Path.front() != '/')
            target.Path.insert(0, "/");
        if (options.Active)
            target.Host.Passive = false;
    } else {
        const auto url = ParseCliUrl(argument);
        if (!url)
            throw std::invalid_argument("not an ftp:// address: " + argument);
        target.Host = HostFromUrl(*url);
        target.Path = url->Path;
        target.Host.Passive = !options.Active;
    }
    CheckPathText(target.Path);
    if (options.Tls || options.ImplicitTls)
        target.Host.UseSSL = true;
    if (target.Host.IsAnonymous) {
        // Resolved here, so that applying the host needs no loaded settings.
        target.Host.IsAnonymous = false;
        target.Host.Username = "anonymous";
        target.Host.Password = AnonymousPassword();
    }
    return target;
}

void ApplyCliOptions(TIdFTP& engine, const TCliOptions& options)
{
    engine.UseExtensionDataPort = options.Epsv;
    engine.ReadTimeout = options.TimeoutMs;
    engine.ConnectTimeout = options.TimeoutMs;
    engine.TransferTimeout = options.TimeoutMs > 0 ? options.TimeoutMs : 30000;
    if (options.Proxy.ProxyType != fpcmNone)
        engine.ProxySettings = options.Proxy;
    if (options.BufferSize > 0)
        engine.DataBufferSize = options.BufferSize;
    TIdIOHandler* io = engine.IOHandler();
    if (io) {
        io->TransparentProxy = options.Socks;
        io->ReadTimeout = options.TimeoutMs;
    }
    const bool tls = io && io->IsTLSHandler();
    if (!tls && (options.Prot != 0 || options.Ccc))
        throw std::invalid_argument("--prot and --ccc need --tls or --implicit-tls");
    if (!tls)
        return;
    if (options.ImplicitTls)
        engine.SetUseTLS(utUseImplicitTLS);
    // Data connections are protected unless clear ones are asked for.
    engine.SetDataPortProtection(options.Prot == 'C' ? ftpdpsClear : ftpdpsPrivate);
    engine.SetUseCCC(options.Ccc);
}

void LogLine(const char* prefix, const std::string& text)
{
    std::lock_guard lock(logMutex);
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::fprintf(stderr, "%s %s\n", prefix, line.c_str());
        start = end + 1;
    }
}

std::shared_ptr<TIdConnectionIntercept> MakeLogIntercept()
{
    auto intercept = std::make_shared<TIdConnectionIntercept>();
    intercept->OnSend = [](std::string& bytes) {
        std::string line = bytes.substr(0, bytes.find_last_not_of("\r\n") + 1);
        if (line.rfind("PASS ", 0) == 0)
            line = "PASS ******";
        LogLine("Command>", line);
    };
    intercept->OnReceive = [](std::string& bytes) { LogLine("Reply>", bytes); };
    return intercept;
}

void LogTlsSession(const TIdFTP& engine)
{
    const auto* tls = dynamic_cast<const TIdSSLIOHandlerSocketOpenSSL*>(engine.IOHandler());
    if (!tls || !engine.TLSActive() || tls->ProtocolName().empty())
        return;
    LogLine("TLS>", tls->ProtocolName() + " " + tls->CipherName());
}

void ConnectEngine(TIdFTP& engine, const TCliTarget& target, const TCliOptions& options)
{
    engine.AutoLogin = false;
    ApplyHost(engine, target.Host, options.Log ? MakeLogIntercept() : nullptr);
    ApplyCliOptions(engine, options);
    if (options.Log)
        engine.OnStatus = [](TIdStatus, const std::string& text) { LogLine("Status>", text); };
    engine.ConnectControl();
    engine.Authenticate();
    if (options.Log)
        LogTlsSession(engine);
}

std::pair<std::string, std::string> SplitRemotePath(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return {"/", trimmed};
    if (trimmed == "/")
        return {"/", ""};
    return {slash == 0 ? "/" : trimmed.substr(0, slash), trimmed.substr(slash + 1)};
}
