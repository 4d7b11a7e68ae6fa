// The TLS layer against "openssl s_server" and against small in-test servers
// for the cases a real server does not produce (garbage, silence, CCC).

#include "TLSTestSupport.h"

#include "ftp/SSLContext.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLSocket.h"

#include <gtest/gtest.h>

#include <openssl/x509_vfy.h>

#include <fcntl.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

using namespace tlstest;

namespace {

class TlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        cert_ = new Certificate(MakeCertificate(*dir_, "server"));
    }
    static void TearDownTestSuite() {
        delete cert_;
        delete dir_;
    }
    static TempDir* dir_;
    static Certificate* cert_;
};
TempDir* TlsTest::dir_ = nullptr;
Certificate* TlsTest::cert_ = nullptr;

// Reads a line through TLS ("\n" included).
std::string ReadLine(TIdSSLSocket& s) {
    std::string line;
    char c;
    // Generous: sanitizer builds on a loaded machine are slow, and a working
    // peer answers long before this.
    while ((line.empty() || line.back() != '\n') && s.Recv(&c, 1, 30000) == 1) line += c;
    return line;
}

// A client connection: TCP socket plus context and session.
struct Client {
    explicit Client(int port, TIdSSLEvents events = {}, TIdSSLOptions options = {})
        : fd(ConnectTcp(port)), context(options, std::move(events)), socket(context) {}
    ~Client() { CloseFd(fd); }
    int fd;
    TIdSSLContext context;
    TIdSSLSocket socket;
};

// One connection accepted on a loopback listener and served by `serve` on a
// thread of its own, with a TLS server session when `tls` is set.
class InTestServer {
public:
    InTestServer(const Certificate& cert, std::function<void(int fd, TIdSSLSocket* tls)> serve, bool tls = true) {
        TIdSSLOptions options;
        options.Mode = sslmServer;
        options.CertFile = cert.CertFile;
        options.KeyFile = cert.KeyFile;
        context_ = std::make_unique<TIdSSLContext>(options, TIdSSLEvents{});
        thread_ = std::thread([this, serve, tls] {
            int fd = listener_.Accept();
            if (fd < 0) return;
            try {
                if (tls) {
                    TIdSSLSocket session(*context_);
                    session.Accept(fd, 30000);
                    serve(fd, &session);
                } else {
                    serve(fd, nullptr);
                }
            } catch (const std::exception& e) {
                error = e.what();
            }
            CloseFd(fd);
        });
    }
    ~InTestServer() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    int Port() const { return listener_.port; }
    std::string error;

private:
    Listener listener_;
    std::unique_ptr<TIdSSLContext> context_;
    std::thread thread_;
};

TEST_F(TlsTest, Handshake_ReadWriteAndStatusAgainstOpensslServer) {
    OpensslServer server(*cert_);
    std::vector<std::string> status;
    TIdSSLEvents events;
    events.OnStatusInfo = [&](const std::string& text) { status.push_back(text); };
    Client c(server.Port(), events);
    c.socket.Connect(c.fd, "localhost", 5000);
    EXPECT_EQ(c.socket.ProtocolName(), "TLSv1.3");
    EXPECT_FALSE(c.socket.CipherName().empty());
    EXPECT_FALSE(c.socket.SessionReused());

    c.socket.Send("hello\n", 6, 5000);
    EXPECT_EQ(ReadLine(c.socket), "olleh\n");

    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front().rfind("SSL status: \"", 0), 0u) << status.front();
    EXPECT_NE(std::find(status.begin(), status.end(), "SSL status: \"SSL negotiation finished successfully\""),
              status.end());
}

// The data connection resumes the control connection's session, as servers
// that insist on it require. TLS 1.3 tickets arrive after the handshake; the
// first read on the control connection takes them in.
TEST_F(TlsTest, Session_DataConnectionResumesControlSession) {
    for (const char* version : {"-tls1_3", "-tls1_2"}) {
        SCOPED_TRACE(version);
        OpensslServer server(*cert_, {version});
        TIdSSLSessionPtr session;
        {  // s_server serves one connection at a time: end this one first
            Client control(server.Port());
            control.socket.Connect(control.fd, "localhost", 5000);
            control.socket.Send("USER x\n", 7, 5000);
            EXPECT_EQ(ReadLine(control.socket), "x RESU\n");
            session = control.socket.Session();
            control.socket.Shutdown(2000, false);
        }
        ASSERT_TRUE(session);

        Client data(server.Port());  // a context of its own, as a cloned transport has
        data.socket.Connect(data.fd, "localhost", 5000, session);
        EXPECT_TRUE(data.socket.SessionReused());
        data.socket.Send("abc\n", 4, 5000);
        EXPECT_EQ(ReadLine(data.socket), "cba\n");

        data.socket.Shutdown(2000, false);
        ::shutdown(data.fd, SHUT_RDWR);
        Client fresh(server.Port());
        fresh.socket.Connect(fresh.fd, "localhost", 5000);
        EXPECT_FALSE(fresh.socket.SessionReused());
    }
}

