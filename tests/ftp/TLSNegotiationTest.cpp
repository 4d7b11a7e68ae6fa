// How the engine negotiates TLS with answers real servers do not give:
// refused or unknown AUTH mechanisms in each TLS mode, a "234" followed by a
// failed handshake, implicit TLS, and a refused "PROT P". The scripted server
// speaks TLS itself where the case needs a working handshake.

#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "ftp/SSLExceptions.h"
#include "ftp/SSLIOHandlerSocketOpenSSL.h"
#include "ScriptedClient.h"
#include "servers/ScriptedFtpServer.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace {

using Commands = std::vector<std::string>;

std::unique_ptr<TIdFTP> Client(const ScriptedFtpServer& server, TIdUseTLS mode, TAuthCmd auth = tAuto)
{
    auto ftp = ScriptedClient(server);
    if (mode == utNoTLSSupport) {
        ftp->SetIOHandler(std::make_unique<TIdIOHandlerStack>());
        return ftp;
    }
    auto tls = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    tls->HandshakeTimeout = 2000;  // the silent server below
    ftp->SetIOHandler(std::move(tls));
    ftp->SetUseTLS(mode);
    ftp->Port = server.Port();  // implicit TLS moved it to 990
    if (auth != tAuto)
        ftp->SetAUTHCmd(auth);
    return ftp;
}

/// The rest of a login once TLS is settled (or given up).
void LoginScript(ScriptedSession& s)
{
    s.Expect("USER user");
    s.Send("331 password\r\n");
    s.Expect("PASS secret");
    s.Send("230 in\r\n");
    s.Expect("FEAT");
    s.Send("211 no features\r\n");
    s.Expect("TYPE I");
    s.Send("200 binary\r\n");
}

/// Waits for the client to hang up; anything it still sends is recorded.
void ExpectClose(ScriptedSession& s)
{
    if (!s.ReadCommand().empty() && s.failure.empty())
        s.failure = "the client went on instead of closing";
}

/// ConnectControl and Authenticate; the error's message, "" when logged in.
std::string LogIn(TIdFTP& ftp)
{
    try {
        ftp.ConnectControl();
        ftp.Authenticate();
        return "";
    } catch (const EIdTLSClientTLSNotAvailable& e) {
        return std::string("TLSNotAvailable: ") + e.what();
    } catch (const EIdTLSClientTLSHandShakeFailed& e) {
        return std::string("HandShakeFailed: ") + e.what();
    } catch (const EIdOSSLConnectError& e) {
        return std::string("OSSLConnectError: ") + e.what();
    } catch (const EIdException& e) {
        return std::string("other: ") + e.what();
    }
}

const std::string kNotAvailable = "TLSNotAvailable: SSL is not available on this server.";
const std::string kNegotiationFailed = "TLSNotAvailable: Start SSL negotiation command failed.";

}  // namespace

