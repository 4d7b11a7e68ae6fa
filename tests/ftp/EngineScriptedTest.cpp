// Reply and login edge cases that real servers do not produce, against a
// scripted server.
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "ftp/OTP.h"
#include "ScriptedClient.h"
#include "servers/ScriptedFtpServer.h"

#include <gtest/gtest.h>

namespace {

const char* const kFeat = "211-Features:\r\n EPRT\r\n EPSV\r\n SIZE\r\n211 End\r\n";

std::unique_ptr<TIdFTP> Client(const ScriptedFtpServer& server)
{
    return ScriptedClient(server);
}

void LoginScript(ScriptedSession& s)
{
    s.Send("220 hello\r\n");
    s.Expect("USER user");
    s.Send("331 password\r\n");
    s.Expect("PASS secret");
    s.Send("230 in\r\n");
    s.Expect("FEAT");
    s.Send(kFeat);
    s.Expect("TYPE I");
    s.Send("200 binary\r\n");
}

// "PASV", then "RETR f" answered with 150 and `payload` on a data
// connection that is closed afterwards; the final reply is the caller's.
void ServePassiveRetr(ScriptedSession& s, const std::string& payload)
{
    s.Expect("PASV");
    const auto port = s.ListenData();
    s.Send(ScriptedSession::PasvReply(port));
    const int data = s.AcceptData();
    s.Expect("RETR f");
    s.Send("150 go\r\n");
    ScriptedSession::SendData(data, payload);
    ScriptedSession::CloseData(data);
}

}  // namespace

TEST(EngineScripted, GreetingMultiLineAndLoginSequence)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send("\r\n220-Welcome\r\n220-second line\r\n220 ready\r\n");
        s.Expect("USER user");
        s.Send("230 no password needed\r\n");
        s.Expect("FEAT");
        s.Send("500 what\r\n");
        s.Expect("TYPE I");
        s.Send("200 ok\r\n");
    });
    auto ftp = Client(server);
    std::string banner;
    ftp->OnBannerBeforeLogin = [&](const std::string& text) { banner = text; };
    ftp->ConnectControl();
    EXPECT_EQ(ftp->Greeting().Text.size(), 3u);
    EXPECT_EQ(banner, "220-Welcome\r\n220-second line\r\n220 ready\r\n");
    ftp->Authenticate();
    EXPECT_TRUE(ftp->Capabilities().empty());
    EXPECT_EQ(server.Failure(), "");
}

TEST(EngineScripted, LoginRefusals)
{
    struct Case {
        const char* userReply;
        const char* passReply;
        const char* typeReply;
        int code;
    } cases[] = {
        {"332 need account\r\n", nullptr, nullptr, 332},
        {"331 pw\r\n", "530 Login incorrect.\r\n", nullptr, 530},
        {"331 pw\r\n", "332 account\r\n", nullptr, 332},
        {"331 pw\r\n", "230 ok\r\n", "504 no binary\r\n", 504},
    };
    for (const auto& c : cases) {
        ScriptedFtpServer server([&](ScriptedSession& s) {
            s.Send("220 hi\r\n");
            s.Expect("USER");
            s.Send(c.userReply);
            if (!c.passReply)
                return;
            s.Expect("PASS");
            s.Send(c.passReply);
            if (!c.typeReply)
                return;
            s.Expect("FEAT");
            s.Send("211 none\r\n");
            s.Expect("TYPE I");
            s.Send(c.typeReply);
        });
        auto ftp = Client(server);
        ftp->ConnectControl();
        try {
            ftp->Authenticate();
            ADD_FAILURE() << c.code;
        } catch (const EIdReplyRFCError& e) {
            EXPECT_EQ(e.ReplyCode(), c.code);
        }
        EXPECT_EQ(server.Failure(), "");
    }
}

TEST(EngineScripted, UnexpectedReplyCarriesTextAndCode)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        s.Expect("NOOP");
        s.Send("500-Unknown\r\n500 command\r\n");
        s.Expect("NOOP");
        s.Send("abc hello\r\n200 x\r\n");
    });
    auto ftp = Client(server);
    ftp->ConnectControl();
    ftp->Authenticate();
    try {
        ftp->SendCommand("NOOP", 200);
        FAIL();
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ReplyCode(), 500);
        EXPECT_STREQ(e.what(), "Unknown\r\ncommand\r\n");
    }
    try {
        ftp->SendCommand("NOOP", 200);
        FAIL();
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Reply Code is not valid: abc");
    }
}

