// The browsing worker against real servers: connect, log in, list, change
// folders, the listing cache, links, and how failures reach the user.

#include "WorkerHarness.h"

#include "servers/ScriptedFtpServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const std::string kUtf8Folder = "\xd0\xbf\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0";

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

using ServerFactory = std::function<std::unique_ptr<TestFtpServer>(const std::string& root)>;

struct ServerKind {
    const char* Name;
    ServerFactory Make;
};

void PrintTo(const ServerKind& kind, std::ostream* out)
{
    *out << kind.Name;
}

class WorkerBrowse : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override { server = GetParam().Make(tree.Root()); }
    BrowseTree tree;
    std::unique_ptr<TestFtpServer> server;
    WorkerHarness harness;
};

TEST_P(WorkerBrowse, ConnectsListsResolvesLinksAndReturnsToCachedFolders)
{
    ASSERT_TRUE(harness.Connect(harness.HostFor(*server))) << harness.TakeError() << server->Log();
    // SetHost drops the old connection first.
    const std::vector<std::string> opening(harness.Events.begin(), harness.Events.begin() + 7);
    EXPECT_EQ(opening,
              (std::vector<std::string>{"Disconnected", "Busy", "Connected", "Idle", "Busy", "LoggedIn", "Idle"}));
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    EXPECT_TRUE(harness.Worker->IsSessionOpen());

    harness.List();
    const auto names = harness.ListingNames();
    EXPECT_TRUE(Has(names, "tree/"));
    EXPECT_TRUE(Has(names, "linkdir/")) << "a link to a folder shows as a folder";
    EXPECT_TRUE(Has(names, "linkfile")) << "a link to a file shows as a file";
    EXPECT_TRUE(Has(names, "dangling")) << "a dangling link shows as a file";
    EXPECT_TRUE(Has(names, "name with spaces/"));
    EXPECT_TRUE(Has(names, kUtf8Folder + "/"));
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");

    const auto commands = harness.Commands();
    EXPECT_TRUE(Has(commands, "LIST -al"));
    EXPECT_TRUE(Has(commands, "PASS ******"));
    for (const auto& command : commands)
        EXPECT_EQ(command.find(server->Password()), std::string::npos) << command;

    // Resolving the links left the server in the listed folder: a relative
    // change works from there.
    harness.Worker->ChangeDir("name with spaces");
    EXPECT_EQ(harness.Worker->CurrentDir(), "/name with spaces");
    harness.List();
    EXPECT_EQ(harness.ListingNames(), (std::vector<std::string>{"inside file.txt"}));

    harness.Worker->ChangeDirUp();
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    harness.ClearLog();
    harness.List();
    EXPECT_EQ(harness.CountCommands("LIST"), 0u) << "a listed folder comes from the cache";
    EXPECT_TRUE(Has(harness.ListingNames(), "tree/"));

    harness.Worker->InvalidateListing("/");
    harness.List();
    EXPECT_EQ(harness.CountCommands("LIST"), 1u) << "a refresh lists again";

    harness.Worker->ChangeDir(kUtf8Folder);
    harness.List();
    EXPECT_EQ(harness.ListingNames(), (std::vector<std::string>{"\xc3\xa9t\xc3\xa9.txt"}));
    EXPECT_EQ(harness.TakeError(), "");
}

TEST_P(WorkerBrowse, MissingFolderKeepsTheOldDirectoryAndItsListing)
{
    ASSERT_TRUE(harness.Connect(harness.HostFor(*server)));
    harness.List();
    harness.ClearLog();
    harness.Worker->ChangeDir("no such folder");
    EXPECT_EQ(harness.TakeError(), "Could not change to choosen directory.");
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    harness.List();
    EXPECT_EQ(harness.CountCommands("LIST"), 0u);
    EXPECT_TRUE(Has(harness.ListingNames(), "tree/"));
    EXPECT_TRUE(harness.Worker->IsSessionOpen());
}

TEST_P(WorkerBrowse, WrongPasswordFailsAuthenticationAndCloses)
{
    THost host = harness.HostFor(*server);
    host.Password = "wrong";
    EXPECT_FALSE(harness.Connect(host));
    EXPECT_EQ(harness.TakeError(), "Authentication failed.");
    EXPECT_GE(harness.Count("Disconnected"), 1u);
    EXPECT_FALSE(harness.Worker->IsSessionOpen());
}

TEST_P(WorkerBrowse, TLSHostOnAPlainServerIsRefused)
{
    THost host = harness.HostFor(*server);
    host.UseSSL = true;
    EXPECT_FALSE(harness.Connect(host));
    EXPECT_EQ(harness.TakeError(), "TLS/SSL not availible.");
    EXPECT_TRUE(harness.CountCommands("AUTH") >= 1u);
    EXPECT_EQ(harness.CountCommands("USER"), 0u) << "no credentials in clear text";
    EXPECT_FALSE(harness.Worker->IsSessionOpen());
}

INSTANTIATE_TEST_SUITE_P(Servers, WorkerBrowse,
                         ::testing::Values(
                             ServerKind{"vsftpd", [](const std::string& root) -> std::unique_ptr<TestFtpServer> {
                                            return std::make_unique<VsftpdServer>(root);
                                        }},
                             ServerKind{"pyftpdlib", [](const std::string& root) -> std::unique_ptr<TestFtpServer> {
                                            return std::make_unique<PyftpdlibServer>(root);
                                        }}),
                         [](const ::testing::TestParamInfo<ServerKind>& param) { return std::string(param.param.Name); });

TEST(WorkerConnect, UnreachableHostsTellWhy)
{
    struct Case {
        const char* Host;
        std::uint16_t Port;
        const char* Message;
    };
    const Case cases[] = {
        {"no-such-host.invalid", 21, "Host not found."},
        {"127.0.0.1", FreeLoopbackPort(), "Connection to remote host refused."},
    };
    for (const Case& c : cases) {
        WorkerHarness harness;
        THost host;
        host.Hostname = c.Host;
        host.Port = c.Port;
        EXPECT_FALSE(harness.Connect(host));
        EXPECT_EQ(harness.TakeError(), c.Message) << c.Host;
        EXPECT_EQ(harness.Count("Connected"), 0u);
    }
}

TEST(WorkerConnect, ServerClosingOnChangeDirEndsTheSessionSilently)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send("220 ready\r\n");
        for (;;) {
            const std::string command = s.ReadCommand();
            if (command.empty())
                return;
            if (command.rfind("USER", 0) == 0)
                s.Send("331 password\r\n");
            else if (command.rfind("PASS", 0) == 0)
                s.Send("230 in\r\n");
            else if (command.rfind("TYPE", 0) == 0)
                s.Send("200 ok\r\n");
            else if (command.rfind("PWD", 0) == 0)
                s.Send("257 \"/\" here\r\n");
            else if (command.rfind("CWD", 0) == 0) {
                s.Send("421 Service not available, closing control connection\r\n");
                return;
            } else
                s.Send("500 unknown\r\n");
        }
    });
    WorkerHarness harness;
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = "u";
    host.Password = "p";
    ASSERT_TRUE(harness.Connect(host)) << harness.TakeError() << ::testing::PrintToString(server.Commands());
    const std::size_t disconnects = harness.Count("Disconnected");
    harness.Worker->ChangeDir("somewhere");
    harness.Dispatcher.ProcessEvents();
    EXPECT_EQ(harness.Count("Disconnected"), disconnects + 1);
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_EQ(harness.Count("Error"), 0u);
    EXPECT_FALSE(harness.Worker->IsSessionOpen());
    server.Join();
    EXPECT_EQ(server.Failure(), "");
}

}  // namespace
