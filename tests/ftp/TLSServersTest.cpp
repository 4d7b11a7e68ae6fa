// The engine with explicit TLS against three real servers, each with TLS
// required for the login and the data: vsftpd and proftpd also insist that
// every data connection resumes the control connection's TLS session. Login,
// listing, download (also resumed) and upload (also appended) in passive and
// active mode, and "CCC" where the server knows it.

#include "ftp/FTP.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

namespace {

using ServerKind = TlsServerKind;

class TlsServers : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override { server = GetParam().Make(tree.Root(), certificate); }

    /// An engine for the server with TLS required and protected data; every
    /// command it sends is recorded.
    std::unique_ptr<TIdFTP> Engine(bool passive)
    {
        auto ftp = std::make_unique<TIdFTP>();
        ftp->Host = "127.0.0.1";
        ftp->Port = server->Port();
        ftp->Username = server->User();
        ftp->Password = server->Password();
        ftp->Passive = passive;
        ftp->AutoLogin = false;
        ftp->ReadTimeout = 15000;
        ftp->TransferTimeout = 15000;
        auto tls = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
        tls->Intercept = std::make_shared<TIdConnectionIntercept>();
        tls->Intercept->OnSend = [this](std::string& bytes) {
            std::lock_guard lock(mutex);
            commands.push_back(bytes.substr(0, bytes.find('\r')));
        };
        ftp->SetIOHandler(std::move(tls));
        ftp->SetUseTLS(utUseRequireTLS);
        ftp->SetDataPortProtection(ftpdpsPrivate);
        return ftp;
    }

    std::size_t CountCommand(const std::string& command)
    {
        std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
    }

    /// Runs one step; an engine error fails the test with the server's logs.
    template <typename Step>
    bool Run(const char* what, Step step)
    {
        try {
            step();
            return true;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what() << "\n--- server log\n" << Diagnose();
            return false;
        }
    }

    std::string Diagnose() const
    {
        const auto* proftpd = dynamic_cast<const ProftpdServer*>(server.get());
        return server->Log() + (proftpd ? "\n--- TLS log\n" + proftpd->TlsLog() : std::string());
    }

    FixtureTree tree;
    TestCertificate certificate;
    std::unique_ptr<TestFtpServer> server;
    std::mutex mutex;
    std::vector<std::string> commands;
};

TEST_P(TlsServers, ProtectedTransfersInPassiveAndActiveMode)
{
    const std::string local = MakeTempDir("tovrel-tls-local-");
    const std::string original = FixtureTree::Pattern(300000);
    const std::string upload = FixtureTree::Pattern(200003, 7);
    WriteWholeFile(local + "/up.bin", upload);
    WriteWholeFile(local + "/up-head.bin", upload.substr(0, 65536));

    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        const std::string mode = passive ? "p" : "a";
        auto ftp = Engine(passive);
        if (!Run("login", [&] {
                ftp->ConnectControl();
                ftp->Authenticate();
            }))
            return;
        EXPECT_TRUE(ftp->TLSActive());

        Run("listing", [&] { ftp->RetrieveListing(nullptr, "", true); });
        EXPECT_TRUE(ftp->DataChannelProtected());
        const auto& lines = ftp->ListResult();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("data.bin") != std::string::npos; }));

        const std::string down = local + "/down-" + mode + ".bin";
        Run("download", [&] { ftp->DownloadToFile("data.bin", down, false, false); });
        EXPECT_TRUE(ReadWholeFile(down) == original) << "byte-identical download";

        // A partial local file is completed from where it ends.
        const std::string partial = local + "/part-" + mode + ".bin";
        WriteWholeFile(partial, original.substr(0, 123457));
        Run("resumed download", [&] { ftp->DownloadToFile("data.bin", partial, false, true); });
        EXPECT_EQ(CountCommand("REST 123457"), passive ? 1u : 2u);
        EXPECT_TRUE(ReadWholeFile(partial) == original) << "byte-identical resumed download";

        // Appending creates a new file, then completes an existing one.
        const std::string remote = "upload/" + mode + ".bin";
        Run("upload", [&] { ftp->UploadFromFile(local + "/up-head.bin", remote, true, 0); });
        Run("appended upload", [&] { ftp->UploadFromFile(local + "/up.bin", remote, true, 65536); });
        EXPECT_TRUE(ReadWholeFile(tree.Root() + "/" + remote) == upload) << "byte-identical appended upload";

        // Uploads one after another, as a queue sends them: each data
        // connection must resume a session the server still honours. vsftpd
        // honours each TLS 1.3 ticket once but sends a new one on every data
        // connection; proftpd sends none on an upload's data connection, so a
        // ticket must be offered again.
        for (int i = 0; i < 3; ++i) {
            const std::string name = "upload/" + mode + std::to_string(i) + ".txt";
            Run("upload in a row", [&] { ftp->UploadFromFile(local + "/up-head.bin", name, true, 0); });
            EXPECT_EQ(ReadWholeFile(tree.Root() + "/" + name).size(), 65536u);
        }

        ftp->CloseConnection();
    }
    EXPECT_GE(CountCommand("PROT P"), 16u);
    EXPECT_EQ(CountCommand("PROT C"), 0u);
    EXPECT_EQ(CountCommand("CCC"), 0u);
    RemoveTree(local);
}

// After "CCC" the control connection goes on in clear text on the same
// socket while data stays protected; a server without "CCC" keeps the
// control connection encrypted and serves as before.
TEST_P(TlsServers, CccWhereTheServerAllowsIt)
{
    const std::string local = MakeTempDir("tovrel-tls-ccc-");
    auto ftp = Engine(true);
    ftp->SetUseCCC(true);
    ASSERT_TRUE(Run("login", [&] {
        ftp->ConnectControl();
        ftp->Authenticate();
    }));
    auto* tls = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(ftp->IOHandler());
    ASSERT_NE(tls, nullptr);
    EXPECT_FALSE(tls->PassThrough());

    Run("listing", [&] { ftp->RetrieveListing(nullptr, "", true); });
    EXPECT_EQ(CountCommand("CCC"), 1u);
    EXPECT_EQ(tls->PassThrough(), GetParam().KnowsCcc) << "clear control text only after an accepted CCC";
    EXPECT_TRUE(ftp->DataChannelProtected());

    Run("download", [&] { ftp->DownloadToFile("data.bin", local + "/data.bin", false, false); });
    EXPECT_TRUE(ReadWholeFile(local + "/data.bin") == FixtureTree::Pattern(300000));
    Run("PWD", [&] { EXPECT_EQ(ftp->QueryWorkingDirectory(), "/"); });
    EXPECT_EQ(CountCommand("CCC"), GetParam().KnowsCcc ? 1u : 2u) << "CCC is asked until it is done";
    ftp->CloseConnection();
    RemoveTree(local);
}

INSTANTIATE_TEST_SUITE_P(Servers, TlsServers, ::testing::ValuesIn(TlsServerKinds()),
                         [](const ::testing::TestParamInfo<ServerKind>& param) { return std::string(param.param.Name); });

}  // namespace