TEST_F(TlsTest, PeerCertificate_CarriesWhatATrustDecisionNeeds) {
    OpensslServer server(*cert_);
    struct Case {
        const char* host;
        bool matches;
    } cases[] = {{"localhost", true}, {"LOCALHOST", true}, {"127.0.0.1", true},
                 {"ftp.example.org", false}, {"127.0.0.2", false}, {"localhost.evil.test", false}};
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.host);
        int calls = 0;
        TIdPeerCertificate seen;
        TIdSSLEvents events;
        events.OnVerifyPeer = [&](const TIdPeerCertificate& cert) {
            ++calls;
            seen = cert;
            return true;
        };
        Client c(server.Port(), events);
        c.socket.Connect(c.fd, tc.host, 5000);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(seen.HostName, tc.host);
        EXPECT_EQ(seen.HostNameMatches, tc.matches);
        EXPECT_EQ(seen.FingerprintSHA256, cert_->FingerprintSHA256);
        EXPECT_EQ(seen.Subject, "CN=localhost");
        EXPECT_EQ(seen.Issuer, "CN=localhost");
        EXPECT_FALSE(seen.ChainVerified);
        EXPECT_EQ(seen.ChainResult, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT);
        EXPECT_EQ(seen.ChainResultText, "self-signed certificate");
        EXPECT_LT(seen.NotBefore, seen.NotAfter);
        auto now = std::time(nullptr);
        EXPECT_LE(seen.NotBefore, now);
        EXPECT_GT(seen.NotAfter, now);
        EXPECT_FALSE(seen.Der.empty());
        ASSERT_TRUE(c.socket.PeerCertificate());
        EXPECT_EQ(c.socket.PeerCertificate()->FingerprintSHA256, seen.FingerprintSHA256);
    }
}

TEST_F(TlsTest, Verification_HookAndVerifyModeDecide) {
    OpensslServer server(*cert_, {"-verify", "1"});  // also asks us for a certificate: we send none
    {
        SCOPED_TRACE("no hook, no verify mode: a self-signed certificate is accepted");
        Client c(server.Port());
        EXPECT_NO_THROW(c.socket.Connect(c.fd, "localhost", 5000));
        ASSERT_TRUE(c.socket.PeerCertificate());
        EXPECT_FALSE(c.socket.PeerCertificate()->ChainVerified);
        c.socket.Send("ok\n", 3, 5000);
        EXPECT_EQ(ReadLine(c.socket), "ko\n");
    }
    {
        SCOPED_TRACE("the hook refuses");
        TIdSSLEvents events;
        events.OnVerifyPeer = [](const TIdPeerCertificate&) { return false; };
        Client c(server.Port(), events);
        try {
            c.socket.Connect(c.fd, "localhost", 5000);
            ADD_FAILURE() << "handshake succeeded";
        } catch (const EIdOSSLConnectError& e) {
            EXPECT_STREQ(e.what(), "Error connecting with SSL.");
            EXPECT_NE(e.Reason().find("certificate"), std::string::npos) << e.Reason();
        }
    }
    TIdSSLOptions verify;
    verify.VerifyMode = {sslvrfPeer};
    {
        SCOPED_TRACE("verify mode without a trust anchor for the server");
        Client c(server.Port(), {}, verify);
        EXPECT_THROW(c.socket.Connect(c.fd, "localhost", 5000), EIdOSSLConnectError);
    }
    verify.RootCertFile = cert_->CertFile;
    {
        SCOPED_TRACE("verify mode with the server's certificate as root");
        Client c(server.Port(), {}, verify);
        EXPECT_NO_THROW(c.socket.Connect(c.fd, "localhost", 5000));
        EXPECT_TRUE(c.socket.PeerCertificate()->ChainVerified);
    }
    {
        SCOPED_TRACE("verify mode, trusted root, wrong host name");
        Client c(server.Port(), {}, verify);
        EXPECT_THROW(c.socket.Connect(c.fd, "ftp.example.org", 5000), EIdOSSLConnectError);
    }
}

