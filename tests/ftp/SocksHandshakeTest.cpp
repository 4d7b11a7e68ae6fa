// SOCKS handshakes byte for byte against scripted proxy replies: the
// requests each version sends, every refusal code, bad and short replies.
#include "SocksMemoryChannel.h"
#include "ftp/SocksInfo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>

using namespace std::string_literals;

namespace {

TIdSocksInfo Proxy(TSocksVersion version, std::string user = {}, std::string password = {})
{
    TIdSocksInfo info;
    info.Version = version;
    info.Host = "proxy.example";
    info.Username = std::move(user);
    info.Password = std::move(password);
    if (!info.Password.empty())
        info.Authentication = saUsernamePassword;
    return info;
}

// Runs a CONNECT and returns the exception text, or "" on success.
std::string ConnectError(const TIdSocksInfo& info, TSocksMemoryChannel& channel, const std::string& host = "example",
                         std::uint16_t port = 21)
{
    try {
        info.Connect(channel, host, port);
        return {};
    } catch (const EIdSocksError& e) {
        return e.what();
    }
}

const std::string kSocks5Ok = "\x05\x00"s;
const std::string kSocks5Bound = "\x05\x00\x00\x01\x7f\x00\x00\x01\x04\x38"s;  // 127.0.0.1:1080

// The session maps every engine failure by its root class.
static_assert(std::is_base_of_v<EIdException, EIdSocksError>);
static_assert(std::is_base_of_v<EIdSocksError, EIdTransparentProxyCantBind>);

} // namespace

TEST(SocksHandshake, Socks4ConnectSendsResolvedAddressAndUserId)
{
    TSocksMemoryChannel channel("\x00\x5a\x00\x00\x00\x00\x00\x00"s + "220 hi");
    Proxy(svSocks4, "joe").Connect(channel, "10.1.2.3", 2121);
    EXPECT_EQ(channel.Written, "\x04\x01\x08\x49\x0a\x01\x02\x03joe\x00"s);
    EXPECT_EQ(channel.Consumed, 8u);
    EXPECT_FALSE(channel.Closed);
}

TEST(SocksHandshake, Socks4AConnectCarriesNameAfterUserId)
{
    TSocksMemoryChannel channel("\x00\x5a\x00\x00\x00\x00\x00\x00"s);
    Proxy(svSocks4A, "joe").Connect(channel, "example", 21);
    EXPECT_EQ(channel.Written, "\x04\x01\x00\x15\x00\x00\x00\x01joe\x00" "example\x00"s);
}

TEST(SocksHandshake, Socks4RefusalCodes)
{
    const std::pair<char, std::string> cases[] = {
        {91, "Request rejected or failed."},
        {92, "Request rejected because SOCKS server cannot connect."},
        {93, "Request rejected because the client program and identd report different user-ids."},
        {0, "Unknown socks error."},
        {94, "Unknown socks error."},
    };
    for (const auto& [code, text] : cases) {
        TSocksMemoryChannel channel("\x00"s + code + "\x00\x00\x00\x00\x00\x00"s);
        EXPECT_EQ(ConnectError(Proxy(svSocks4A), channel), text) << int(code);
        EXPECT_TRUE(channel.Closed);
    }
}

TEST(SocksHandshake, Socks5ConnectByNameIPv4AndIPv6)
{
    const std::pair<std::string, std::string> cases[] = {
        {"example", "\x05\x01\x00\x03\x07" "example\x00\x15"s},
        {"192.0.2.7", "\x05\x01\x00\x01\xc0\x00\x02\x07\x00\x15"s},
        {"2001:db8::1", "\x05\x01\x00\x04\x20\x01\x0d\xb8\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x15"s},
        {"[::1]", "\x05\x01\x00\x04"s + std::string(15, '\0') + "\x01\x00\x15"s},
    };
    for (const auto& [host, request] : cases) {
        TSocksMemoryChannel channel(kSocks5Ok + kSocks5Bound);
        const TIdSocksAddress bound = Proxy(svSocks5).Connect(channel, host, 21);
        EXPECT_EQ(channel.Written, "\x05\x01\x00"s + request) << host;
        EXPECT_EQ(bound, (TIdSocksAddress{"127.0.0.1", 1080}));
    }
}

