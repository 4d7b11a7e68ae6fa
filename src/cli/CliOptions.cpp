#include "cli/CliOptions.h"

#include "store/Helpers.h"

#include <cctype>
#include <charconv>
#include <stdexcept>

namespace {

int ToNumber(const std::string& text, const std::string& option, int low, int high)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::invalid_argument("bad value for " + option + ": " + text);
    return value;
}

void SplitHostPort(const std::string& text, std::string& host, std::uint16_t& port, const std::string& option)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw std::invalid_argument(option + " needs HOST:PORT");
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    port = static_cast<std::uint16_t>(ToNumber(text.substr(colon + 1), option, 1, 65535));
}

}  // namespace

std::optional<TCliUrl> ParseCliUrl(const std::string& text)
{
    const std::string scheme = "ftp://";
    if (text.size() <= scheme.size() || text.compare(0, scheme.size(), scheme) != 0)
        return std::nullopt;
    std::string rest = text.substr(scheme.size());
    TCliUrl url;
    const auto slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    url.Path = slash == std::string::npos ? "/" : PercentDecode(rest.substr(slash));
    const auto at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string credentials = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const auto colon = credentials.find(':');
        url.User = PercentDecode(credentials.substr(0, colon));
        if (colon != std::string::npos)
            url.Password = PercentDecode(credentials.substr(colon + 1));
    }
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        url.Host = authority.substr(1, close - 1);
        authority = authority.substr(close + 1);
        if (!authority.empty() && authority.front() != ':')
            return std::nullopt;
    } else {
        const auto colon = authority.rfind(':');
        url.Host = authority.substr(0, colon);
        authority = colon == std::string::npos ? std::string() : authority.substr(colon);
    }
    if (!authority.empty()) {
        int port = 0;
        const std::string digits = authority.substr(1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (ec != std::errc() || end != digits.data() + digits.size() || port < 1 || port > 65535)
            return std::nullopt;
        url.Port = static_cast<std::uint16_t>(port);
    }
    if (url.Host.empty())
        return std::nullopt;
    return url;
}

TCliOptions ParseCliOptions(const std::vector<std::string>& args)
{
    TCliOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw std::invalid_argument(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--active") {
            options.Active = true;
        } else if (arg == "--epsv") {
            options.Epsv = true;
        } else if (arg == "--resume") {
            options.Resume = true;
        } else if (arg == "--raw") {
            options.Raw = true;
        } else if (arg == "--json") {
            options.Json = true;
        } else if (arg == "--log") {
            options.Log = true;
        } else if (arg == "-r" || arg == "--recursive") {
            options.Recursive = true;
        } else if (arg == "--resolve-links") {
            options.ResolveLinks = true;
        } else if (arg == "--tls") {
            options.Tls = true;
        } else if (arg == "--implicit-tls") {
            options.ImplicitTls = true;
        } else if (arg == "--ccc") {
            options.Ccc = true;
        } else if (arg == "--prot") {
            const std::string& level = value();
            if (level != "C" && level != "P" && level != "c" && level != "p")
                throw std::invalid_argument("--prot takes C (clear) or P (protected): " + level);
            options.Prot = static_cast<char>(std::toupper(static_cast<unsigned char>(level[0])));
        } else if (arg == "--timeout") {
            options.TimeoutMs = ToNumber(value(), arg, 0, 86400000);
        } else if (arg == "--buffer-size") {
            options.BufferSize = ToNumber(value(), arg, 512, 64 * 1024 * 1024);
        } else if (arg == "--site") {
            options.Site = value();
        } else if (arg == "--proxy-type") {
            const std::string& name = value();
            std::optional<TIdFtpProxyType> type = IdFtpProxyTypeFromName(name);
            if (!type)
                type = IdFtpProxyTypeFromName("fpcm" + name);
            if (!type)
                throw std::invalid_argument("unknown proxy type: " + name);
            options.Proxy.ProxyType = *type;
        } else if (arg == "--proxy-host") {
            options.Proxy.Host = value();
        } else if (arg == "--proxy-port") {
            options.Proxy.Port = static_cast<std::uint16_t>(ToNumber(value(), arg, 1, 65535));
        } else if (arg == "--proxy-user") {
            options.Proxy.UserName = value();
        } else if (arg == "--proxy-pass") {
            options.Proxy.Password = value();
        } else if (arg == "--socks4" || arg == "--socks4a" || arg == "--socks5") {
            SplitHostPort(value(), options.Socks.Host, options.Socks.Port, arg);
            options.Socks.Version = arg == "--socks4" ? svSocks4 : arg == "--socks4a" ? svSocks4A : svSocks5;
        } else if (arg == "--socks-user") {
            options.Socks.Username = value();
        } else if (arg == "--socks-pass") {
            options.Socks.Password = value();
            options.Socks.Authentication = saUsernamePassword;
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            throw std::invalid_argument("unknown option: " + arg);
        } else {
            options.Positional.push_back(arg);
        }
    }
    if (options.Tls && options.ImplicitTls)
        throw std::invalid_argument("--tls and --implicit-tls exclude each other");
    return options;
}
