// tovrel-ftp-cli with TLS against servers that require it for the login and
// the data (vsftpd and proftpd also insist on resumed TLS sessions for data
// connections): --tls for the engine and the session commands, --prot,
// --ccc, --implicit-tls, and the negotiated protocol and cipher in --log.
// The servers' certificates are signed by a test authority that
// SSL_CERT_FILE makes the system's, unless a test is about certificates the
// system cannot vouch for.
#include "CliRunner.h"
#include "ftp/TLSTestSupport.h"
#include "hosts/TrustedCertificates.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <ctime>

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
    CliResult Run(const std::string& arguments) { return RunCli(arguments, work, TrustingEnvironment()); }
    std::string Url(const std::string& path) const { return ShellQuote(base + path); }
    std::string TrustingEnvironment() const
    {
        return "XDG_CONFIG_HOME=" + ShellQuote(work) + " SSL_CERT_FILE=" + ShellQuote(ca.CertFile());
    }

    FixtureTree tree;
    TestCertificateAuthority ca;
    TestCertificate certificate{ca};
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
    TestCertificateAuthority ca;
    TestCertificate certificate(ca);
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
    r = RunCli("ls --tls --prot C --log " + url, work, "SSL_CERT_FILE=" + ShellQuote(ca.CertFile()));
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

    // The certificate is self-signed: without --trust nothing but the handshake happens.
    auto r = RunCli("ls --implicit-tls --log " + url, work, "XDG_CONFIG_HOME=" + ShellQuote(work));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, certificate.FingerprintSHA256)) << r.err;
    EXPECT_FALSE(Contains(r.err, "Reply> 220")) << "nothing read before the certificate is accepted";
    const std::string trust = " --trust SHA256:" + certificate.FingerprintSHA256;

    r = RunCli("ls --implicit-tls --log " + url + trust, work, "XDG_CONFIG_HOME=" + ShellQuote(work));
    ASSERT_EQ(r.exitCode, 0) << r.err << server.Log();
    EXPECT_TRUE(Contains(r.out, "implicit.txt")) << r.out << r.err;
    EXPECT_FALSE(Contains(r.err, "Command> AUTH")) << "no AUTH on an implicit TLS connection";
    EXPECT_TRUE(Contains(r.err, "TLS> TLSv1.")) << r.err;
    // This vsftpd runs unprivileged: no chroot, paths are the machine's.
    r = RunCli("get --implicit-tls" + trust + " " +
                   ShellQuote("ftp://127.0.0.1:" + std::to_string(server.Port()) + server.Root() + "/implicit.txt") + " -",
               work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "over implicit TLS\n");
    r = RunCli("ls --resolve-links --implicit-tls " + url + trust, work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "implicit.txt")) << r.out << r.err;
    RemoveTree(work);
}

// What a user sees of certificates the system cannot vouch for: exit status
// 1 with the fingerprint and the reasons, no login sent; --trust for exactly
// that certificate, --insecure for any; and the program's stored trust.
TEST(CliCertificateTrust, UntrustedCertificatesFailUnlessTrustedExactly)
{
    FixtureTree tree;
    TestCertificateAuthority ca;
    TestCertificate selfSigned;
    TestCertificate other;
    VsftpdServer server(tree.Root(), &selfSigned);
    const std::string work = MakeTempDir("tovrel-cli-trust-");
    const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(work) + " SSL_CERT_FILE=" + ShellQuote(ca.CertFile());
    const std::string url = ShellQuote("ftp://" + server.User() + ":" + server.Password() + "@127.0.0.1:" +
                                       std::to_string(server.Port()) + "/");
    const std::string& fingerprint = selfSigned.FingerprintSHA256();

    for (const char* command : {"ls --tls --log ", "ls --resolve-links --tls "}) {
        SCOPED_TRACE(command);
        const CliResult r = RunCli(command + url, work, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, fingerprint)) << r.err;
        EXPECT_TRUE(Contains(r.err, "issued by an authority that is not trusted")) << r.err;
        EXPECT_FALSE(Contains(r.err, "Command> USER")) << r.err;
        EXPECT_FALSE(Contains(r.out, "hello.txt"));
    }

    std::string bare;  // lower case, no colons: the same fingerprint
    for (char c : fingerprint)
        if (c != ':')
            bare += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    struct Case {
        std::string options;
        int exitCode;
    } cases[] = {
        {"--trust SHA256:" + fingerprint, 0},
        {"--trust-fingerprint " + bare, 0},
        {"--trust SHA256:" + other.FingerprintSHA256(), 1},
        {"--insecure", 0},
        {"--trust nonsense", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const CliResult r = RunCli("ls --tls " + c.options + " " + url, work, env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(Contains(r.out, "hello.txt"), c.exitCode == 0) << r.out;
        EXPECT_EQ(Contains(r.err, "warning: --insecure"), c.options == "--insecure") << r.err;
    }

    // Trusted always in the program: the same store serves the command line.
    {
        TTrustedCertificates store(work + "/Tovrel FTP");
        store.Trust({"127.0.0.1", server.Port(), fingerprint, "CN=localhost", std::time(nullptr)});
    }
    CliResult r = RunCli("ls --tls " + url, work, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "hello.txt"));
    r = RunCli("ls --resolve-links --tls " + url, work, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    RemoveTree(work);
}

// Certificates signed by an authority the system trusts still fail on the
// name and the dates, each with its reason in plain words.
TEST(CliCertificateTrust, NameAndDateProblemsOfTrustedAuthoritiesAreReported)
{
    TestCertificateAuthority ca;
    struct Case {
        const char* name;
        int days;
        const char* reason;
    } cases[] = {
        {"localhost", 2, nullptr},
        {"ftp.example.org", 2, "made for another name: ftp.example.org"},
        {"localhost", -1, "expired on "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.days));
        FixtureTree tree;
        TestCertificate certificate(ca, c.name, c.days);
        PyftpdlibServer server(tree.Root(), &certificate);
        const std::string work = MakeTempDir("tovrel-cli-trust-");
        const CliResult r =
            RunCli("ls --tls " + ShellQuote("ftp://" + server.User() + ":" + server.Password() + "@127.0.0.1:" +
                                            std::to_string(server.Port()) + "/"),
                   work, "XDG_CONFIG_HOME=" + ShellQuote(work) + " SSL_CERT_FILE=" + ShellQuote(ca.CertFile()));
        EXPECT_EQ(r.exitCode, c.reason ? 1 : 0) << r.err;
        if (c.reason) {
            EXPECT_TRUE(Contains(r.err, c.reason)) << r.err;
            EXPECT_FALSE(Contains(r.err, "not trusted")) << "the authority is trusted: " << r.err;
        }
        RemoveTree(work);
    }
}

}  // namespace