TEST(SocksHandshake, Socks5UserPasswordLogin)
{
    TSocksMemoryChannel channel("\x05\x02\x01\x00"s + kSocks5Bound);
    Proxy(svSocks5, "joe", "secret").Connect(channel, "example", 21);
    EXPECT_EQ(channel.Written, "\x05\x01\x02" "\x01\x03joe\x06secret" "\x05\x01\x00\x03\x07" "example\x00\x15"s);
    EXPECT_EQ(channel.Consumed, channel.Reply.size());
}

TEST(SocksHandshake, Socks5AuthenticationFailures)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\x05\xff"s, "Invalid socks authentication method."},
        {"\x05\x00"s, "Invalid socks authentication method."},  // offered 2, got 0
        {"\x05\x02\x01\x01"s, "Authentication error to socks server."},
        {"\x05\x02\x01"s, "Socks server did not respond."},
        {"\x05"s, "Socks server did not respond."},
        {""s, "Socks server did not respond."},
    };
    for (const auto& [reply, text] : cases) {
        TSocksMemoryChannel channel(reply);
        EXPECT_EQ(ConnectError(Proxy(svSocks5, "joe", "bad"), channel), text);
        EXPECT_TRUE(channel.Closed);
    }
}

TEST(SocksHandshake, Socks5ReplyCodes)
{
    const char* texts[] = {"",
                           "General SOCKS server failure.",
                           "Connection not allowed by ruleset.",
                           "Network unreachable.",
                           "Host unreachable.",
                           "Connection refused.",
                           "TTL expired.",
                           "Command not supported.",
                           "Address type not supported.",
                           "Unknown socks error."};
    for (char code = 1; code <= 9; ++code) {
        TSocksMemoryChannel channel(kSocks5Ok + "\x05"s + code + "\x00\x01\x00\x00\x00\x00\x00\x00"s);
        EXPECT_EQ(ConnectError(Proxy(svSocks5), channel), texts[static_cast<int>(code)]) << int(code);
        EXPECT_TRUE(channel.Closed);
    }
}

TEST(SocksHandshake, Socks5BadOrShortReplies)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\x04\x00"s + kSocks5Bound, "Unknown socks error."},                  // method reply of another version
        {kSocks5Ok + "\x04\x00\x00\x01\x00\x00\x00\x00\x00\x00"s, "Unknown socks error."},  // reply version 4
        {kSocks5Ok + "\x05\x00\x00\x09\x00\x00\x00\x00\x00\x00"s, "Unknown socks error."},  // address type 9
        {kSocks5Ok + "\x05\x00\x00\x01"s, "Socks server did not respond."},
        {kSocks5Ok + "\x05\x00\x00\x01\x7f\x00\x00\x01\x04"s, "Socks server did not respond."},
        {kSocks5Ok + "\x05\x00\x00\x04\x00"s + std::string(15, '\0'), "Socks server did not respond."},
        {kSocks5Ok + "\x05\x00\x00\x03\x0a" "proxy.ex"s, "Socks server did not respond."},
        {kSocks5Ok, "Socks server did not respond."},
    };
    for (const auto& [reply, text] : cases) {
        TSocksMemoryChannel channel(reply);
        EXPECT_EQ(ConnectError(Proxy(svSocks5), channel), text);
        EXPECT_TRUE(channel.Closed);
    }
}