// The chain is checked against the system's trust store, not only against a
// configured root: with the test certificate trusted there (OpenSSL reads
// SSL_CERT_FILE for its default store), the same server verifies, while the
// host name check still tells the names apart.
TEST_F(TlsTest, PeerCertificate_ChainCheckedAgainstSystemTrustStore) {
    OpensslServer server(*cert_);
    const char* before = std::getenv("SSL_CERT_FILE");
    const std::string saved = before ? before : "";
    ::setenv("SSL_CERT_FILE", cert_->CertFile.c_str(), 1);
    for (const char* host : {"localhost", "ftp.example.org"}) {
        SCOPED_TRACE(host);
        TIdPeerCertificate seen;
        TIdSSLEvents events;
        events.OnVerifyPeer = [&](const TIdPeerCertificate& cert) {
            seen = cert;
            return true;
        };
        Client c(server.Port(), events);
        c.socket.Connect(c.fd, host, 5000);
        EXPECT_TRUE(seen.ChainVerified);
        EXPECT_EQ(seen.ChainResult, X509_V_OK);
        EXPECT_EQ(seen.ChainResultText, "ok");
        EXPECT_EQ(seen.HostNameMatches, std::string(host) == "localhost");
    }
    if (before)
        ::setenv("SSL_CERT_FILE", saved.c_str(), 1);
    else
        ::unsetenv("SSL_CERT_FILE");
}

// A server that is no TLS server must give a clear error within the timeout.
TEST_F(TlsTest, Handshake_MisbehavingServerFailsWithinTimeout) {
    struct Case {
        const char* name;
        std::function<void(int)> serve;
    } cases[] = {
        {"plain text instead of a handshake",
         [](int fd) {
             WritePlain(fd, "220 Welcome to the FTP server\r\n");
             std::this_thread::sleep_for(std::chrono::milliseconds(1500));
         }},
        {"closed after the client hello",
         [](int fd) {
             char buf[512];
             recv(fd, buf, sizeof buf, 0);
         }},
        {"silence", [](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1500)); }},
        {"half a record header, then silence",
         [](int fd) {
             WritePlain(fd, std::string("\x16\x03\x03\x00", 4));
             std::this_thread::sleep_for(std::chrono::milliseconds(1500));
         }},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        InTestServer server(*cert_, [&](int fd, TIdSSLSocket*) { tc.serve(fd); }, false);
        Client c(server.Port());
        auto start = std::chrono::steady_clock::now();
        try {
            c.socket.Connect(c.fd, "localhost", 700);
            ADD_FAILURE() << "handshake succeeded";
        } catch (const EIdOSSLConnectError& e) {
            EXPECT_STREQ(e.what(), "Error connecting with SSL.");
            EXPECT_FALSE(e.Reason().empty());
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        // The socket stays open for the caller to close.
        EXPECT_EQ(fcntl(c.fd, F_GETFD), FD_CLOEXEC);
    }
}

TEST_F(TlsTest, Close_NotifyIsSentAndSeenBothWays) {
    std::atomic<bool> serverSawNotify{false};
    std::string serverGot;
    InTestServer server(*cert_, [&](int, TIdSSLSocket* tls) {
        char buf[256];
        size_t n;
        while ((n = tls->Recv(buf, sizeof buf, 5000)) > 0) serverGot.append(buf, n);
        serverSawNotify = !tls->ClosedWithoutNotify();
        tls->Shutdown(5000);
    });
    Client c(server.Port());
    c.socket.Connect(c.fd, "localhost", 5000);
    std::string upload(200000, 'u');  // many TLS records
    upload += "end";
    c.socket.Send(upload.data(), upload.size(), 5000);
    EXPECT_TRUE(c.socket.Shutdown(5000));  // the server answered with its close_notify
    server.Join();
    EXPECT_EQ(server.error, "");
    EXPECT_TRUE(serverGot == upload) << serverGot.size() << " bytes arrived";
    EXPECT_TRUE(serverSawNotify);
}

TEST_F(TlsTest, Close_WithoutNotifyEndsTheReadAndIsReported) {
    InTestServer server(*cert_, [&](int fd, TIdSSLSocket* tls) {
        tls->Send("listing\n", 8, 5000);
        ::shutdown(fd, SHUT_RDWR);  // no close_notify, as some servers do
    });
    Client c(server.Port());
    c.socket.Connect(c.fd, "localhost", 5000);
    EXPECT_EQ(ReadLine(c.socket), "listing\n");
    server.Join();
    for (bool lookAhead : {true, false}) {  // a look-ahead for session tickets must not hide the close
        SCOPED_TRACE(lookAhead);
        if (lookAhead) c.socket.ProcessPendingRecords();
        char buf[16];
        EXPECT_EQ(c.socket.Recv(buf, sizeof buf, 5000), 0u);
        EXPECT_TRUE(c.socket.ClosedWithoutNotify());
    }
}