TEST(EngineScripted, OneTimePasswordAndProxyUserPass)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send("220 proxy\r\n");
        s.Expect("USER user@puser@target.example:2121");
        s.Send("331 Response to otp-md5 499 ke1234 required\r\n");
        s.Expect("PASS ");
        s.Send("230 ok\r\n");
        s.Expect("FEAT");
        s.Send("211 none\r\n");
        s.Expect("TYPE I");
        s.Send("200 ok\r\n");
    });
    auto ftp = Client(server);
    ftp->Host = "target.example";
    ftp->Port = 2121;
    ftp->ProxySettings.ProxyType = fpcmUserPass;
    ftp->ProxySettings.Host = "127.0.0.1";
    ftp->ProxySettings.Port = server.Port();
    ftp->ProxySettings.UserName = "puser";
    ftp->ProxySettings.Password = "ppass";
    ftp->ConnectControl();
    ftp->Authenticate();
    EXPECT_EQ(ftp->Host, "target.example");
    const auto commands = server.Commands();
    ASSERT_GE(commands.size(), 2u);
    const std::string expected = OTPResponse(TIdOTPChallenge{ohMD5, 499, "ke1234"}, "secret");
    EXPECT_EQ(commands[1], "PASS " + expected + "@ppass");
}

TEST(EngineScripted, ProxySiteAndOpenCommands)
{
    for (auto type : {fpcmSite, fpcmOpen, fpcmUserSite}) {
        ScriptedFtpServer server([type](ScriptedSession& s) {
            s.Send("220 proxy\r\n");
            s.Expect("USER puser");
            s.Send("331 pw\r\n");
            s.Expect("PASS ppass");
            s.Send("230 proxy ok\r\n");
            if (type == fpcmUserSite) {
                s.Expect("USER user@target");
            } else {
                s.Expect(type == fpcmSite ? "SITE target" : "OPEN target");
                s.Send("220 connected\r\n");
                s.Expect("USER user");
            }
            s.Send("230 in\r\n");
            s.Expect("FEAT");
            s.Send("211 none\r\n");
            s.Expect("TYPE I");
            s.Send("200 ok\r\n");
        });
        auto ftp = Client(server);
        ftp->Host = "target";
        ftp->Port = 21;
        ftp->ProxySettings = {type, "127.0.0.1", server.Port(), "puser", "ppass"};
        ftp->ConnectControl();
        ftp->Authenticate();
        EXPECT_EQ(server.Failure(), "") << type;
    }
    TIdFTP custom;
    custom.ProxySettings.ProxyType = fpcmCustomProxy;
    EXPECT_THROW(custom.Authenticate(), EIdNotConnected);
}

TEST(EngineScripted, Final426Then226IsNoErrorAndListingIsInAsciiType)
{
    std::vector<std::string> statuses;
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        s.Expect("TYPE A");
        s.Send("200 ascii\r\n");
        s.Expect("PASV");
        const auto port = s.ListenData();
        // A foreign address in 227 must not be used.
        s.Send("227 Entering Passive Mode (10,9,8,7," + std::to_string(port / 256) + "," +
               std::to_string(port % 256) + ")\r\n");
        const int data = s.AcceptData();
        s.Expect("LIST -al");
        s.Send("150 here\r\n");
        ScriptedSession::SendData(data, "line1\r\nline2\nline3\rline4");
        ScriptedSession::CloseData(data);
        s.Send("426 aborted\r\n226 done anyway\r\n");
        s.Expect("TYPE I");
        s.Send("200 binary\r\n");
    });
    auto ftp = Client(server);
    ftp->OnStatus = [&](TIdStatus, const std::string& text) { statuses.push_back(text); };
    ftp->ConnectControl();
    ftp->Authenticate();
    std::vector<std::string> lines;
    ftp->RetrieveListing(&lines, "-al", true);
    EXPECT_EQ(lines, (std::vector<std::string>{"line1", "line2", "line3", "line4"}));
    EXPECT_EQ(statuses.back(), "Transfer aborted");
    EXPECT_EQ(server.Failure(), "");
}

