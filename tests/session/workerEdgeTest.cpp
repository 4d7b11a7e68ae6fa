// The browsing worker at its edges: a listing stopped with Abort(), servers
// that refuse or close on "CWD" and "CDUP", and the recursive walk on both
// real servers, also through a link that leads back up the tree.

#include "WorkerHarness.h"

#include "servers/ScriptedFtpServer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

namespace fs = std::filesystem;

namespace {

const char* const kListing =
    "drwxr-xr-x 2 u g 4096 Jan 01 12:00 .\r\n"
    "drwxr-xr-x 3 u g 4096 Jan 01 12:00 ..\r\n"
    "-rw-r--r-- 1 u g 5 Jan 01 12:00 only.txt\r\n";

/// A server in folder "/a" that lists kListing and answers `replies` (by
/// command word) instead of its usual replies; a reply code of 221, 421 or
/// 426 also closes the connection, as a server ending the session does.
ScriptedFtpServer::Script ServerInA(std::map<std::string, std::string> replies)
{
    return [replies](ScriptedSession& s) {
        s.Send("220 ready\r\n");
        for (;;) {
            const std::string command = s.ReadCommand();
            if (command.empty())
                return;
            const std::string word = command.substr(0, command.find(' '));
            if (const auto special = replies.find(word); special != replies.end()) {
                s.Send(special->second);
                const std::string code = special->second.substr(0, 3);
                if (code == "221" || code == "421" || code == "426")
                    return;
            } else if (word == "USER") {
                s.Send("331 password\r\n");
            } else if (word == "PASS") {
                s.Send("230 in\r\n");
            } else if (word == "PWD") {
                s.Send("257 \"/a\" here\r\n");
            } else if (word == "PASV") {
                s.Send(ScriptedSession::PasvReply(s.ListenData()));
            } else if (word == "LIST") {
                const int data = s.AcceptData();
                s.Send("150 here it comes\r\n");
                ScriptedSession::SendData(data, kListing);
                ScriptedSession::CloseData(data);
                s.Send("226 done\r\n");
            } else if (word == "TYPE" || word == "CWD") {
                s.Send("200 ok\r\n");
            } else {
                s.Send("500 unknown\r\n");
            }
        }
    };
}

THost ScriptedHost(const ScriptedFtpServer& server)
{
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = "u";
    host.Password = "p";
    host.Passive = true;
    return host;
}

TEST(WorkerChangeDir, ClosingRepliesToCwdEndTheSessionSilently)
{
    for (const char* reply : {"221 Goodbye.\r\n", "426 Connection closed; aborted.\r\n"}) {
        SCOPED_TRACE(reply);
        ScriptedFtpServer server(ServerInA({{"CWD", reply}}));
        WorkerHarness harness;
        ASSERT_TRUE(harness.Connect(ScriptedHost(server)));
        const std::size_t disconnects = harness.Count("Disconnected");
        harness.Worker->ChangeDir("elsewhere");
        harness.Dispatcher.ProcessEvents();
        EXPECT_EQ(harness.Count("Disconnected"), disconnects + 1);
        EXPECT_EQ(harness.TakeError(), "");
        EXPECT_FALSE(harness.Worker->IsSessionOpen());
        server.Join();
        EXPECT_EQ(server.Failure(), "");
    }
}

// "CDUP" knows no closing replies: any refusal is shown, the folder stays,
// and the listing that follows comes from the cache.
TEST(WorkerChangeDir, RefusedCdupKeepsTheFolderAndItsCachedListing)
{
    for (const char* reply : {"550 No parent for you.\r\n", "421 Not now.\r\n"}) {
        SCOPED_TRACE(reply);
        ScriptedFtpServer server(ServerInA({{"CDUP", reply}}));
        WorkerHarness harness;
        ASSERT_TRUE(harness.Connect(ScriptedHost(server)));
        harness.List();
        ASSERT_EQ(harness.ListingNames(), (std::vector<std::string>{"only.txt"}));
        harness.ClearLog();

        harness.Worker->ChangeDirUp();
        EXPECT_EQ(harness.TakeError(), "Could not change to choosen directory.");
        EXPECT_EQ(harness.Worker->CurrentDir(), "/a");
        harness.List();
        EXPECT_EQ(harness.ListingNames(), (std::vector<std::string>{"only.txt"}));
        const auto commands = harness.Commands();
        EXPECT_EQ(commands, (std::vector<std::string>{"CDUP"})) << "no change back and no new listing";
    }
}

class WorkerAbort : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Enough entries that the listing takes many reads.
        fs::create_directories(tree.Root() + "/many");
        for (int i = 0; i < 4000; ++i)
            WriteWholeFile(tree.Root() + "/many/file-with-a-longish-name-" + std::to_string(i) + ".txt", "x");
        server = std::make_unique<VsftpdServer>(tree.Root());
        ASSERT_TRUE(harness.Connect(harness.HostFor(*server)));
        harness.Worker->ChangeDir("many");
    }
    FixtureTree tree;
    std::unique_ptr<TestFtpServer> server;
    WorkerHarness harness;
};

