// The TLS transport under FTP conversations with vsftpd: explicit TLS after
// AUTH, protected data connections in passive and active mode that resume the
// control connection's session (vsftpd refuses data connections that do not),
// uploads that end with close_notify, and implicit TLS.

#include "TLSTestSupport.h"

#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace tlstest;

namespace {

class TlsIOHandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        cert_ = new Certificate(MakeCertificate(*dir_, "server"));
        server_ = new VsftpdServer(*dir_, *cert_);
        std::ofstream(server_->Root() + "/file.txt") << "hello over TLS\n";
    }
    static void TearDownTestSuite() {
        delete server_;
        delete cert_;
        delete dir_;
    }
    static TempDir* dir_;
    static Certificate* cert_;
    static VsftpdServer* server_;
};
TempDir* TlsIOHandlerTest::dir_ = nullptr;
Certificate* TlsIOHandlerTest::cert_ = nullptr;
VsftpdServer* TlsIOHandlerTest::server_ = nullptr;

// Reads one reply line through ReadSome, so that these tests depend only on
// the raw byte stream of the transport.
std::string ReadLine(TIdIOHandler& io) {
    std::string line;
    char c;
    while ((line.empty() || line.back() != '\n') && io.ReadSome(&c, 1) == 1) line += c;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

int ReadReply(TIdIOHandler& io, std::string* text = nullptr) {
    std::string line = ReadLine(io);
    std::string all = line + "\n";
    if (line.size() >= 4 && line[3] == '-') {
        const std::string end = line.substr(0, 3) + " ";
        do {
            line = ReadLine(io);
            all += line + "\n";
        } while (!line.empty() && line.compare(0, 4, end) != 0);
    }
    if (line.size() < 3) return -1;
    if (text) *text = all;
    return std::stoi(line.substr(0, 3));
}

int Command(TIdIOHandler& io, const std::string& command, std::string* text = nullptr) {
    io.Write(command + "\r\n");
    return ReadReply(io, text);
}

// Control connection after AUTH TLS, login, PBSZ and PROT P.
std::unique_ptr<TIdSSLIOHandlerSocketOpenSSL> LoggedIn(int port, std::vector<std::string>* status = nullptr) {
    auto control = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    control->ReadTimeout = 10000;
    if (status) control->OnStatusInfo = [status](const std::string& text) { status->push_back(text); };
    control->SetPassThrough(true, {});
    control->Open("127.0.0.1", static_cast<std::uint16_t>(port));
    EXPECT_EQ(ReadReply(*control), 220);
    EXPECT_EQ(Command(*control, "AUTH TLS"), 234);
    control->SetPassThrough(false, "localhost");
    EXPECT_FALSE(control->PassThrough());
    int code = Command(*control, "USER anonymous");
    if (code == 331) code = Command(*control, "PASS guest@example.org");
    EXPECT_EQ(code, 230);
    EXPECT_EQ(Command(*control, "PBSZ 0"), 200);
    EXPECT_EQ(Command(*control, "PROT P"), 200);
    return control;
}

std::uint16_t PassivePort(TIdIOHandler& control) {
    std::string text;
    EXPECT_EQ(Command(control, "PASV", &text), 227);
    int h1, h2, h3, h4, p1, p2;
    auto open = text.find('(');
    if (sscanf(text.c_str() + open + 1, "%d,%d,%d,%d,%d,%d", &h1, &h2, &h3, &h4, &p1, &p2) != 6) return 0;
    return static_cast<std::uint16_t>(p1 * 256 + p2);
}

std::string ReadAll(TIdIOHandler& data) {
    std::string all;
    char buf[8192];
    while (std::size_t n = data.ReadSome(buf, sizeof buf)) all.append(buf, n);
    return all;
}

TEST_F(TlsIOHandlerTest, PassiveListing_DataConnectionResumesControlSession) {
    std::vector<std::string> status;
    auto control = LoggedIn(server_->Port(), &status);
    EXPECT_EQ(control->ProtocolName(), "TLSv1.3");
    ASSERT_NE(control->PeerCertificate(), nullptr);
    EXPECT_EQ(control->PeerCertificate()->FingerprintSHA256, cert_->FingerprintSHA256);
    EXPECT_TRUE(control->PeerCertificate()->HostNameMatches);
    EXPECT_FALSE(status.empty());

    const std::uint16_t port = PassivePort(*control);
    auto data = control->Clone();
    auto* tls = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(data.get());
    ASSERT_NE(tls, nullptr);
    EXPECT_TRUE(tls->PassThrough());
    data->Open("127.0.0.1", port);
    EXPECT_EQ(Command(*control, "LIST"), 150);
    data->SetPassThrough(false, "127.0.0.1");  // after the 1xx reply
    EXPECT_TRUE(tls->SessionReused());
    EXPECT_NE(ReadAll(*data).find("file.txt"), std::string::npos);
    data->Close();
    std::string text;
    EXPECT_EQ(ReadReply(*control, &text), 226) << text;
    EXPECT_EQ(Command(*control, "QUIT"), 221);
    control->Close();
}

// The server really insists: a data connection that does not resume the
// control connection's session is refused (and this server then drops the
// whole session).
TEST_F(TlsIOHandlerTest, DataConnectionWithoutResumption_IsRefused) {
    auto control = LoggedIn(server_->Port());
    auto fresh = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    fresh->ReadTimeout = 10000;
    fresh->Open("127.0.0.1", PassivePort(*control));
    EXPECT_EQ(Command(*control, "LIST"), 150);
    try {
        fresh->SetPassThrough(false, "localhost");
        ReadAll(*fresh);
    } catch (const EIdException&) {
    }
    fresh->Close();
    try {
        ReadReply(*control);
    } catch (const EIdException&) {
    }
    control->Close();
    EXPECT_NE(server_->Log().find("522 SSL connection failed: session reuse required"), std::string::npos);
}

TEST_F(TlsIOHandlerTest, PassiveUpload_CompleteAfterCloseNotify) {
    auto control = LoggedIn(server_->Port());
    std::string payload;
    for (int i = 0; payload.size() < 3 * 1024 * 1024 + 17; ++i) payload += std::to_string(i) + ",";
    for (int round = 0; round < 2; ++round) {  // a second upload on the same control connection
        SCOPED_TRACE(round);
        auto data = control->Clone();
        data->Open("127.0.0.1", PassivePort(*control));
        EXPECT_EQ(Command(*control, "STOR up/upload.bin"), 150);
        data->SetPassThrough(false, "127.0.0.1");
        for (std::size_t at = 0; at < payload.size(); at += 8192)
            data->WriteBytes(payload.data() + at, std::min<std::size_t>(8192, payload.size() - at));
        data->Close();
        std::string text;
        EXPECT_EQ(ReadReply(*control, &text), 226) << text;
        std::ifstream in(server_->Root() + "/up/upload.bin", std::ios::binary);
        std::stringstream got;
        got << in.rdbuf();
        EXPECT_TRUE(got.str() == payload) << got.str().size() << " of " << payload.size() << " bytes stored";
    }
    control->Close();
}

// A user's cancel: another thread aborts the data connection in the middle
// of a protected download; the read fails at once and Close sends nothing.
TEST_F(TlsIOHandlerTest, AbortFromAnotherThread_EndsProtectedDownload) {
    {
        std::ofstream big(server_->Root() + "/big.bin", std::ios::binary);
        std::string block(1 << 20, 'b');
        for (int i = 0; i < 64; ++i) big << block;
    }
    auto control = LoggedIn(server_->Port());
    auto data = control->Clone();
    data->Open("127.0.0.1", PassivePort(*control));
    EXPECT_EQ(Command(*control, "RETR big.bin"), 150);
    data->SetPassThrough(false, "127.0.0.1");
    char buf[8192];
    ASSERT_GT(data->ReadSome(buf, sizeof buf), 0u);
    std::thread([&] { data->Abort(); }).join();
    try {
        while (data->ReadSome(buf, sizeof buf) > 0) {
        }
        ADD_FAILURE() << "the aborted download ended as if complete";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode(), 10053);
    }
    auto start = std::chrono::steady_clock::now();
    data->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    // What the server answers on the control connection, and when, is its
    // own business (vsftpd sometimes takes longer than a read timeout).
    control->Close();
}

