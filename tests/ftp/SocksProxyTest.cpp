// The SOCKS client on real sockets: through microsocks (SOCKS 5, with and
// without user name and password) and dante (SOCKS 4 and 5, CONNECT and
// BIND, a blocking rule) to an echo server on loopback, and against a
// scripted proxy for what real proxies do not send (short replies,
// silence, refusals, a connection dropped mid-handshake).
#include "SocksTestServers.h"
#include "ftp/SocksInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

constexpr int kReadTimeoutMs = 5000;

TIdSocksInfo Proxy(TSocksVersion version, std::uint16_t port)
{
    TIdSocksInfo info;
    info.Version = version;
    info.Host = "127.0.0.1";
    info.Port = port;
    return info;
}

// Connects to the proxy and runs the handshake to 127.0.0.1:targetPort (or
// `host`); returns the socket now carrying the target's bytes.
TSocket ConnectThrough(const TIdSocksInfo& info, const std::string& host, std::uint16_t targetPort)
{
    TSocket socket = ConnectLoopback(info.Port);
    EXPECT_TRUE(socket);
    TIdSocksFdChannel channel(socket.Get(), kReadTimeoutMs);
    info.Connect(channel, host, targetPort);
    return socket;
}

void ExpectEcho(int fd, const std::string& text)
{
    ASSERT_TRUE(SendText(fd, text));
    EXPECT_EQ(ReceiveText(fd, text.size()), text);
}

std::string ReadLog(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    std::ifstream(path, std::ios::binary).read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

class TMicrosocks {
public:
    explicit TMicrosocks(const std::vector<std::string>& extraArgs = {})
    {
        Port = FreePort();
        std::vector<std::string> argv = {"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", std::to_string(Port)};
        argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
        Process = std::make_unique<TChildProcess>(argv, Dir.Path() / "microsocks.log");
        Started = Process->WaitForPort(Port);
    }
    std::string Log() const { return ReadLog(Dir.Path() / "microsocks.log"); }

    TTempDir Dir;
    std::uint16_t Port = 0;
    std::unique_ptr<TChildProcess> Process;
    bool Started = false;
};

// dante in the foreground with one worker set, refusing port `blockedPort`
// on loopback.
class TDante {
public:
    explicit TDante(std::uint16_t blockedPort)
    {
        Port = FreePort();
        const auto config = Dir.Path() / "danted.conf";
        // Run as root, dante wants to know whom to switch to; as anyone
        // else it stays that user.
        const char* users = ::geteuid() == 0 ? "user.privileged: root\nuser.unprivileged: nobody\n" : "";
        std::ofstream(config) << "logoutput: stderr\n"
                                 "internal: 127.0.0.1 port = " << Port << "\n"
                                 "external: 127.0.0.1\n"
                                 "clientmethod: none\n"
                                 "socksmethod: none\n"
                              << users <<
                                 "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                 "socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = " << blockedPort << " }\n"
                                 "socks pass { from: 0.0.0.0/0 to: 0.0.0.0/0 command: connect bind bindreply }\n";
        Process = std::make_unique<TChildProcess>(
            std::vector<std::string>{"/usr/sbin/danted", "-f", config.string(), "-N", "1", "-p",
                                     (Dir.Path() / "danted.pid").string()},
            Dir.Path() / "danted.log");
        Started = Process->WaitForPort(Port);
    }
    std::string Log() const { return ReadLog(Dir.Path() / "danted.log"); }

    TTempDir Dir;
    std::uint16_t Port = 0;
    std::unique_ptr<TChildProcess> Process;
    bool Started = false;
};

template <typename TError> std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(SocksMicrosocks, Socks5ConnectByAddressAndByName)
{
    TEchoServer echo;
    TMicrosocks proxy;
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    const TIdSocksInfo info = Proxy(svSocks5, proxy.Port);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        TSocket socket = ConnectThrough(info, host, echo.Port());
        ExpectEcho(socket.Get(), "220 through "s + host + "\r\n");
    }
}

