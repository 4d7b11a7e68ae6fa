// tovrel-ftp-cli's session commands (rm, mkdir, mv, chmod, find and
// ls --resolve-links) run as a program against vsftpd and pyftpdlib: their
// effect on a fixture tree, the program's error texts, and a stored host
// chosen with --site.
#include "CliRunner.h"
#include "hosts/Hosts.h"
#include "platform/KeyringSecretStore.h"
#include "platform/KeyringSession.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Nested folders with matches on every level, links (to a folder, to a
// file, nowhere, and back up to a parent), a tree to delete and a tree
// that holds a link.
void AddSessionCases(const std::string& root)
{
    WriteFiles(root, {{"tree/match-top.txt", "1\n"},
                      {"tree/other.txt", "2\n"},
                      {"tree/level 1/match one.txt", "3\n"},
                      {"tree/level 1/level 2/match-deep.txt", "4\n"},
                      {"tree/zweig-\xc3\xa4/match-\xc3\xbc.txt", "5\n"},
                      {"deleteme/f1.txt", "a\n"},
                      {"deleteme/sub a/deeper/f4.txt", "d\n"},
                      {"haslink/keep.txt", "e\n"}});
    fs::create_directory_symlink("..", root + "/tree/level 1/back up");
    fs::create_directory_symlink("tree", root + "/linkdir");
    fs::create_symlink("hello.txt", root + "/linkfile");
    fs::create_symlink("nowhere", root + "/dangling");
    fs::create_directories(root + "/deleteme/sub b");
    fs::create_symlink("../hello.txt", root + "/haslink/lnk");
    GiveToTestUser(root);
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct ServerKind {
    const char* Name;
    std::function<std::unique_ptr<TestFtpServer>(const std::string& root)> Make;
};

void PrintTo(const ServerKind& kind, std::ostream* out)
{
    *out << kind.Name;
}

class CliSession : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override
    {
        AddSessionCases(tree.Root());
        server = GetParam().Make(tree.Root());
        base = "ftp://" + server->User() + ":" + server->Password() + "@127.0.0.1:" + std::to_string(server->Port());
    }
    void TearDown() override { RemoveTree(work); }
    /// Runs a command against `base` + path arguments (already quoted).
    CliResult Run(const std::string& arguments) { return RunCli(arguments, work); }
    std::string Url(const std::string& path) const { return ShellQuote(base + path); }
    std::string Local(const std::string& relative) const { return tree.Root() + "/" + relative; }

    FixtureTree tree;
    std::unique_ptr<TestFtpServer> server;
    std::string base;
    std::string work = MakeTempDir("tovrel-cli-session-");
};