TEST(EngineScripted, BadEpsvPortSendsAbor)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        s.Expect("EPSV");
        s.Send("229 Entering Extended Passive Mode (|||0|)\r\n");
        s.Expect("ABOR");
        s.Send("225 nothing to abort\r\n");
    });
    auto ftp = Client(server);
    ftp->UseExtensionDataPort = true;
    ftp->ConnectControl();
    ftp->Authenticate();
    ASSERT_TRUE(ftp->UsingExtDataPort());
    try {
        ftp->Download("x", [](const char*, std::size_t) {});
        FAIL();
    } catch (const EIdFTPServerSentInvalidPort& e) {
        EXPECT_STREQ(e.what(), "Server sent invalid port number (0)");
    }
    EXPECT_EQ(server.Failure(), "");
}

TEST(EngineScripted, EpsvRefusedFallsBackToPasvForGood)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        for (int i = 0; i < 2; ++i) {
            if (i == 0) {
                s.Expect("EPSV");
                s.Send("500 no\r\n");
            }
            ServePassiveRetr(s, "abc");
            s.Send("226 ok\r\n");
        }
    });
    auto ftp = Client(server);
    ftp->UseExtensionDataPort = true;
    ftp->ConnectControl();
    ftp->Authenticate();
    for (int i = 0; i < 2; ++i) {
        std::string got;
        ftp->Download("f", [&](const char* d, std::size_t n) { got.append(d, n); });
        EXPECT_EQ(got, "abc");
    }
    EXPECT_FALSE(ftp->UsingExtDataPort());
    EXPECT_EQ(server.Failure(), "");
}

TEST(EngineScripted, RestProbeRefusedFailsResumeOnceAndIsCached)
{
    const std::string dir = ::testing::TempDir();
    const std::string local = dir + "/tovrel-rest-probe.bin";
    {
        FILE* f = std::fopen(local.c_str(), "wb");
        std::fputs("partial", f);
        std::fclose(f);
    }
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        s.Expect("REST 1");
        s.Send("502 no restart\r\n");
        s.Expect("REST 0");
        s.Send("502 no restart\r\n");
        s.Expect("NOOP");
        s.Send("200 ok\r\n");
    });
    auto ftp = Client(server);
    ftp->ConnectControl();
    ftp->Authenticate();
    EXPECT_THROW(ftp->DownloadToFile("f", local, false, true), EIdFTPFileAlreadyExists);
    EXPECT_THROW(ftp->DownloadToFile("f", local, false, true), EIdFTPFileAlreadyExists);
    ftp->SendCommand("NOOP", 200);
    EXPECT_EQ(server.Failure(), "");
    std::remove(local.c_str());
}

TEST(EngineScripted, DroppedDataConnectionAndServerCloseAreReported)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        ServePassiveRetr(s, "abc");
        s.Send("451 connection dropped\r\n200 buffered\r\n");
    });
    auto ftp = Client(server);
    ftp->ConnectControl();
    ftp->Authenticate();
    try {
        ftp->Download("f", [](const char*, std::size_t) {});
        FAIL();
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ReplyCode(), 451);
    }
    // Buffered replies are still read after the server closed; then the close shows.
    EXPECT_EQ(ftp->ReadReplyAllowing({200}), 200);
    EXPECT_THROW(ftp->ReadReplyAllowing({200}), EIdConnClosedGracefully);
    EXPECT_FALSE(ftp->IsConnected());
}