TEST_F(WorkerAbort, AbortedListingIsNeitherShownNorCachedAndTheNextOneIsWhole)
{
    harness.Worker->Abort();
    harness.List();
    EXPECT_EQ(harness.Worker->Listing(), nullptr) << "a listing cut short is not shown";
    EXPECT_FALSE(harness.Worker->ListingCached("/many"));
    EXPECT_EQ(harness.TakeError(), "") << "the user stopped it: nothing to report";

    // The abort was for that listing only.
    harness.ClearLog();
    harness.List();
    EXPECT_EQ(harness.CountCommands("LIST"), 1u);
    EXPECT_EQ(harness.ListingNames().size(), 4000u);
    EXPECT_TRUE(harness.Worker->ListingCached("/many"));
    EXPECT_EQ(harness.TakeError(), "");
    EXPECT_TRUE(harness.Worker->IsSessionOpen());
}

// A folder row that is a link ("linkdir" -> "tree") must not have the tree
// behind it emptied, whether or not its folder's listing is cached.
TEST(WorkerRecursiveDelete, FolderRowThatIsALinkIsRefusedAndNothingIsDeleted)
{
    BrowseTree tree;
    VsftpdServer server(tree.Root());
    WorkerHarness harness;
    ASSERT_TRUE(harness.Connect(harness.HostFor(server)));
    for (const bool cached : {true, false}) {
        SCOPED_TRACE(cached ? "cached listing" : "no cached listing");
        if (cached)
            harness.List();
        else
            harness.Worker->InvalidateListing("/");
        harness.ClearLog();
        const std::size_t errors = harness.Count("Error");
        harness.Worker->RequestRecursiveDelete({"linkdir"});
        ASSERT_TRUE(harness.WaitForEvent("Error", errors + 1));
        harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
        EXPECT_EQ(harness.TakeError(), "Can't delete directory.");
        EXPECT_EQ(harness.Count("DeleteDone"), 0u);
        EXPECT_EQ(harness.CountCommands("DELE"), 0u);
        EXPECT_EQ(harness.CountCommands("RMD"), 0u);
        EXPECT_TRUE(tree.Exists("linkdir"));
        EXPECT_TRUE(tree.Exists("tree/match-top.txt"));
        EXPECT_TRUE(tree.Exists("tree/level 1/level 2/match-deep.txt"));
        EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    }
}

