// tovrel-ftp-cli with TLS against servers that require it for the login and
// the data (vsftpd and proftpd also insist on resumed TLS sessions for data
// connections): --tls for the engine and the session commands, --prot,
// --ccc, --implicit-tls, and the negotiated protocol and cipher in --log.
#include "CliRunner.h"
#include "ftp/TLSTestSupport.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using ServerKind = TlsServerKind;

class CliTls : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override
    {
        server = GetParam().Make(tree.Root(), certificate);
        base = "ftp://" + server->User() + ":" + server->Password() + "@127.0.0.1:" + std::to_string(server->Port());
    }
    void TearDown() override { RemoveTree(work); }
    CliResult Run(const std::string& arguments) { return RunCli(arguments, work); }
    std::string Url(const std::string& path) const { return ShellQuote(base + path); }

    FixtureTree tree;
    TestCertificate certificate;
    std::unique_ptr<TestFtpServer> server;
    std::string base;
    std::string work = MakeTempDir("tovrel-cli-tls-");
};

TEST_P(CliTls, ListsTransfersAndBrowsesOverTls)
{
    auto r = Run("ls --tls --log " + Url("/sub"));
    ASSERT_EQ(r.exitCode, 0) << r.err << server->Log();
    EXPECT_TRUE(Contains(r.out, "inner.txt"));
    EXPECT_TRUE(Contains(r.err, "Command> AUTH TLS"));
    EXPECT_TRUE(Contains(r.err, "TLS> TLSv1.")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Command> PROT P"));
    EXPECT_TRUE(Contains(r.err, "Command> PASS ******"));
    EXPECT_FALSE(Contains(r.err, server->Password()));

    r = Run("get --tls " + Url("/data.bin") + " -");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out == ReadWholeFile(tree.Root() + "/data.bin")) << "byte-identical download";
    WriteWholeFile(work + "/part.bin", ReadWholeFile(tree.Root() + "/data.bin").substr(0, 7777));
    r = Run("get --tls --active " + Url("/data.bin") + " " + ShellQuote(work + "/part.bin") + " --resume");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadWholeFile(work + "/part.bin") == ReadWholeFile(tree.Root() + "/data.bin")) << "resumed";

    const std::string content = FixtureTree::Pattern(90001, 5);
    WriteWholeFile(work + "/up.bin", content);
    r = Run("put --tls " + ShellQuote(work + "/up.bin") + " " + Url("/upload/"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadWholeFile(tree.Root() + "/upload/up.bin") == content) << "byte-identical upload";

    // The session commands run over the same TLS settings.
    r = Run("ls --resolve-links --tls --log " + Url("/"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "hello.txt"));
    EXPECT_TRUE(Contains(r.err, "TLS> TLSv1.")) << r.err;
    r = Run("rm --tls " + Url("/upload/up.bin"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(tree.Root() + "/upload/up.bin"));
}

TEST_P(CliTls, CccReturnsToClearControlTextWhereTheServerAllowsIt)
{
    auto r = Run("ls --tls --ccc --log " + Url("/sub"));
    ASSERT_EQ(r.exitCode, 0) << r.err << server->Log();
    EXPECT_TRUE(Contains(r.out, "inner.txt"));
    EXPECT_TRUE(Contains(r.err, "Command> CCC"));
    const auto ccc = r.err.find("Command> CCC");
    const auto reply = r.err.find("Reply> ", ccc);
    ASSERT_NE(reply, std::string::npos);
    EXPECT_EQ(r.err[reply + 7] == '2', GetParam().KnowsCcc) << r.err.substr(ccc);
}

INSTANTIATE_TEST_SUITE_P(Servers, CliTls, ::testing::ValuesIn(TlsServerKinds()),
                         [](const ::testing::TestParamInfo<ServerKind>& param) { return std::string(param.param.Name); });

TEST(CliTlsOptions, PlainLoginRefusedClearDataRefusedAndBadCombinations)
{
    FixtureTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    const std::string work = MakeTempDir("tovrel-cli-tls-");
    const std::string url =
        ShellQuote("ftp://" + server.User() + ":" + server.Password() + "@127.0.0.1:" + std::to_string(server.Port()) + "/");

    auto r = RunCli("ls " + url, work);
    EXPECT_EQ(r.exitCode, 1) << "vsftpd wants TLS for the login";
    r = RunCli("ls --resolve-links " + url, work);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "Authentication failed.")) << r.err;

    // vsftpd refuses clear data connections.
    r = RunCli("ls --tls --prot C --log " + url, work);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Contains(r.err, "Command> PROT C")) << r.err;

    for (const char* bad : {"--prot P", "--ccc", "--prot X --tls", "--tls --implicit-tls"}) {
        r = RunCli("ls " + std::string(bad) + " " + url, work);
        EXPECT_EQ(r.exitCode, 2) << bad;
    }
    RemoveTree(work);
}

TEST(CliTlsOptions, ImplicitTlsFromTheFirstByte)
{
    tlstest::TempDir dir;
    const tlstest::Certificate certificate = tlstest::MakeCertificate(dir, "server");
    tlstest::VsftpdServer server(dir, certificate, true);
    WriteWholeFile(server.Root() + "/implicit.txt", "over implicit TLS\n");
    const std::string work = MakeTempDir("tovrel-cli-tls-");
    const std::string url = ShellQuote("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/");

    auto r = RunCli("ls --implicit-tls --log " + url, work);
    ASSERT_EQ(r.exitCode, 0) << r.err << server.Log();
    EXPECT_TRUE(Contains(r.out, "implicit.txt")) << r.out << r.err;
    EXPECT_FALSE(Contains(r.err, "Command> AUTH")) << "no AUTH on an implicit TLS connection";
    EXPECT_TRUE(Contains(r.err, "TLS> TLSv1.")) << r.err;
    // This vsftpd runs unprivileged: no chroot, paths are the machine's.
    r = RunCli("get --implicit-tls " +
                   ShellQuote("ftp://127.0.0.1:" + std::to_string(server.Port()) + server.Root() + "/implicit.txt") + " -",
               work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "over implicit TLS\n");
    r = RunCli("ls --resolve-links --implicit-tls " + url, work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "implicit.txt")) << r.out << r.err;
    RemoveTree(work);
}

}  // namespace