// The AUTH replies of real servers are 234 (vsftpd, proftpd, pyftpdlib) and
// 500/530 for unknown mechanisms; these are the others, in every mode.
TEST(TlsNegotiation, RefusedAuthFollowsTheModesFallbacks)
{
    struct Case {
        const char* name;
        TIdUseTLS mode;
        TAuthCmd auth;
        Commands replies;               // one per AUTH the client should send
        std::optional<bool> goOn;       // OnTLSNotAvailable's answer; none: not assigned
        std::string error;              // "" when the login goes on in clear text
        int askedHook;                  // how often OnTLSNotAvailable must be asked
    } cases[] = {
        {"required, 431 stops at once", utUseRequireTLS, tAuto, {"431 no TLS today"}, {}, kNotAvailable, 0},
        {"required, four 502", utUseRequireTLS, tAuto, {"502 no", "502 no", "502 no", "502 no"}, {}, kNegotiationFailed, 0},
        {"required, mixed 5xx", utUseRequireTLS, tAuto, {"500 what", "504 no", "534 policy", "530 login first"}, {}, kNegotiationFailed, 0},
        {"required, 502 then 431", utUseRequireTLS, tAuto, {"502 no", "431 busy"}, {}, kNotAvailable, 0},
        {"required, AUTH SSL refused", utUseRequireTLS, tAuthSSL, {"502 no"}, {}, kNotAvailable, 0},
        {"required, 200 is no yes", utUseRequireTLS, tAuto, {"200 sure"}, {}, kNotAvailable, 0},
        {"explicit, 431", utUseExplicitTLS, tAuto, {"431 no TLS today"}, {}, kNegotiationFailed, 0},
        {"explicit, AUTH TLS-P 504", utUseExplicitTLS, tAuthTLSP, {"504 no"}, {}, kNegotiationFailed, 0},
        {"explicit, four 502, no hook: clear text", utUseExplicitTLS, tAuto, {"502 a", "502 b", "502 c", "502 d"}, {}, "", 0},
        {"explicit, four 502, hook says go on", utUseExplicitTLS, tAuto, {"502 a", "502 b", "502 c", "502 d"}, true, "", 1},
        {"explicit, four 502, hook says stop", utUseExplicitTLS, tAuto, {"502 a", "502 b", "502 c", "502 d"}, false, kNegotiationFailed, 1},
        {"plain FTP asks nothing", utNoTLSSupport, tAuto, {}, false, "", 0},
    };
    const char* const names[] = {"AUTH TLS", "AUTH SSL", "AUTH TLS-C", "AUTH TLS-P"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Case* tc = &c;
        ScriptedFtpServer server([tc](ScriptedSession& s) {
            s.Send("220 hello\r\n");
            for (const auto& reply : tc->replies) {
                s.Expect("AUTH ");
                s.Send(reply + "\r\n");
            }
            if (tc->error.empty())
                LoginScript(s);
            else
                ExpectClose(s);
        });
        auto ftp = Client(server, c.mode, c.auth);
        int asked = 0;
        if (c.goOn) {
            ftp->OnTLSNotAvailable = [&](bool& goOn) {
                ++asked;
                EXPECT_TRUE(goOn) << "going on is the default";
                goOn = *c.goOn;
            };
        }
        EXPECT_EQ(LogIn(*ftp), c.error);
        EXPECT_EQ(asked, c.askedHook);
        EXPECT_FALSE(ftp->TLSActive());
        EXPECT_EQ(ftp->IOHandler()->Opened(), c.error.empty()) << "a refused TLS login closes the connection";

        Commands expected;
        for (std::size_t i = 0; i < c.replies.size(); ++i)
            expected.push_back(c.auth == tAuto ? names[i] : names[c.auth - 1]);
        if (c.error.empty())
            expected.insert(expected.end(), {"USER user", "PASS secret", "FEAT", "TYPE I"});
        EXPECT_EQ(server.Commands(), expected) << "no credentials are sent when TLS is refused";
        EXPECT_EQ(server.Failure(), "");
    }
}