TEST(SocksHandshake, Socks5ReplyWithNameConsumesExactlyTheAddress)
{
    // Address type 3 with a 10-character name: 12 bytes after the first
    // five, so the server's greeting is left untouched.
    TSocksMemoryChannel channel(kSocks5Ok + "\x05\x00\x00\x03\x0a" "proxy.host\x04\x38"s + "220 ready");
    const TIdSocksAddress bound = Proxy(svSocks5).Connect(channel, "example", 21);
    EXPECT_EQ(bound, (TIdSocksAddress{"proxy.host", 1080}));
    EXPECT_EQ(channel.Reply.substr(channel.Consumed), "220 ready");

    TSocksMemoryChannel v6(kSocks5Ok + "\x05\x00\x00\x04"s + std::string(15, '\0') + "\x01\x00\x15"s + "220");
    EXPECT_EQ(Proxy(svSocks5).Connect(v6, "example", 21), (TIdSocksAddress{"::1", 21}));
    EXPECT_EQ(v6.Reply.substr(v6.Consumed), "220");
}

TEST(SocksHandshake, RequestsTheProxyCannotBeAskedForFailBeforeSending)
{
    const std::pair<TSocksVersion, std::string> cases[] = {
        {svSocks4, "2001:db8::1"},     {svSocks4, "no-such-host.invalid"},
        {svSocks4A, ""},               {svSocks4A, "exa\0mple"s},
        {svSocks5, std::string(256, 'h')}, {svSocks5, "exa\0mple"s},
    };
    for (const auto& [version, host] : cases) {
        TSocksMemoryChannel channel(kSocks5Ok + kSocks5Bound);
        EXPECT_THROW(Proxy(version).Connect(channel, host, 21), EIdSocksBadRequest) << host;
        EXPECT_EQ(channel.Written, "");
        EXPECT_TRUE(channel.Closed);
    }
    TSocksMemoryChannel channel("\x00\x5a\x00\x00\x00\x00\x00\x00"s);
    EXPECT_THROW(Proxy(svSocks4A, "jo\0e"s).Connect(channel, "example", 21), EIdSocksBadRequest);
    EXPECT_EQ(channel.Written, "");
}

TEST(SocksHandshake, DisabledProxyDoesNothing)
{
    TIdSocksInfo info = Proxy(svNoSocks);
    TSocksMemoryChannel channel("");
    EXPECT_FALSE(info.Enabled());
    EXPECT_EQ(info.Connect(channel, "example", 21), TIdSocksAddress{});
    EXPECT_EQ(channel.Written, "");
    EXPECT_FALSE(channel.Closed);
    EXPECT_THROW(info.Bind(channel, "example", 0), EIdTransparentProxyCantBind);
}

TEST(SocksHandshake, BindReportsListeningAddressThenPeer)
{
    // The proxy listens on all its addresses (0.0.0.0): the peer is sent to
    // the proxy's own host.
    TSocksMemoryChannel channel(kSocks5Ok + "\x05\x00\x00\x01\x00\x00\x00\x00\x9c\x40"s
                                + "\x05\x00\x00\x01\xc0\x00\x02\x07\x00\x14"s);
    const TIdSocksInfo info = Proxy(svSocks5);
    EXPECT_EQ(info.Bind(channel, "192.0.2.7", 0), (TIdSocksAddress{"proxy.example", 40000}));
    EXPECT_EQ(channel.Written, "\x05\x01\x00" "\x05\x02\x00\x01\xc0\x00\x02\x07\x00\x00"s);
    EXPECT_EQ(info.AcceptBind(channel), (TIdSocksAddress{"192.0.2.7", 20}));

    TSocksMemoryChannel v4("\x00\x5a\x9c\x40\x0a\x00\x00\x05"s + "\x00\x5b\x00\x00\x00\x00\x00\x00"s);
    EXPECT_EQ(Proxy(svSocks4).Bind(v4, "192.0.2.7", 0), (TIdSocksAddress{"10.0.0.5", 40000}));
    EXPECT_THROW(Proxy(svSocks4).AcceptBind(v4), EIdSocksRequestFailed);
    EXPECT_TRUE(v4.Closed);
}