TEST(EngineScripted, ActiveModeAnnouncesControlAddressAndUploadsWithAppe)
{
    const std::string local = ::testing::TempDir() + "/tovrel-active-up.bin";
    {
        FILE* f = std::fopen(local.c_str(), "wb");
        std::fputs("0123456789", f);
        std::fclose(f);
    }
    std::string received;
    ScriptedFtpServer server([&](ScriptedSession& s) {
        LoginScript(s);
        const std::string port = s.Expect("PORT 127,0,0,1,");
        int p1 = 0, p2 = 0;
        std::sscanf(port.c_str(), "PORT 127,0,0,1,%d,%d", &p1, &p2);
        s.Send("200 ok\r\n");
        s.Expect("APPE tovrel-active-up.bin");
        s.Send("150 go\r\n");
        const int data = s.ConnectData(static_cast<std::uint16_t>(p1 * 256 + p2));
        received = ScriptedSession::ReceiveData(data);
        ScriptedSession::CloseData(data);
        s.Send("226 stored\r\n");
    });
    auto ftp = Client(server);
    ftp->Passive = false;
    ftp->ConnectControl();
    ftp->Authenticate();
    ftp->UploadFromFile(local, "", true, 4);
    server.Join();
    EXPECT_EQ(received, "456789");
    EXPECT_EQ(server.Failure(), "");
    std::remove(local.c_str());
}

TEST(EngineScripted, MaxLineLengthAndReadTimeout)
{
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.Send(std::string(20000, 'x'));
        s.ReadCommand();
    });
    auto ftp = Client(server);
    try {
        ftp->ConnectControl();
        FAIL();
    } catch (const EIdReadLnMaxLineLengthExceeded& e) {
        EXPECT_STREQ(e.what(), "Max line length exceeded.");
    }
    EXPECT_FALSE(ftp->IsConnected());

    ScriptedFtpServer silent([](ScriptedSession& s) { s.ReadCommand(); });
    auto quiet = Client(silent);
    quiet->ReadTimeout = 200;
    EXPECT_THROW(quiet->ConnectControl(), EIdReadTimeout);
}

TEST(EngineScripted, RefusedDownloadLeavesNoEmptyFileBehind)
{
    const std::string local = ::testing::TempDir() + "/tovrel-refused.bin";
    std::remove(local.c_str());
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        s.Expect("PASV");
        const auto port = s.ListenData();
        s.Send(ScriptedSession::PasvReply(port));
        const int data = s.AcceptData();
        s.Expect("RETR f");
        s.Send("550 no such file\r\n");
        ScriptedSession::CloseData(data);
    });
    auto ftp = Client(server);
    ftp->ConnectControl();
    ftp->Authenticate();
    EXPECT_THROW(ftp->DownloadToFile("f", local, false, true), EIdReplyRFCError);
    EXPECT_EQ(std::fopen(local.c_str(), "rb"), nullptr) << "the refused download left a file";
    EXPECT_EQ(server.Failure(), "");
}

// A line break inside a name would let the server read a second command
// ("DELE b"); nothing of such a command is sent, and the connection goes on
// in step.
TEST(EngineScripted, NamesWithLineBreaksAreRefusedBeforeAnythingIsSent)
{
    const std::string local = ::testing::TempDir() + "/tovrel-linebreak.bin";
    std::remove(local.c_str());
    ScriptedFtpServer server([](ScriptedSession& s) {
        LoginScript(s);
        // The only command after the refusals: anything else fails the script.
        s.Expect("PWD");
        s.Send("257 \"/home\" is current\r\n");
    });
    auto ftp = Client(server);
    ftp->ConnectControl();
    ftp->Authenticate();
    for (const std::string bad : {"a\r\nDELE b", "a\nDELE b", "a\rDELE b"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ftp->ChangeWorkingDirectory(bad), EIdFTPLineBreakInCommand);
        EXPECT_THROW(ftp->DeleteRemoteFile(bad), EIdFTPLineBreakInCommand);
        EXPECT_THROW(ftp->RenameRemote("ok", bad), EIdFTPLineBreakInCommand);
        EXPECT_THROW(ftp->DownloadToFile(bad, local, false, true), EIdFTPLineBreakInCommand);
        EXPECT_THROW(ftp->Download(bad, [](const char*, std::size_t) {}), EIdFTPLineBreakInCommand);
    }
    EXPECT_EQ(std::fopen(local.c_str(), "rb"), nullptr) << "a refused download left a file";
    EXPECT_EQ(ftp->QueryWorkingDirectory(), "/home");
    EXPECT_EQ(server.Failure(), "");
}
