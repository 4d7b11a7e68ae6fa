#include "ftp/SocksInfo.h"

#include <array>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

constexpr std::uint8_t kConnect = 1;
constexpr std::uint8_t kBind = 2;

using TBytes = std::vector<std::uint8_t>;

void Append(TBytes& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

void AppendPort(TBytes& out, std::uint16_t port)
{
    out.push_back(static_cast<std::uint8_t>(port >> 8));
    out.push_back(static_cast<std::uint8_t>(port & 0xFF));
}

std::uint16_t PortAt(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

void Send(TIdSocksChannel& channel, const TBytes& bytes)
{
    if (!channel.WriteAll(bytes))
        throw EIdSocksServerRespondError();
}

template <std::size_t N> std::array<std::uint8_t, N> Receive(TIdSocksChannel& channel)
{
    std::array<std::uint8_t, N> bytes{};
    if (!channel.ReadExactly(bytes))
        throw EIdSocksServerRespondError();
    return bytes;
}

std::string AddressText(int family, const void* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(family, address, text, sizeof text);
    return text;
}

// SOCKS 4 carries IPv4 only, so a name is resolved here.
in_addr ResolveIPv4(const std::string& host)
{
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        throw EIdSocksBadRequest::ForHost(host);
    std::memcpy(&address, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, sizeof address);
    ::freeaddrinfo(found);
    return address;
}

// A zero byte would end the field early and make the proxy read the rest as
// the next field; an empty name asks for nothing.
void CheckName(const std::string& host, std::size_t maxLength)
{
    if (host.empty() || host.size() > maxLength || host.find('\0') != std::string::npos)
        throw EIdSocksBadRequest::ForHost(host);
}

[[noreturn]] void RaiseSocks4Reply(std::uint8_t code)
{
    switch (code) {
    case 91: throw EIdSocksRequestFailed();
    case 92: throw EIdSocksRequestServerFailed();
    case 93: throw EIdSocksRequestIdentFailed();
    default: throw EIdSocksUnknownError();
    }
}

[[noreturn]] void RaiseSocks5Reply(std::uint8_t code)
{
    switch (code) {
    case 1: throw EIdSocksServerGeneralError();
    case 2: throw EIdSocksServerPermissionError();
    case 3: throw EIdSocksServerNetUnreachableError();
    case 4: throw EIdSocksServerHostUnreachableError();
    case 5: throw EIdSocksServerConnectionRefusedError();
    case 6: throw EIdSocksServerTTLExpiredError();
    case 7: throw EIdSocksServerCommandError();
    case 8: throw EIdSocksServerAddressError();
    default: throw EIdSocksUnknownError();
    }
}

// 5, command, 0, then the target: an IPv6 or IPv4 literal as such, any
// other text as a name for the proxy to resolve.
TBytes Socks5RequestBytes(std::uint8_t command, const std::string& host, std::uint16_t port)
{
    TBytes out = {5, command, 0};
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    in6_addr v6{};
    in_addr v4{};
    if (::inet_pton(AF_INET6, bare.c_str(), &v6) == 1) {
        out.push_back(4);
        out.insert(out.end(), v6.s6_addr, v6.s6_addr + 16);
    } else if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        out.push_back(1);
        const auto* b = reinterpret_cast<const std::uint8_t*>(&v4.s_addr);
        out.insert(out.end(), b, b + 4);
    } else {
        CheckName(host, 255);
        out.push_back(3);
        out.push_back(static_cast<std::uint8_t>(host.size()));
        Append(out, host);
    }
    AppendPort(out, port);
    return out;
}

bool IsUnspecified(const std::string& host)
{
    return host == "0.0.0.0" || host == "::";
}

} // namespace

TIdSocksAddress TIdCustomTransparentProxy::Bind(TIdSocksChannel& channel, const std::string&, std::uint16_t) const
{
    channel.Close();
    throw EIdTransparentProxyCantBind();
}

TIdSocksAddress TIdCustomTransparentProxy::AcceptBind(TIdSocksChannel& channel) const
{
    channel.Close();
    throw EIdTransparentProxyCantBind();
}

bool TIdSocksInfo::Enabled() const
{
    return Version != svNoSocks;
}