// pyftpdlib keeps an upload only when it ends with close_notify, and ends
// its downloads with one.
TEST_F(TlsIOHandlerTest, Pyftpdlib_UploadAndDownloadRoundTrip) {
    PyftpdlibServer server(*dir_, *cert_);
    auto control = LoggedIn(server.Port());
    std::string payload;
    for (int i = 0; payload.size() < 2 * 1024 * 1024 + 5; ++i) payload += std::to_string(i * 7) + ";";
    {
        auto data = control->Clone();
        data->Open("127.0.0.1", PassivePort(*control));
        EXPECT_EQ(Command(*control, "STOR round.bin") / 100, 1);  // 125 or 150
        data->SetPassThrough(false, "127.0.0.1");
        for (std::size_t at = 0; at < payload.size(); at += 8192)
            data->WriteBytes(payload.data() + at, std::min<std::size_t>(8192, payload.size() - at));
        data->Close();
        std::string text;
        EXPECT_EQ(ReadReply(*control, &text), 226) << text;
    }
    EXPECT_EQ(std::filesystem::file_size(server.Root() + "/round.bin"), payload.size());
    {
        auto data = control->Clone();
        data->Open("127.0.0.1", PassivePort(*control));
        EXPECT_EQ(Command(*control, "RETR round.bin") / 100, 1);
        data->SetPassThrough(false, "127.0.0.1");
        const std::string got = ReadAll(*data);
        EXPECT_FALSE(dynamic_cast<TIdSSLIOHandlerSocketOpenSSL&>(*data).ProtocolName().empty());
        data->Close();
        EXPECT_TRUE(got == payload) << got.size() << " of " << payload.size() << " bytes";
        EXPECT_EQ(ReadReply(*control), 226);
    }
    control->Close();
}

