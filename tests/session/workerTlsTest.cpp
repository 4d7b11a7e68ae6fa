// A TLS host through the browsing worker: the host's "UseSSL" makes the
// worker log in with explicit TLS and protect its listings, against vsftpd
// with its TLS defaults (which refuse clear data connections).

#include "WorkerHarness.h"

#include "session/ApplyHost.h"

#include <gtest/gtest.h>

namespace {

bool Has(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

}  // namespace

TEST(WorkerTls, TlsHostLogsInEncryptedAndListsOverProtectedData)
{
    BrowseTree tree;
    TestCertificateAuthority ca;
    const TrustTestAuthority trusted(ca);
    TestCertificate certificate(ca);
    VsftpdServer server(tree.Root(), &certificate);
    WorkerHarness harness;
    THost host = harness.HostFor(server);
    host.UseSSL = true;
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        host.Passive = passive;
        harness.ClearLog();
        ASSERT_TRUE(harness.Connect(host)) << harness.TakeError() << server.Log();
        EXPECT_TRUE(harness.Worker->IsEncrypted());
        harness.List();
        EXPECT_EQ(harness.TakeError(), "") << server.Log();
        EXPECT_TRUE(Has(harness.ListingNames(), "tree/"));

        const auto commands = harness.Commands();
        EXPECT_TRUE(Has(commands, "AUTH TLS"));
        EXPECT_TRUE(Has(commands, "PBSZ 0"));
        EXPECT_TRUE(Has(commands, "PROT P"));
        EXPECT_FALSE(Has(commands, "PROT C")) << "vsftpd refuses clear data; nothing falls back";
        const auto auth = std::find(commands.begin(), commands.end(), "AUTH TLS");
        const auto user = std::find_if(commands.begin(), commands.end(),
                                       [](const std::string& c) { return c.rfind("USER ", 0) == 0; });
        EXPECT_LT(auth, user) << "credentials only after TLS";
    }
}

// What applying a host sets up for data protection, also when an engine
// serves a plain host after a TLS one.
TEST(WorkerTls, ApplyHostProtectsDataOfTlsHostsOnly)
{
    TIdFTP engine;
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = 21;
    host.UseSSL = true;
    ApplyHost(engine, host);
    EXPECT_FALSE(engine.AutoLogin);  // the caller logs in, exactly once
    EXPECT_EQ(engine.UseTLS(), utUseRequireTLS);
    EXPECT_EQ(engine.DataPortProtection(), ftpdpsPrivate);
    EXPECT_TRUE(engine.AllowClearDataFallback);
    EXPECT_FALSE(engine.UseCCC());

    host.UseSSL = false;
    ApplyHost(engine, host);
    EXPECT_EQ(engine.UseTLS(), utNoTLSSupport);
    EXPECT_EQ(engine.DataPortProtection(), ftpdpsClear);
    EXPECT_FALSE(engine.AllowClearDataFallback);
}
