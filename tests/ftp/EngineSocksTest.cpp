// Control and data connections through a real SOCKS proxy (microsocks) to
// vsftpd.
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/SocksErrors.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> ListThrough(const TestFtpServer& server, const TIdSocksInfo& socks)
{
    TIdFTP ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = server.Port();
    ftp.Username = server.User();
    ftp.Password = server.Password();
    ftp.Passive = true;
    ftp.AutoLogin = false;
    ftp.ReadTimeout = 20000;
    ftp.TransferTimeout = 20000;
    auto io = std::make_unique<TIdIOHandlerStack>();
    io->TransparentProxy = socks;
    ftp.SetIOHandler(std::move(io));
    ftp.ConnectControl();
    ftp.Authenticate();
    std::vector<std::string> lines;
    ftp.RetrieveListing(&lines, "-al", true);
    std::string data;
    ftp.Download("hello.txt", [&](const char* d, std::size_t n) { data.append(d, n); });
    EXPECT_EQ(data, "Hello, world\n");
    return lines;
}

bool Mentions(const std::vector<std::string>& lines, const std::string& name)
{
    for (const auto& line : lines)
        if (line.find(name) != std::string::npos)
            return true;
    return false;
}

}  // namespace

TEST(EngineSocks, ListingAndDownloadThroughSocks5AndSocks4A)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    MicrosocksProxy proxy;
    for (auto version : {svSocks5, svSocks4A, svSocks4}) {
        TIdSocksInfo socks;
        socks.Version = version;
        socks.Host = "127.0.0.1";
        socks.Port = proxy.Port();
        if (version == svSocks5) {
            EXPECT_TRUE(Mentions(ListThrough(server, socks), "hello.txt"));
            continue;
        }
        // microsocks speaks SOCKS 5 only: a SOCKS 4 request must fail cleanly.
        EXPECT_THROW(ListThrough(server, socks), std::exception) << version;
    }
}

TEST(EngineSocks, Socks5WithUserAndPassword)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    MicrosocksProxy proxy("socksuser", "sockspass");
    TIdSocksInfo socks;
    socks.Version = svSocks5;
    socks.Host = "127.0.0.1";
    socks.Port = proxy.Port();
    socks.Authentication = saUsernamePassword;
    socks.Username = "socksuser";
    socks.Password = "sockspass";
    EXPECT_TRUE(Mentions(ListThrough(server, socks), "sub"));
    socks.Password = "wrong";
    EXPECT_THROW(ListThrough(server, socks), EIdSocksError);
}
