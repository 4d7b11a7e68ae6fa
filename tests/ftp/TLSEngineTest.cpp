// The whole engine over the TLS transport against vsftpd, which requires TLS
// for login and data and session reuse on every data connection: AUTH TLS,
// PROT P, listing, upload and download in passive and active mode.

#include "TLSTestSupport.h"

#include "ftp/FTP.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tlstest;

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TlsEngineTest, ProtectedTransfersInBothModes) {
    TempDir dir;
    Certificate cert = MakeCertificate(dir, "server");
    VsftpdServer server(dir, cert);
    std::string payload;
    for (int i = 0; payload.size() < 1024 * 1024 + 3; ++i) payload += std::to_string(i) + "\n";
    std::ofstream(dir.File("local.bin"), std::ios::binary) << payload;

    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        TIdFTP ftp;
        ftp.Host = "127.0.0.1";
        ftp.Port = static_cast<std::uint16_t>(server.Port());
        ftp.Username = "anonymous";
        ftp.Password = "guest@example.org";
        ftp.Passive = passive;
        ftp.ReadTimeout = 10000;
        ftp.TransferTimeout = 10000;
        auto io = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
        auto* tls = io.get();
        ftp.SetIOHandler(std::move(io));
        ftp.SetUseTLS(utUseRequireTLS);
        ftp.SetDataPortProtection(ftpdpsPrivate);
        ftp.AutoLogin = false;
        ftp.ConnectControl();
        ftp.Authenticate();
        EXPECT_TRUE(ftp.TLSActive());
        EXPECT_EQ(tls->ProtocolName(), "TLSv1.3");

        const std::string remote = std::string("up/") + (passive ? "p" : "a") + ".bin";
        // Appending to a file that does not exist yet creates it.
        ftp.UploadFromFile(dir.File("local.bin"), remote, true, 0);
        EXPECT_TRUE(FileText(server.Root() + "/" + remote) == payload);

        const std::string back = dir.File(passive ? "back-p.bin" : "back-a.bin");
        ftp.DownloadToFile(remote, back, false, false);
        EXPECT_TRUE(FileText(back) == payload);

        ftp.RetrieveListing(nullptr, "up", true);
        std::string all;
        for (const auto& line : ftp.ListResult()) all += line + "\n";
        EXPECT_NE(all.find(passive ? "p.bin" : "a.bin"), std::string::npos) << all;
        ftp.CloseConnection();
    }
}

}  // namespace