// After "234" the server must speak TLS; when it does not, the login ends
// with the handshake error within the handshake time limit and the
// connection is closed.
TEST(TlsNegotiation, FailedHandshakeAfter234)
{
    struct Case {
        const char* name;
        TIdUseTLS mode;
        std::function<void(ScriptedSession&)> misbehave;
    } cases[] = {
        {"server closes", utUseRequireTLS, [](ScriptedSession&) {}},
        {"server sends a plain reply", utUseRequireTLS,
         [](ScriptedSession& s) {
             s.Send("500 this is no TLS record\r\n");
             s.WaitForClose();
         }},
        {"server sends garbage", utUseExplicitTLS,
         [](ScriptedSession& s) {
             s.Send(std::string("\x16\x03\x03\x00\x05garbage-garbage", 20));
             s.WaitForClose();
         }},
        {"server stays silent", utUseRequireTLS, [](ScriptedSession& s) { s.WaitForClose(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Case* tc = &c;
        ScriptedFtpServer server([tc](ScriptedSession& s) {
            s.Send("220 hello\r\n");
            s.Expect("AUTH TLS");
            s.Send("234 go ahead\r\n");
            tc->misbehave(s);
        });
        auto ftp = Client(server, c.mode);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(LogIn(*ftp), "HandShakeFailed: SSL is not available on this server.");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << "no hang";
        EXPECT_FALSE(ftp->IOHandler()->Opened());
        EXPECT_FALSE(ftp->TLSActive());
        EXPECT_EQ(server.Commands(), Commands{"AUTH TLS"});
    }
}

// A working handshake after 234 or 334, also on the second mechanism, and
// implicit TLS where the handshake comes before the greeting: the login
// itself travels encrypted.
TEST(TlsNegotiation, HandshakeAfterAcceptedAuthAndImplicitTls)
{
    TestCertificate certificate;
    struct Case {
        const char* name;
        TIdUseTLS mode;
        Commands replies;  // the AUTH replies before the handshake
    } cases[] = {
        {"234 to AUTH TLS", utUseRequireTLS, {"234 ok"}},
        {"500 to AUTH TLS, 234 to AUTH SSL", utUseRequireTLS, {"500 unknown", "234 ok"}},
        {"334 to AUTH TLS", utUseExplicitTLS, {"334 ok"}},
        {"implicit TLS", utUseImplicitTLS, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Case* tc = &c;
        ScriptedFtpServer server([tc, &certificate](ScriptedSession& s) {
            if (tc->mode == utUseImplicitTLS && !s.StartTls(certificate))
                return;
            s.Send("220 hello\r\n");
            for (const auto& reply : tc->replies) {
                s.Expect("AUTH ");
                s.Send(reply + "\r\n");
            }
            if (tc->mode != utUseImplicitTLS && !s.StartTls(certificate))
                return;
            LoginScript(s);
        });
        auto ftp = Client(server, c.mode);
        bool hookAsked = false;
        ftp->OnTLSNotAvailable = [&](bool&) { hookAsked = true; };
        EXPECT_EQ(LogIn(*ftp), "");
        EXPECT_TRUE(ftp->TLSActive());
        EXPECT_FALSE(hookAsked);
        const auto* tls = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(ftp->IOHandler());
        ASSERT_NE(tls, nullptr);
        EXPECT_FALSE(tls->PassThrough());
        ASSERT_NE(tls->PeerCertificate(), nullptr);
        EXPECT_EQ(tls->PeerCertificate()->FingerprintSHA256, certificate.FingerprintSHA256());
        ftp->CloseConnection();
        const Commands commands = server.Commands();
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(commands[commands.size() - 4], "USER user");
        EXPECT_EQ(server.Failure(), "");
    }
}

// Implicit TLS against a server that answers in clear text: the transport's
// handshake error, the connection closed, nothing sent.
TEST(TlsNegotiation, ImplicitTlsAgainstAPlainServer)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send("220 plain hello\r\n");
        s.WaitForClose();
    });
    auto ftp = Client(server, utUseImplicitTLS);
    EXPECT_EQ(LogIn(*ftp), "OSSLConnectError: Error connecting with SSL.");
    EXPECT_FALSE(ftp->IOHandler()->Opened());
    EXPECT_TRUE(server.Commands().empty());
}

namespace {

/// A TLS login, then one listing whose "PROT P" gets `protReply`; with
/// `protC` the client is expected to ask "PROT C" next and gets that reply;
/// with `listed` the listing runs (clear data) and a second listing follows.
void ProtScript(ScriptedSession& s, const TestCertificate& certificate, const std::string& protReply,
                const std::string& protC, bool listed)
{
    s.Send("220 hello\r\n");
    s.Expect("AUTH TLS");
    s.Send("234 ok\r\n");
    if (!s.StartTls(certificate))
        return;
    LoginScript(s);
    for (int round = 0; round < (listed ? 2 : 1); ++round) {
        s.Expect("TYPE A");
        s.Send("200 ascii\r\n");
        s.Expect("PBSZ 0");
        s.Send("200 PBSZ=0\r\n");
        if (round == 0) {
            s.Expect("PROT P");
            s.Send(protReply + "\r\n");
        }
        if (!protC.empty()) {
            s.Expect("PROT C");
            s.Send(protC + "\r\n");
        }
        if (listed) {
            s.Expect("PASV");
            s.Send(ScriptedSession::PasvReply(s.ListenData()));
            const int data = s.AcceptData();
            s.Expect("LIST");
            s.Send("150 here\r\n");
            ScriptedSession::SendData(data, "-rw-r--r-- 1 a b 5 Jan  1 2020 clear.txt\r\n");
            ScriptedSession::CloseData(data);
            s.Send("226 done\r\n");
        }
        s.Expect("TYPE I");
        s.Send("200 binary\r\n");
    }
}

}  // namespace

// "PROT P" refused: without permission to fall back the listing fails with
// the server's refusal and no data moves; with it the connection goes on
// with "PROT C", says so, and does not ask "PROT P" again.
TEST(TlsNegotiation, RefusedProtP)
{
    TestCertificate certificate;
    struct Case {
        const char* name;
        bool allowClear;
        std::string protReply;
        std::string protC;   // expected "PROT C" and its reply; "" when none is due
        int errorCode;       // 0: the listings work
    } cases[] = {
        {"536 without fallback", false, "536 Requested PROT level not supported", "", 536},
        {"534 without fallback", false, "534 Request denied for policy reasons", "", 534},
        {"536 with fallback", true, "536 Requested PROT level not supported", "200 clear", 0},
        {"534 with fallback", true, "534 Request denied for policy reasons", "200 clear", 0},
        {"504 with fallback", true, "504 Command not implemented for that parameter", "200 clear", 0},
        {"431 with fallback", true, "431 Need some unavailable resource", "200 clear", 0},
        {"421 ends the session even with fallback", true, "421 closing", "", 421},
        {"clear data refused too", true, "536 no P", "534 no C either", 534},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Case* tc = &c;
        ScriptedFtpServer server([tc, &certificate](ScriptedSession& s) {
            ProtScript(s, certificate, tc->protReply, tc->protC, tc->errorCode == 0);
        });
        auto ftp = Client(server, utUseRequireTLS);
        ftp->SetDataPortProtection(ftpdpsPrivate);
        ftp->AllowClearDataFallback = c.allowClear;
        std::vector<std::string> statuses;
        ftp->OnStatus = [&](TIdStatus status, const std::string& text) {
            if (status == hsStatusText)
                statuses.push_back(text);
        };
        ASSERT_EQ(LogIn(*ftp), "");
        int code = 0;
        try {
            ftp->RetrieveListing(nullptr, "", true);
            EXPECT_EQ(ftp->ListResult(), Commands{"-rw-r--r-- 1 a b 5 Jan  1 2020 clear.txt"});
            EXPECT_FALSE(ftp->DataChannelProtected());
            ftp->RetrieveListing(nullptr, "", true);
        } catch (const EIdReplyRFCError& e) {
            code = e.ReplyCode();
        }
        EXPECT_EQ(code, c.errorCode);
        const bool warned = !statuses.empty() &&
                            statuses.front().find("refused protected data connections") != std::string::npos;
        EXPECT_EQ(warned, c.allowClear && c.errorCode != 421) << "clear data is never silent";
        EXPECT_EQ(ftp->DataPortProtection(), ftpdpsPrivate) << "the setting itself stays";
        ftp->CloseConnection();
        EXPECT_EQ(server.Failure(), "");
    }
}

// The trust decision comes before the login: a certificate the hook refuses
// ends the login with the handshake error before any credentials are sent,
// and the hook sees the name the user connected to.
TEST(TlsNegotiation, RefusedCertificateStopsTheLoginBeforeCredentials)
{
    TestCertificate certificate;
    for (bool accept : {false, true}) {
        SCOPED_TRACE(accept ? "accepted" : "refused");
        ScriptedFtpServer server([&certificate, accept](ScriptedSession& s) {
            s.Send("220 hello\r\n");
            s.Expect("AUTH TLS");
            s.Send("234 ok\r\n");
            // The handshake completes; the decision follows it.
            if (!s.StartTls(certificate))
                return;
            if (accept)
                LoginScript(s);
            else
                ExpectClose(s);
        });
        auto ftp = Client(server, utUseRequireTLS);
        ftp->Host = "localhost";
        auto* tls = dynamic_cast<TIdSSLIOHandlerSocketOpenSSL*>(ftp->IOHandler());
        ASSERT_NE(tls, nullptr);
        std::vector<TIdPeerCertificate> seen;
        tls->OnVerifyPeer = [&](const TIdPeerCertificate& cert) {
            seen.push_back(cert);
            return accept;
        };
        EXPECT_EQ(LogIn(*ftp), accept ? "" : "other: The server's certificate was refused.");
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].HostName, "localhost");
        EXPECT_TRUE(seen[0].HostNameMatches);
        EXPECT_FALSE(seen[0].ChainVerified) << "self-signed";
        EXPECT_EQ(seen[0].FingerprintSHA256, certificate.FingerprintSHA256());
        EXPECT_EQ(seen[0].Subject, "CN=localhost");
        EXPECT_LT(seen[0].NotBefore, seen[0].NotAfter);
        ftp->CloseConnection();
        EXPECT_EQ(server.Commands().size(), accept ? 5u : 1u) << "AUTH TLS, then the login only when accepted";
        EXPECT_EQ(server.Failure(), "");
    }
}