TIdSocksAddress TIdSocksInfo::Connect(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const
{
    if (!Enabled())
        return {};
    return Request(channel, kConnect, host, port);
}

TIdSocksAddress TIdSocksInfo::Bind(TIdSocksChannel& channel, const std::string& host, std::uint16_t port) const
{
    if (!Enabled())
        return TIdCustomTransparentProxy::Bind(channel, host, port);
    TIdSocksAddress listening = Request(channel, kBind, host, port);
    // A proxy listening on all its addresses answers 0.0.0.0; the peer can
    // reach it where we reached it.
    if (IsUnspecified(listening.Host))
        listening.Host = Host;
    return listening;
}

TIdSocksAddress TIdSocksInfo::AcceptBind(TIdSocksChannel& channel) const
{
    if (!Enabled())
        return TIdCustomTransparentProxy::AcceptBind(channel);
    try {
        return ReadReply(channel);
    } catch (...) {
        channel.Close();
        throw;
    }
}

TIdSocksAddress TIdSocksInfo::Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                                      std::uint16_t port) const
{
    try {
        return Version == svSocks5 ? Socks5Request(channel, command, host, port)
                                   : Socks4Request(channel, command, host, port);
    } catch (...) {
        channel.Close();
        throw;
    }
}

TIdSocksAddress TIdSocksInfo::Socks4Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                                            std::uint16_t port) const
{
    TBytes out = {4, command};
    AppendPort(out, port);
    if (Username.find('\0') != std::string::npos)
        throw EIdSocksBadRequest("The SOCKS user id must not contain a zero byte.");
    if (Version == svSocks4A) {
        CheckName(host, 255);
        out.insert(out.end(), {0, 0, 0, 1});
        Append(out, Username);
        out.push_back(0);
        Append(out, host);
    } else {
        const in_addr address = ResolveIPv4(host);
        const auto* b = reinterpret_cast<const std::uint8_t*>(&address.s_addr);
        out.insert(out.end(), b, b + 4);
        Append(out, Username);
    }
    out.push_back(0);
    Send(channel, out);
    return ReadReply(channel);
}

TIdSocksAddress TIdSocksInfo::Socks5Request(TIdSocksChannel& channel, std::uint8_t command, const std::string& host,
                                            std::uint16_t port) const
{
    // Build the request first: a target the proxy cannot be asked for fails
    // before anything is sent.
    const TBytes request = Socks5RequestBytes(command, host, port);
    const std::uint8_t method = Authentication == saUsernamePassword ? 2 : 0;
    Send(channel, {5, 1, method});
    const auto chosen = Receive<2>(channel);
    if (chosen[1] != method)
        throw EIdSocksAuthMethodError();
    if (chosen[0] != 5)
        throw EIdSocksUnknownError();
    if (method == 2)
        Socks5Login(channel);
    Send(channel, request);
    return ReadReply(channel);
}

void TIdSocksInfo::Socks5Login(TIdSocksChannel& channel) const
{
    if (Username.size() > 255 || Password.size() > 255)
        throw EIdSocksAuthError();
    TBytes out = {1, static_cast<std::uint8_t>(Username.size())};
    Append(out, Username);
    out.push_back(static_cast<std::uint8_t>(Password.size()));
    Append(out, Password);
    Send(channel, out);
    // Only the status counts: some proxies put 5 instead of 1 in the first byte.
    if (Receive<2>(channel)[1] != 0)
        throw EIdSocksAuthError();
}

TIdSocksAddress TIdSocksInfo::ReadReply(TIdSocksChannel& channel) const
{
    if (Version != svSocks5) {
        // The first byte should be 0; proxies that answer 4 work all the same.
        const auto reply = Receive<8>(channel);
        if (reply[1] != 90)
            RaiseSocks4Reply(reply[1]);
        return {AddressText(AF_INET, reply.data() + 4), PortAt(reply.data() + 2)};
    }
    // Version, reply code, reserved, address type and the first address byte.
    const auto head = Receive<5>(channel);
    if (head[0] != 5)
        throw EIdSocksUnknownError();
    if (head[1] != 0)
        RaiseSocks5Reply(head[1]);
    switch (head[3]) {
    case 1: {
        const auto rest = Receive<5>(channel);
        const std::uint8_t address[4] = {head[4], rest[0], rest[1], rest[2]};
        return {AddressText(AF_INET, address), PortAt(rest.data() + 3)};
    }
    case 4: {
        const auto rest = Receive<17>(channel);
        std::uint8_t address[16] = {head[4]};
        std::memcpy(address + 1, rest.data(), 15);
        return {AddressText(AF_INET6, address), PortAt(rest.data() + 15)};
    }
    case 3: {
        std::vector<std::uint8_t> rest(std::size_t{head[4]} + 2);
        if (!channel.ReadExactly(rest))
            throw EIdSocksServerRespondError();
        return {std::string(rest.begin(), rest.end() - 2), PortAt(rest.data() + rest.size() - 2)};
    }
    default:
        // Without a known address type the reply's length is unknown, so the
        // stream cannot be used.
        throw EIdSocksUnknownError();
    }
}
