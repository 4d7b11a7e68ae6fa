// Active-mode data connections through a SOCKS proxy: dante listens for the
// server's data connection (BIND) and relays it; microsocks cannot, which
// must fail cleanly and leave the session usable.
#include "SocksTestServers.h"
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "ftp/SocksErrors.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>

namespace {

/// dante in the foreground on loopback, allowing CONNECT and BIND.
class Dante {
public:
    Dante()
    {
        port_ = FreePort();
        const auto config = dir_.Path() / "danted.conf";
        // As root dante wants to know whom to switch to; as anyone else it
        // stays that user.
        const char* users = ::geteuid() == 0 ? "user.privileged: root\nuser.unprivileged: nobody\n" : "";
        std::ofstream(config) << "logoutput: stderr\n"
                                 "internal: 127.0.0.1 port = " << port_ << "\n"
                                 "external: 127.0.0.1\n"
                                 "clientmethod: none\n"
                                 "socksmethod: none\n"
                              << users
                              << "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                 "socks pass { from: 0.0.0.0/0 to: 0.0.0.0/0 command: connect bind bindreply }\n";
        process_ = std::make_unique<TChildProcess>(
            std::vector<std::string>{"/usr/sbin/danted", "-f", config.string(), "-N", "1", "-p",
                                     (dir_.Path() / "danted.pid").string()},
            dir_.Path() / "danted.log");
        if (!process_->WaitForPort(port_))
            throw std::runtime_error("danted did not start: " + ReadWholeFile((dir_.Path() / "danted.log").string()));
    }
    std::uint16_t Port() const { return port_; }

private:
    TTempDir dir_;
    std::uint16_t port_ = 0;
    std::unique_ptr<TChildProcess> process_;
};

struct Session {
    std::unique_ptr<TIdFTP> ftp = std::make_unique<TIdFTP>();
    std::vector<std::string> sent;
    std::vector<std::uint16_t> dataPeers;  // the port each data connection was connected to
};

std::unique_ptr<Session> LoginThrough(const TestFtpServer& server, TSocksVersion version, std::uint16_t proxyPort,
                                      bool extended)
{
    auto session = std::make_unique<Session>();
    TIdFTP& ftp = *session->ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = server.Port();
    ftp.Username = server.User();
    ftp.Password = server.Password();
    ftp.Passive = false;
    ftp.UseExtensionDataPort = extended;
    ftp.AutoLogin = false;
    ftp.ReadTimeout = 20000;
    ftp.TransferTimeout = 20000;
    auto io = std::make_unique<TIdIOHandlerStack>();
    io->TransparentProxy.Version = version;
    io->TransparentProxy.Host = "127.0.0.1";
    io->TransparentProxy.Port = proxyPort;
    io->Intercept = std::make_shared<TIdConnectionIntercept>();
    Session* s = session.get();
    io->Intercept->OnSend = [s](std::string& bytes) { s->sent.push_back(bytes.substr(0, bytes.size() - 2)); };
    ftp.OnDataChannelDestroy = [s](TIdIOHandler& data) { s->dataPeers.push_back(data.PeerPort()); };
    ftp.SetIOHandler(std::move(io));
    ftp.ConnectControl();
    ftp.Authenticate();
    return session;
}

bool SentStartingWith(const Session& session, const std::string& prefix)
{
    return std::any_of(session.sent.begin(), session.sent.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

}  // namespace

TEST(EngineSocksActive, DataConnectionsComeThroughTheProxysBind)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    Dante proxy;
    const std::string local = MakeTempDir("tovrel-socks-active-");
    const std::string expected = ReadWholeFile(tree.Root() + "/data.bin");
    struct Case {
        TSocksVersion version;
        bool extended;
        const char* announce;
    };
    for (const Case& c : {Case{svSocks5, false, "PORT "}, Case{svSocks4, false, "PORT "}, Case{svSocks5, true, "EPRT "}}) {
        SCOPED_TRACE(std::to_string(c.version) + " " + c.announce);
        auto session = LoginThrough(server, c.version, proxy.Port(), c.extended);
        TIdFTP& ftp = *session->ftp;
        std::vector<std::string> lines;
        ftp.RetrieveListing(&lines, "-al", true);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("data.bin") != std::string::npos; }));
        const std::string path = local + "/data-" + std::to_string(c.version) + c.announce;
        ftp.DownloadToFile("data.bin", path, false, true);
        EXPECT_EQ(ReadWholeFile(path), expected);
        ftp.UploadFromFile(path, "upload/up.bin", false, 0);
        EXPECT_EQ(ReadWholeFile(tree.Root() + "/upload/up.bin"), expected);

        EXPECT_TRUE(SentStartingWith(*session, c.announce));
        // Every data connection was the proxy's relay, none went around it.
        ASSERT_EQ(session->dataPeers.size(), 3u);
        for (const std::uint16_t peer : session->dataPeers)
            EXPECT_EQ(peer, proxy.Port());
    }
    RemoveTree(local);
}

TEST(EngineSocksActive, RefusedTransferReleasesTheBoundConnection)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    Dante proxy;
    auto session = LoginThrough(server, svSocks5, proxy.Port(), false);
    TIdFTP& ftp = *session->ftp;
    try {
        ftp.Download("missing.bin", [](const char*, std::size_t) {});
        ADD_FAILURE() << "a missing file must fail";
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ReplyCode(), 550);
    }
    EXPECT_EQ(session->dataPeers.size(), 1u) << "the proxy connection was closed";
    std::string data;
    ftp.Download("hello.txt", [&](const char* d, std::size_t n) { data.append(d, n); });
    EXPECT_EQ(data, "Hello, world\n");
}

TEST(EngineSocksActive, ProxyWithoutBindFailsCleanly)
{
    // microsocks speaks CONNECT only: the active transfer fails with the
    // proxy's answer before any data command is sent, and the session goes
    // on in passive mode.
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    MicrosocksProxy proxy;
    auto session = LoginThrough(server, svSocks5, proxy.Port(), false);
    TIdFTP& ftp = *session->ftp;
    EXPECT_THROW(ftp.Download("hello.txt", [](const char*, std::size_t) {}), EIdSocksServerCommandError);
    EXPECT_FALSE(SentStartingWith(*session, "PORT"));
    EXPECT_FALSE(SentStartingWith(*session, "RETR"));
    ftp.Passive = true;
    std::string data;
    ftp.Download("hello.txt", [&](const char* d, std::size_t n) { data.append(d, n); });
    EXPECT_EQ(data, "Hello, world\n");
}