// The listing of folder "d" breaks off: its data connection is reset after
// the first bytes, and the server's final reply comes afterwards. Unread,
// that reply would answer whatever the session sends next.
ScriptedFtpServer::Script ServerWithBrokenListing(std::atomic<int>& commandsAfterBreak)
{
    return [&commandsAfterBreak](ScriptedSession& s) {
        s.Send("220 ready\r\n");
        std::string cwd = "/a";
        bool broken = false;
        for (;;) {
            const std::string command = s.ReadCommand();
            if (command.empty())
                return;
            if (broken)
                ++commandsAfterBreak;
            const std::string word = command.substr(0, command.find(' '));
            if (word == "USER") {
                s.Send("331 password\r\n");
            } else if (word == "PASS") {
                s.Send("230 in\r\n");
            } else if (word == "PWD") {
                s.Send("257 \"" + cwd + "\" here\r\n");
            } else if (word == "CWD") {
                cwd = command.substr(4) == "d" ? "/a/d" : command.substr(4);
                s.Send("250 ok\r\n");
            } else if (word == "PASV") {
                s.Send(ScriptedSession::PasvReply(s.ListenData()));
            } else if (word == "LIST") {
                const int data = s.AcceptData();
                s.Send("150 here it comes\r\n");
                if (cwd == "/a/d") {
                    ScriptedSession::SendData(data, "drwxr-xr-x 2 u g 4096 Jan 01 12:00 .\r\n");
                    const linger reset{1, 0};
                    ::setsockopt(data, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                    ::close(data);
                    broken = true;
                    s.Send("426 Connection reset; transfer aborted.\r\n");
                    continue;
                }
                ScriptedSession::SendData(data, "drwxr-xr-x 2 u g 4096 Jan 01 12:00 d\r\n");
                ScriptedSession::CloseData(data);
                s.Send("226 done\r\n");
            } else {
                s.Send("200 ok\r\n");
            }
        }
    };
}

TEST(WorkerRecursiveDelete, ListingBrokenOffMidwayDropsTheConnection)
{
    std::atomic<int> commandsAfterBreak{0};
    ScriptedFtpServer server(ServerWithBrokenListing(commandsAfterBreak));
    WorkerHarness harness;
    ASSERT_TRUE(harness.Connect(ScriptedHost(server)));
    const std::size_t errors = harness.Count("Error");
    const std::size_t disconnects = harness.Count("Disconnected");
    harness.Worker->RequestRecursiveDelete({"d"});
    ASSERT_TRUE(harness.WaitForEvent("Error", errors + 1));
    harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
    harness.Dispatcher.ProcessEvents();
    EXPECT_EQ(harness.TakeError(), "Could not delete the remote file.");
    EXPECT_EQ(harness.Count("Disconnected"), disconnects + 1);
    EXPECT_FALSE(harness.Worker->IsSessionOpen());
    // Nothing was sent on the old connection after the break: the "426"
    // was never taken for the answer to another command.
    EXPECT_EQ(commandsAfterBreak.load(), 0) << testing::PrintToString(server.Commands());
    EXPECT_EQ(harness.CountCommands("DELE"), 0u);
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

class WorkerWalk : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override
    {
        // A link from inside the tree back to the tree itself.
        fs::create_directory_symlink("..", tree.Root() + "/tree/level 1/back up");
        server = GetParam().Make(tree.Root());
        ASSERT_TRUE(harness.Connect(harness.HostFor(*server))) << harness.TakeError();
        harness.List();
    }
    /// Walks `path`; answers the folders visited and "folder/name" of the
    /// entries whose names start with "match".
    bool Walk(const std::string& path, std::vector<std::string>& folders, std::vector<std::string>& found)
    {
        harness.Worker->OnSearchListing.Set([&](const TIdFTPListItems& listing) {
            folders.push_back(harness.Worker->CurrentDir());
            for (const TIdFTPListItem& item : listing)
                if (std::string(item.FileName()).rfind("match", 0) == 0)
                    found.push_back(harness.Worker->CurrentDir() + "/" + std::string(item.FileName()));
        });
        bool done = false;
        harness.Worker->OnSearchDone.Set([&](TFTPWorker&) { done = true; });
        harness.Worker->RequestRecursiveSearch(path);
        const bool ended = harness.Dispatcher.WaitFor([&] { return done; }, std::chrono::seconds(60));
        harness.Dispatcher.WaitFor([&] { return !harness.Worker->Busy(); }, std::chrono::seconds(10));
        harness.Dispatcher.ProcessEvents();
        harness.Worker->OnSearchListing.Clear();
        harness.Worker->OnSearchDone.Clear();
        std::sort(found.begin(), found.end());
        return ended;
    }
    BrowseTree tree;
    std::unique_ptr<TestFtpServer> server;
    WorkerHarness harness;
};

TEST_P(WorkerWalk, FindsEveryLevelOnceAndNeverLoopsThroughALinkBackUp)
{
    std::vector<std::string> folders;
    std::vector<std::string> found;
    ASSERT_TRUE(Walk("tree", folders, found)) << "the walk ended";
    EXPECT_EQ(found, (std::vector<std::string>{"/tree/level 1/level 2/match-deep.txt", "/tree/level 1/match one.txt",
                                               "/tree/match-top.txt", "/tree/zweig-\xc3\xa4/match-\xc3\xbc.txt"}));
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"/tree", "/tree/level 1", "/tree/level 1/level 2",
                                                 "/tree/zweig-\xc3\xa4"}));
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
    EXPECT_EQ(harness.TakeError(), "");

    // From the top, the tree is also reached through "linkdir": a server
    // that reports the folder reached shows it once, one that reports the
    // path walked shows it under both names.
    folders.clear();
    found.clear();
    ASSERT_TRUE(Walk("/", folders, found));
    const std::size_t viaTree = static_cast<std::size_t>(
        std::count_if(found.begin(), found.end(), [](const std::string& f) { return f.rfind("/tree/", 0) == 0; }));
    EXPECT_EQ(viaTree, 4u);
    EXPECT_TRUE(found.size() == 4u || found.size() == 8u) << ::testing::PrintToString(found);
    EXPECT_EQ(harness.Worker->CurrentDir(), "/");
}

INSTANTIATE_TEST_SUITE_P(
    Servers, WorkerWalk,
    ::testing::Values(
        ServerKind{"vsftpd", [](const std::string& root) { return std::make_unique<VsftpdServer>(root); }},
        ServerKind{"pyftpdlib", [](const std::string& root) { return std::make_unique<PyftpdlibServer>(root); }}),
    [](const ::testing::TestParamInfo<ServerKind>& param) { return std::string(param.param.Name); });

}  // namespace