TEST(SocksMicrosocks, Socks5UserNameAndPassword)
{
    TEchoServer echo;
    TMicrosocks proxy({"-u", "joe", "-P", "secret"});
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    TIdSocksInfo info = Proxy(svSocks5, proxy.Port);
    info.Authentication = saUsernamePassword;
    info.Username = "joe";
    info.Password = "secret";
    TSocket socket = ConnectThrough(info, "127.0.0.1", echo.Port());
    ExpectEcho(socket.Get(), "USER anonymous\r\n");

    info.Password = "wrong";
    EXPECT_EQ(ErrorOf<EIdSocksAuthError>([&] { ConnectThrough(info, "127.0.0.1", echo.Port()); }),
              "Authentication error to socks server.");

    info.Authentication = saNoAuthentication;
    EXPECT_EQ(ErrorOf<EIdSocksAuthMethodError>([&] { ConnectThrough(info, "127.0.0.1", echo.Port()); }),
              "Invalid socks authentication method.");
}

TEST(SocksMicrosocks, Socks5TargetRefusesConnection)
{
    TMicrosocks proxy;
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    const std::uint16_t closed = FreePort();
    EXPECT_EQ(ErrorOf<EIdSocksServerConnectionRefusedError>(
                  [&] { ConnectThrough(Proxy(svSocks5, proxy.Port), "127.0.0.1", closed); }),
              "Connection refused.");
}

TEST(SocksDante, Socks4And5ConnectThrough)
{
    TEchoServer echo;
    TDante proxy(FreePort());
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    // dante does not resolve SOCKS 4A names; 4A is covered by the scripted proxy.
    for (const TSocksVersion version : {svSocks4, svSocks5}) {
        SCOPED_TRACE(version);
        TIdSocksInfo info = Proxy(version, proxy.Port);
        info.Username = "joe";  // the SOCKS 4 user id; no SOCKS 5 method asks for it
        TSocket socket = ConnectThrough(info, "localhost", echo.Port());
        ExpectEcho(socket.Get(), "220 version " + std::to_string(version) + "\r\n");
    }
}

TEST(SocksDante, RulesetRefusal)
{
    const std::uint16_t blocked = FreePort();
    TDante proxy(blocked);
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    EXPECT_EQ(ErrorOf<EIdSocksServerPermissionError>(
                  [&] { ConnectThrough(Proxy(svSocks5, proxy.Port), "127.0.0.1", blocked); }),
              "Connection not allowed by ruleset.");
    EXPECT_EQ(ErrorOf<EIdSocksRequestFailed>([&] { ConnectThrough(Proxy(svSocks4, proxy.Port), "127.0.0.1", blocked); }),
              "Request rejected or failed.");
}

TEST(SocksDante, BindAcceptsTheServersDataConnection)
{
    TDante proxy(FreePort());
    ASSERT_TRUE(proxy.Started) << proxy.Log();
    for (const TSocksVersion version : {svSocks4, svSocks5}) {
        SCOPED_TRACE(version);
        const TIdSocksInfo info = Proxy(version, proxy.Port);
        TSocket control = ConnectLoopback(proxy.Port);
        ASSERT_TRUE(control);
        TIdSocksFdChannel channel(control.Get(), kReadTimeoutMs);
        // As for PORT: the proxy listens, the "server" connects to where it listens.
        const TIdSocksAddress listening = info.Bind(channel, "127.0.0.1", 0);
        ASSERT_EQ(listening.Host, "127.0.0.1");
        ASSERT_NE(listening.Port, 0);
        TSocket server = ConnectLoopback(listening.Port);
        ASSERT_TRUE(server);
        const TIdSocksAddress peer = info.AcceptBind(channel);
        EXPECT_EQ(peer.Host, "127.0.0.1");
        ASSERT_TRUE(SendText(server.Get(), "listing data"));
        EXPECT_EQ(ReceiveText(control.Get(), 12), "listing data");
    }
}

// A proxy that answers one connection with a script run on its own thread;
// what it read is available after Finish().
class TScriptedProxy {
public:
    explicit TScriptedProxy(std::function<void(int fd)> script)
    {
        Listener = ListenLoopback(Port);
        Thread = std::thread([this, script = std::move(script)] {
            TSocket client(::accept(Listener.Get(), nullptr, nullptr));
            if (client)
                script(client.Get());
        });
    }
    ~TScriptedProxy() { Finish(); }
    void Finish()
    {
        if (Thread.joinable())
            Thread.join();
    }

    std::uint16_t Port = 0;

private:
    TSocket Listener;
    std::thread Thread;
};