TEST_F(TlsIOHandlerTest, ActiveDownload_AdoptedConnectionStartsTLSAfterReply) {
    auto control = LoggedIn(server_->Port());
    Listener listener;
    std::string port = "PORT 127,0,0,1," + std::to_string(listener.port / 256) + "," + std::to_string(listener.port % 256);
    EXPECT_EQ(Command(*control, port), 200);
    EXPECT_EQ(Command(*control, "RETR file.txt"), 150);
    int fd = listener.Accept();
    ASSERT_GE(fd, 0);
    auto data = control->Clone();
    data->Adopt(fd);
    data->SetPassThrough(false, "127.0.0.1");
    EXPECT_TRUE(dynamic_cast<TIdSSLIOHandlerSocketOpenSSL&>(*data).SessionReused());
    EXPECT_EQ(ReadAll(*data), "hello over TLS\n");
    data->Close();
    EXPECT_EQ(ReadReply(*control), 226);
    control->Close();
}

// Neither vsftpd nor pyftpdlib know CCC; a small server plays the RFC 4217
// part: the reply in TLS, close_notify both ways, then clear text.
TEST_F(TlsIOHandlerTest, Ccc_ControlConnectionGoesOnInClearText) {
    Listener listener;
    std::string serverError;
    std::thread server([&] {
        int fd = listener.Accept();
        try {
            TIdSSLOptions options;
            options.Mode = sslmServer;
            options.CertFile = cert_->CertFile;
            options.KeyFile = cert_->KeyFile;
            TIdSSLContext context(options, {});
            WritePlain(fd, "220 ready\r\n");
            if (ReadLinePlain(fd) != "AUTH TLS\r\n") throw std::runtime_error("no AUTH");
            WritePlain(fd, "234 go ahead\r\n");
            TIdSSLSocket tls(context);
            tls.Accept(fd, 5000);
            std::string line;
            char c;
            while ((line.empty() || line.back() != '\n') && tls.Recv(&c, 1, 5000) == 1) line += c;
            if (line != "CCC\r\n") throw std::runtime_error("no CCC: " + line);
            tls.Send("200 clear\r\n", 11, 5000);
            tls.SwitchOff(5000);
            if (ReadLinePlain(fd) != "PWD\r\n") throw std::runtime_error("no clear PWD");
            WritePlain(fd, "257 \"/\"\r\n");
            ReadLinePlain(fd);  // until the client closes
        } catch (const std::exception& e) {
            serverError = e.what();
        }
        CloseFd(fd);
    });
    {
        TIdSSLIOHandlerSocketOpenSSL control;
        control.ReadTimeout = 10000;
        control.Open("127.0.0.1", static_cast<std::uint16_t>(listener.port));
        EXPECT_EQ(ReadReply(control), 220);
        EXPECT_EQ(Command(control, "AUTH TLS"), 234);
        control.SetPassThrough(false, "localhost");
        EXPECT_EQ(Command(control, "CCC"), 200);
        control.SetPassThrough(true, "localhost");
        EXPECT_TRUE(control.PassThrough());
        EXPECT_EQ(Command(control, "PWD"), 257);
        control.Close();
    }
    server.join();
    EXPECT_EQ(serverError, "");
}

TEST_F(TlsIOHandlerTest, ImplicitTls_HandshakeBeforeGreeting) {
    VsftpdServer implicit(*dir_, *cert_, true);
    TIdSSLIOHandlerSocketOpenSSL control;
    control.ReadTimeout = 10000;
    control.SetPassThrough(false, {});
    control.Open("127.0.0.1", static_cast<std::uint16_t>(implicit.Port()));
    EXPECT_FALSE(control.PassThrough());
    EXPECT_EQ(ReadReply(control), 220);
    EXPECT_EQ(Command(control, "USER anonymous"), 230);
    control.Close();
}

TEST_F(TlsIOHandlerTest, HandshakeFailure_LeavesSocketOpenAndPlain) {
    // A server that answers AUTH but is no TLS server: vsftpd's plain port
    // before AUTH gives the greeting again as "garbage".
    TIdSSLIOHandlerSocketOpenSSL control;
    control.ReadTimeout = 2000;
    control.Open("127.0.0.1", static_cast<std::uint16_t>(server_->Port()));
    EXPECT_EQ(ReadReply(control), 220);
    control.Write("NOOP\r\n");  // answered in clear text while we expect a handshake
    EXPECT_THROW(control.SetPassThrough(false, "localhost"), EIdOSSLConnectError);
    EXPECT_TRUE(control.PassThrough());
    EXPECT_TRUE(control.Opened());
    control.Close();
}

}  // namespace