TEST_F(TlsTest, Write_ToClosedPeerRaisesWithoutSignal) {
    InTestServer server(*cert_, [&](int, TIdSSLSocket*) {});
    Client c(server.Port());
    c.socket.Connect(c.fd, "localhost", 5000);
    server.Join();  // the server has closed its end
    std::string block(65536, 'y');
    EXPECT_THROW(
        {
            for (int i = 0; i < 100; ++i) c.socket.Send(block.data(), block.size(), 5000);
        },
        EIdOSSLWriteError);
}

// After CCC both sides exchange close_notify and go on in clear text on the
// same socket.
TEST_F(TlsTest, SwitchOff_ControlConnectionContinuesInClearText) {
    InTestServer server(*cert_, [&](int fd, TIdSSLSocket* tls) {
        std::string cmd = ReadLine(*tls);
        if (cmd != "CCC\r\n") throw std::runtime_error("unexpected " + cmd);
        tls->Send("200 CCC OK\r\n", 12, 5000);
        tls->SwitchOff(5000);
        std::string next = ReadLinePlain(fd);
        WritePlain(fd, next == "PWD\r\n" ? "257 \"/\"\r\n" : "500 ?\r\n");
    });
    Client c(server.Port());
    c.socket.Connect(c.fd, "localhost", 5000);
    c.socket.Send("CCC\r\n", 5, 5000);
    EXPECT_EQ(ReadLine(c.socket), "200 CCC OK\r\n");
    c.socket.SwitchOff(5000);
    EXPECT_FALSE(c.socket.Active());
    WritePlain(c.fd, "PWD\r\n");
    EXPECT_EQ(ReadLinePlain(c.fd), "257 \"/\"\r\n");
    server.Join();
    EXPECT_EQ(server.error, "");
}

TEST_F(TlsTest, Context_OptionErrors) {
    TempDir other;
    Certificate second = MakeCertificate(other, "other");
    struct Case {
        const char* name;
        std::function<void(TIdSSLOptions&)> set;
        const char* message;
    } cases[] = {
        {"cipher list", [](TIdSSLOptions& o) { o.CipherList = "NO-SUCH-CIPHER"; }, "SetCipher failed."},
        {"root certificate", [](TIdSSLOptions& o) { o.RootCertFile = "/nonexistent/root.pem"; },
         "Could not load root certificate."},
        {"certificate", [](TIdSSLOptions& o) { o.CertFile = "/nonexistent/cert.pem"; }, "Could not load certificate."},
        {"key of another certificate",
         [&](TIdSSLOptions& o) {
             o.CertFile = cert_->CertFile;
             o.KeyFile = second.KeyFile;
         },
         "Could not load key, check password."},
        {"mode", [](TIdSSLOptions& o) { o.Mode = static_cast<TIdSSLMode>(7); }, "Mode has not been set."},
        {"method", [](TIdSSLOptions& o) { o.Method = static_cast<TIdSSLVersion>(9); }, "Error geting SSL method."},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        TIdSSLOptions options;
        tc.set(options);
        try {
            TIdSSLContext context(options, {});
            ADD_FAILURE() << "no error";
        } catch (const EIdOpenSSLError& e) {
            EXPECT_STREQ(e.what(), tc.message);
        }
    }
    TIdSSLOptions legacy;  // every method value stands for the current version-flexible one
    for (auto method : {sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1}) {
        legacy.Method = method;
        EXPECT_NO_THROW(TIdSSLContext(legacy, {}));
    }
}

// Several connections in several threads, each with its own context.
TEST_F(TlsTest, Threads_IndependentConnectionsInParallel) {
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<InTestServer>> servers;
    for (int i = 0; i < kThreads; ++i)
        servers.push_back(std::make_unique<InTestServer>(*cert_, [](int, TIdSSLSocket* tls) {
            for (std::string line; !(line = ReadLine(*tls)).empty();) tls->Send(line.data(), line.size(), 30000);
            tls->Shutdown(5000);
        }));
    std::atomic<int> ok{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kThreads; ++i)
        clients.emplace_back([&, i] {
            try {
                Client c(servers[static_cast<size_t>(i)]->Port());
                c.socket.Connect(c.fd, "localhost", 30000);
                for (int k = 0; k < 20; ++k) {
                    std::string line = "line " + std::to_string(k) + "\n";
                    c.socket.Send(line.data(), line.size(), 30000);
                    if (ReadLine(c.socket) != line) return;
                }
                c.socket.Shutdown(5000);
                ++ok;
            } catch (const std::exception&) {
            }
        });
    for (auto& t : clients) t.join();
    servers.clear();
    EXPECT_EQ(ok, kThreads);
}

}  // namespace