TEST(SocksScripted, Socks4ARequestOnTheWireAndRefusal)
{
    std::string request;
    bool sawClose = false;
    TScriptedProxy fake([&](int fd) {
        request = ReceiveText(fd, 8 + 4 + 8);  // header, "joe\0", "example\0"
        SendText(fd, "\x00\x5c\x00\x00\x00\x00\x00\x00"s);
        sawClose = ReceiveText(fd, 1).empty();
    });
    TIdSocksInfo info = Proxy(svSocks4A, fake.Port);
    info.Username = "joe";
    EXPECT_EQ(ErrorOf<EIdSocksRequestServerFailed>([&] { ConnectThrough(info, "example", 21); }),
              "Request rejected because SOCKS server cannot connect.");
    fake.Finish();
    EXPECT_EQ(request, "\x04\x01\x00\x15\x00\x00\x00\x01joe\x00" "example\x00"s);
    EXPECT_TRUE(sawClose);
}

TEST(SocksScripted, RepliesArrivingByteByByte)
{
    TScriptedProxy fake([](int fd) {
        ReceiveText(fd, 3);
        for (const char c : "\x05\x00"s)
            SendText(fd, std::string(1, c));
        ReceiveText(fd, 10);
        for (const char c : "\x05\x00\x00\x03\x0a" "proxy.host\x04\x38" "220 hi"s) {
            SendText(fd, std::string(1, c));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ReceiveText(fd, 1);
    });
    // On a non-blocking socket, as an engine with its own poll loop has.
    TSocket socket = ConnectLoopback(fake.Port);
    ASSERT_TRUE(socket);
    ::fcntl(socket.Get(), F_SETFL, ::fcntl(socket.Get(), F_GETFL) | O_NONBLOCK);
    TIdSocksFdChannel channel(socket.Get(), kReadTimeoutMs);
    EXPECT_EQ(Proxy(svSocks5, fake.Port).Connect(channel, "192.0.2.1", 21), (TIdSocksAddress{"proxy.host", 1080}));
    EXPECT_EQ(ReceiveText(socket.Get(), 6), "220 hi");
    ::shutdown(socket.Get(), SHUT_RDWR);
}

TEST(SocksScripted, BrokenProxies)
{
    struct TCase {
        const char* Name;
        TSocksVersion Version;
        std::string Reply;  // sent after the request was read; then the proxy closes
        std::string Error;
    };
    const TCase cases[] = {
        {"truncated SOCKS 4 reply", svSocks4, "\x00\x5a\x00"s, "Socks server did not respond."},
        {"truncated SOCKS 5 reply", svSocks5, "\x05\x00\x05\x00\x00"s, "Socks server did not respond."},
        {"closed after method choice", svSocks5, "\x05\x00"s, "Socks server did not respond."},
        {"wrong version", svSocks5, "\x05\x00\x04\x5a\x00\x01\x00\x00\x00\x00\x00\x00"s, "Unknown socks error."},
        {"host unreachable", svSocks5, "\x05\x00\x05\x04\x00\x01\x00\x00\x00\x00\x00\x00"s, "Host unreachable."},
        {"method refused", svSocks5, "\x05\xff"s, "Invalid socks authentication method."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedProxy fake([&](int fd) {
            ReceiveText(fd, c.Version == svSocks5 ? 3 : 9, 500);
            SendText(fd, c.Reply);
            ReceiveText(fd, 64, 500);  // the rest of the request, if any
        });
        EXPECT_EQ(ErrorOf<EIdSocksError>([&] { ConnectThrough(Proxy(c.Version, fake.Port), "127.0.0.1", 21); }),
                  c.Error);
    }
}

TEST(SocksScripted, SilentProxyTimesOut)
{
    TScriptedProxy fake([](int fd) { ReceiveText(fd, 1000, 3000); });
    TSocket socket = ConnectLoopback(fake.Port);
    ASSERT_TRUE(socket);
    TIdSocksFdChannel channel(socket.Get(), 200);
    EXPECT_THROW(Proxy(svSocks5, fake.Port).Connect(channel, "127.0.0.1", 21), EIdSocksServerRespondError);
    // The failed handshake shut the connection down, so the proxy saw the end.
    fake.Finish();
}