TEST_P(CliSession, ChangesTheTreeAndReportsWithTheProgramsTexts)
{
    auto r = Run("mkdir " + Url("/tree/made%20here"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(Local("tree/made here")));
    r = Run("mkdir " + Url("/tree/made%20here"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not create directory.\nThe remote directory could not be created. You don't have "
                     "permission to create directories in the current directory.\n");

    r = Run("mv " + Url("/tree/made%20here") + " renamed");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(Local("tree/renamed")));
    r = Run("mv " + Url("/tree/not-there") + " x");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Could not rename the remote file or directory.\nYou don't have permission"))
        << r.err;

    r = Run("chmod 600 " + Url("/data.bin"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    struct stat info {};
    ASSERT_EQ(::stat(Local("data.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    r = Run("chmod 6x0 " + Url("/data.bin"));
    EXPECT_EQ(r.exitCode, 2) << "a mode that is no octal number is refused before connecting";
    r = Run("chmod 644 " + Url("/no-such-file"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "550")) << r.err;

    r = Run("mkdir " + Url("/no/such/parent"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Could not change to choosen directory.\n")) << r.err;
    EXPECT_FALSE(Exists(Local("no")));
}

TEST_P(CliSession, RemovesFilesLinksAndTreesButNeverThroughALink)
{
    auto r = Run("rm " + Url("/hello.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Exists(Local("hello.txt")));
    r = Run("rm " + Url("/hello.txt"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The remote file was not found.\n");

    // A link to a folder is removed itself; the folder behind it stays.
    r = Run("rm -r " + Url("/linkdir"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Exists(Local("linkdir")));
    EXPECT_TRUE(Exists(Local("tree/match-top.txt")));
    EXPECT_TRUE(Exists(Local("tree/level 1/level 2/match-deep.txt")));

    r = Run("rm " + Url("/deleteme"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Contains(r.err, "rm -r")) << r.err;
    EXPECT_TRUE(Exists(Local("deleteme/f1.txt")));
    r = Run("rm -r " + Url("/deleteme"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Exists(Local("deleteme")));

    r = Run("rm -r " + Url("/haslink"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Can't delete directory.\nOne of the directories contains a symbolic link")) << r.err;
    EXPECT_TRUE(Exists(Local("haslink/keep.txt")));
    EXPECT_TRUE(Exists(Local("haslink/lnk")));

    r = Run("rm " + Url("/"));
    EXPECT_EQ(r.exitCode, 2) << "the root is no entry to delete";
}

TEST_P(CliSession, ListsWithLinksResolvedAndFindsInEveryLevelOnce)
{
    auto r = Run("ls --resolve-links --json " + Url("/"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto kindOf = [&](const std::string& name) {
        for (const auto& line : SplitLines(r.out))
            if (Contains(line, "\"name\":\"" + name + "\""))
                return line.substr(line.find("\"kind\":\"") + 8, 4);
        return std::string("none");
    };
    EXPECT_EQ(kindOf("linkdir"), "dir\"");
    EXPECT_EQ(kindOf("linkfile"), "file");
    EXPECT_EQ(kindOf("dangling"), "file");
    EXPECT_EQ(kindOf("tree"), "dir\"");
    EXPECT_TRUE(Contains(r.out, "\"parser\":\"Unix")) << r.out;

    r = Run("ls --resolve-links " + Url("/tree/level%201"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "match one.txt"));

    // Every match once, with its folder, although a link leads back up and
    // another link leads into the tree again.
    r = Run("find " + Url("/") + " 'MATCH*'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> found;
    for (const auto& line : SplitLines(r.out)) {
        const auto dir = line.find("\"directory\":\"");
        const auto name = line.find("\"name\":\"");
        ASSERT_EQ(dir, 1u) << line;
        ASSERT_NE(name, std::string::npos) << line;
        found.push_back(line.substr(dir + 13, line.find('"', dir + 13) - dir - 13) + " | " +
                        line.substr(name + 8, line.find('"', name + 8) - name - 8));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected = {"/tree | match-top.txt", "/tree/level 1 | match one.txt",
                                         "/tree/level 1/level 2 | match-deep.txt",
                                         "/tree/zweig-\xc3\xa4 | match-\xc3\xbc.txt"};
    if (std::string(GetParam().Name) == "pyftpdlib") {
        // It reports the path walked, so the tree behind "linkdir" is
        // another place to it.
        for (const std::string& match : std::vector<std::string>(expected))
            expected.push_back("/linkdir" + match.substr(5));
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(found, expected);

    r = Run("find " + Url("/missing") + " '*'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Could not change to choosen directory.")) << r.err;
    r = Run("find " + Url("/") + " '[a-'");
    EXPECT_NE(r.exitCode, 0) << "an invalid pattern is refused";
}

TEST_P(CliSession, LoginAndConnectionFailuresUseTheProgramsTexts)
{
    auto r = Run("mkdir " + ShellQuote("ftp://" + server->User() + ":wrong@127.0.0.1:" +
                                       std::to_string(server->Port()) + "/x") + " --log");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Authentication failed.\nCould not login to the remote host.")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Command> PASS ******")) << r.err;
    EXPECT_FALSE(Contains(r.err, "wrong"));
    EXPECT_FALSE(Exists(Local("x")));

    r = Run("ls --resolve-links " + ShellQuote("ftp://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Connection to remote host refused.\nConnection to remote host was refused.")) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, CliSession,
    ::testing::Values(
        ServerKind{"vsftpd", [](const std::string& root) { return std::make_unique<VsftpdServer>(root); }},
        ServerKind{"pyftpdlib", [](const std::string& root) { return std::make_unique<PyftpdlibServer>(root); }}),
    [](const ::testing::TestParamInfo<ServerKind>& param) { return std::string(param.param.Name); });

// The connection options reach the session's connection too.
TEST(CliSessionOptions, SessionCommandsGoThroughASocksProxy)
{
    FixtureTree tree;
    AddSessionCases(tree.Root());
    VsftpdServer server(tree.Root());
    MicrosocksProxy proxy;
    const std::string work = MakeTempDir("tovrel-cli-socks-");
    const std::string base =
        "ftp://" + server.User() + ":" + server.Password() + "@127.0.0.1:" + std::to_string(server.Port());
    const std::string socks = " --socks5 127.0.0.1:" + std::to_string(proxy.Port());
    auto r = RunCli("mkdir" + socks + " " + ShellQuote(base + "/tree/by proxy"), work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(tree.Root() + "/tree/by proxy"));
    r = RunCli("ls --resolve-links --json" + socks + " " + ShellQuote(base + "/tree"), work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"name\":\"by proxy\"")) << r.out;
    proxy.Stop();
    r = RunCli("ls --resolve-links" + socks + " " + ShellQuote(base + "/tree"), work);
    EXPECT_EQ(r.exitCode, 1) << "no proxy, no connection";
    EXPECT_TRUE(Contains(r.err, "Connection to remote host refused.")) << r.err;
    RemoveTree(work);
}

// A stored host of "Hosts.xml" in the user's data folder, chosen by name.
TEST(CliSite, StoredHostIsUsedByName)
{
    FixtureTree tree;
    AddSessionCases(tree.Root());
    VsftpdServer server(tree.Root());
    const std::string config = MakeTempDir("tovrel-cli-site-");
    const std::string data = config + "/Tovrel FTP";
    fs::create_directories(data);
    {
        THosts hosts(data);
        THost host{THostDefaults{}};
        host.CommonName = "Fixture Box";
        host.Hostname = "127.0.0.1";
        host.Port = server.Port();
        host.Username = server.User();
        host.Password = server.Password();
        host.Passive = true;
        host.NewHostID();
        hosts.AddOrUpdate(host);
        hosts.Save();
    }
    ASSERT_FALSE(Contains(ReadWholeFile(data + "/Hosts.xml"), server.Password())) << "stored scrambled";
    const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(config);

    auto r = RunCli("mkdir --site 'fixture box' '/tree/via site'", config, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_directory(tree.Root() + "/tree/via site"));
    r = RunCli("ls --resolve-links --site 'Fixture Box' /tree", config, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "via site"));
    r = RunCli("ls --site 'Fixture Box' --active /tree", config, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "match-top.txt"));
    r = RunCli("ls --site 'nobody here' /", config, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "No stored host named")) << r.err;
    RemoveTree(config);
}

// A stored host whose password the program moved into the desktop's keyring:
// --site reads it from there, and says clearly why it cannot when there is
// no keyring to ask.
TEST(CliSite, PasswordKeptInTheKeyring)
{
    TKeyringSession& session = TKeyringSession::Shared();
    ASSERT_TRUE(session.StartKeyring());
    FixtureTree tree;
    AddSessionCases(tree.Root());
    VsftpdServer server(tree.Root());
    const std::string config = MakeTempDir("tovrel-cli-keyring-");
    const std::string data = config + "/Tovrel FTP";
    fs::create_directories(data);
    ISecretStore::SetInstance(std::make_shared<TKeyringSecretStore>());
    {
        THosts hosts(data);
        THost host{THostDefaults{}};
        host.CommonName = "Keyring Box";
        host.Hostname = "127.0.0.1";
        host.Port = server.Port();
        host.Username = server.User();
        host.Password = server.Password();
        hosts.AddOrUpdate(host);
    }
    ISecretStore::SetInstance(nullptr);
    ASSERT_TRUE(Contains(ReadWholeFile(data + "/Hosts.xml"), "PasswordInKeyring=\"True\""));

    const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(config) + " " + session.ShellEnvironment();
    auto r = RunCli("ls --site 'keyring box' /tree", config, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "match-top.txt")) << r.out;

    r = RunCli("ls --site 'keyring box' /tree", config,
               "env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY XDG_CONFIG_HOME=" + ShellQuote(config));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "The password of \"keyring box\" is kept in the desktop keyring, which could not "
                                "give it back: Cannot autolaunch D-Bus without X11 $DISPLAY."))
        << r.err;
    EXPECT_TRUE(Contains(ReadWholeFile(data + "/Hosts.xml"), "PasswordInKeyring=\"True\"")) << "the mark stays";
    RemoveTree(config);
}

}  // namespace