// A data connection must present the certificate its control connection
// accepted; another one (a man in the middle of the data path only) fails
// the transfer and names both fingerprints.
TEST(TlsNegotiation, DataConnectionWithAnotherCertificateFailsTheTransfer)
{
    TestCertificate control;
    TestCertificate other;
    ScriptedFtpServer server([&](ScriptedSession& s) {
        s.Send("220 hello\r\n");
        s.Expect("AUTH TLS");
        s.Send("234 ok\r\n");
        if (!s.StartTls(control))
            return;
        LoginScript(s);
        for (std::string command = s.ReadCommand(); !command.empty(); command = s.ReadCommand()) {
            if (command.rfind("PASV", 0) == 0) {
                s.Send(ScriptedSession::PasvReply(s.ListenData()));
            } else if (command.rfind("LIST", 0) == 0) {
                s.Send("150 here it comes\r\n");
                const int data = s.AcceptData();
                ScriptedSession::AcceptDataTls(data, other);
                ScriptedSession::CloseData(data);
                return;
            } else {
                s.Send("200 ok\r\n");  // TYPE, PBSZ, PROT
            }
        }
    });
    auto ftp = Client(server, utUseRequireTLS);
    ftp->Host = "localhost";
    ftp->Passive = true;
    ftp->SetDataPortProtection(ftpdpsPrivate);
    std::vector<std::string> seen;
    dynamic_cast<TIdSSLIOHandlerSocketOpenSSL&>(*ftp->IOHandler()).OnVerifyPeer = [&](const TIdPeerCertificate& c) {
        seen.push_back(c.FingerprintSHA256);
        return true;
    };
    ASSERT_EQ(LogIn(*ftp), "");
    std::optional<EIdOSSLCertificateMismatch> failure;
    std::vector<std::string> lines;
    try {
        ftp->RetrieveListing(&lines, "", true);
    } catch (const EIdOSSLCertificateMismatch& e) {
        failure = e;
    }
    ASSERT_TRUE(failure.has_value()) << "the listing must not be read from the other certificate";
    EXPECT_NE(failure->Reason().find(control.FingerprintSHA256()), std::string::npos) << failure->Reason();
    EXPECT_NE(failure->Reason().find(other.FingerprintSHA256()), std::string::npos) << failure->Reason();
    EXPECT_EQ(seen, std::vector<std::string>{control.FingerprintSHA256()}) << "data connections are not asked";
    ftp->CloseConnection();
    server.Join();
}
