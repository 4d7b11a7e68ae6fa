// The engine against real servers (vsftpd, pyftpdlib) on loopback, in
// passive and active mode.
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

enum class Kind { Vsftpd, Pyftpdlib };
struct Param {
    Kind kind;
    bool passive;
    bool extended;
};

std::string Name(const testing::TestParamInfo<Param>& info)
{
    return std::string(info.param.kind == Kind::Vsftpd ? "vsftpd" : "pyftpdlib") +
           (info.param.passive ? "_passive" : "_active") + (info.param.extended ? "_ext" : "");
}

class EngineServers : public testing::TestWithParam<Param> {
protected:
    static void SetUpTestSuite() {}

    void SetUp() override
    {
        tree_ = std::make_unique<FixtureTree>();
        if (GetParam().kind == Kind::Vsftpd)
            server_ = std::make_unique<VsftpdServer>(tree_->Root());
        else
            server_ = std::make_unique<PyftpdlibServer>(tree_->Root());
        local_ = MakeTempDir("tovrel-ftp-local-");
    }

    void TearDown() override
    {
        ftp_.reset();
        server_.reset();
        RemoveTree(local_);
    }

    TIdFTP& Login(const std::string& user = {}, const std::string& password = {})
    {
        ftp_ = std::make_unique<TIdFTP>();
        ftp_->Host = "127.0.0.1";
        ftp_->Port = server_->Port();
        ftp_->Username = user.empty() ? server_->User() : user;
        ftp_->Password = user.empty() ? server_->Password() : password;
        ftp_->Passive = GetParam().passive;
        ftp_->UseExtensionDataPort = GetParam().extended;
        ftp_->AutoLogin = false;
        ftp_->ReadTimeout = 30000;
        ftp_->TransferTimeout = 30000;
        auto io = std::make_unique<TIdIOHandlerStack>();
        io->Intercept = std::make_shared<TIdConnectionIntercept>();
        io->Intercept->OnSend = [this](std::string& bytes) { sent_.push_back(bytes.substr(0, bytes.size() - 2)); };
        ftp_->SetIOHandler(std::move(io));
        ftp_->ConnectControl();
        ftp_->Authenticate();
        return *ftp_;
    }

    std::unique_ptr<FixtureTree> tree_;
    std::unique_ptr<TestFtpServer> server_;
    std::unique_ptr<TIdFTP> ftp_;
    std::string local_;
    std::vector<std::string> sent_;
};

bool Contains(const std::vector<std::string>& lines, const std::string& needle)
{
    for (const auto& line : lines)
        if (line.find(needle) != std::string::npos)
            return true;
    return false;
}

}  // namespace

TEST_P(EngineServers, LoginAsUserAndAnonymous)
{
    TIdFTP& ftp = Login();
    EXPECT_EQ(ftp.Greeting().NumericCode(), 220);
    EXPECT_EQ(ftp.LoginReply().NumericCode(), 230);
    EXPECT_EQ(sent_.back(), "TYPE I");
    EXPECT_EQ(ftp.QueryWorkingDirectory(), "/");
    EXPECT_TRUE(HasCapability(ftp.Capabilities(), "SIZE"));
    ftp.CloseConnection();
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(Contains(sent_, "QUIT"));

    TIdFTP& anonymous = Login("anonymous", "guest@example.com");
    EXPECT_EQ(anonymous.LoginReply().NumericCode(), 230);
}

TEST_P(EngineServers, WrongPasswordIsReply530)
{
    try {
        Login(server_->User(), "wrong-password");
        FAIL() << "login succeeded";
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ReplyCode(), 530);
    }
}

TEST_P(EngineServers, ListingInAsciiTypeWithRawLines)
{
    TIdFTP& ftp = Login();
    std::vector<std::string> lines;
    ftp.RetrieveListing(&lines, "-al", true);
    EXPECT_TRUE(Contains(lines, "hello.txt"));
    EXPECT_TRUE(Contains(lines, "sub"));
    EXPECT_EQ(lines, ftp.ListResult());
    bool found = false;
    for (const auto& item : ftp.ListingItems())
        found = found || item.FileName() == "data.bin";
    EXPECT_TRUE(found) << ftp.ListingFormat();
    std::vector<std::string> types;
    for (const auto& c : sent_)
        if (c.rfind("TYPE", 0) == 0 || c.rfind("LIST", 0) == 0)
            types.push_back(c);
    EXPECT_EQ(types, (std::vector<std::string>{"TYPE I", "TYPE A", "LIST -al", "TYPE I"}));
    EXPECT_EQ(Contains(sent_, "EPSV") || Contains(sent_, "EPRT"), GetParam().extended);
    // The control connection is still usable.
    ftp.ChangeWorkingDirectory("sub");
    EXPECT_EQ(ftp.QueryWorkingDirectory(), "/sub");
    try {
        ftp.ChangeWorkingDirectory("/missing");
        FAIL();
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ReplyCode(), 550);
    }
    EXPECT_EQ(ftp.QueryWorkingDirectory(), "/sub");
}

TEST_P(EngineServers, DownloadsAreByteIdenticalIncludingEmptyAndResumed)
{
    TIdFTP& ftp = Login();
    const std::string expected = ReadWholeFile(tree_->Root() + "/data.bin");
    ftp.DownloadToFile("data.bin", local_ + "/data.bin", false, true);
    EXPECT_EQ(ReadWholeFile(local_ + "/data.bin"), expected);

    ftp.DownloadToFile("empty.bin", local_ + "/empty.bin", false, true);
    EXPECT_EQ(ReadWholeFile(local_ + "/empty.bin"), "");

    WriteWholeFile(local_ + "/part.bin", expected.substr(0, 123457));
    ftp.DownloadToFile("data.bin", local_ + "/part.bin", false, true);
    EXPECT_EQ(ReadWholeFile(local_ + "/part.bin"), expected);
    EXPECT_TRUE(Contains(sent_, "REST 123457"));

    int works = 0;
    std::int64_t last = 0;
    ftp.OnWork = [&](TWorkMode mode, std::int64_t count) {
        EXPECT_EQ(mode, wmRead);
        EXPECT_GE(count, last);
        last = count;
        ++works;
    };
    std::string sink;
    ftp.Download("data.bin", [&](const char* d, std::size_t n) { sink.append(d, n); });
    EXPECT_EQ(sink, expected);
    EXPECT_EQ(last, static_cast<std::int64_t>(expected.size()));
    EXPECT_GT(works, 0);
}

TEST_P(EngineServers, UploadAppendsFromOffset)
{
    TIdFTP& ftp = Login();
    const std::string content = FixtureTree::Pattern(250000, 7);
    WriteWholeFile(local_ + "/first.bin", content.substr(0, 100000));
    WriteWholeFile(local_ + "/whole.bin", content);
    ftp.UploadFromFile(local_ + "/first.bin", "upload/up.bin", true, 0);
    ftp.UploadFromFile(local_ + "/whole.bin", "upload/up.bin", true, 100000);
    EXPECT_EQ(ReadWholeFile(tree_->Root() + "/upload/up.bin"), content);
    EXPECT_EQ(ftp.QueryRemoteSize("upload/up.bin"), 250000);

    WriteWholeFile(local_ + "/none.bin", "");
    ftp.UploadFromFile(local_ + "/none.bin", "upload/none.bin", false, 0);
    EXPECT_EQ(ftp.QueryRemoteSize("upload/none.bin"), 0);
}

TEST_P(EngineServers, SizeOfHugeFileAndOfFolder)
{
    TIdFTP& ftp = Login();
    EXPECT_EQ(ftp.QueryRemoteSize("big.sparse"), 3ll << 30);
    EXPECT_EQ(ftp.QueryRemoteSize("missing.bin"), -1);
    EXPECT_TRUE(ftp.SupportsRestart());
}

TEST_P(EngineServers, DownloadAbortedFromAnotherThread)
{
    TIdFTP& ftp = Login();
    std::atomic<std::int64_t> received{0};
    std::thread aborter([&] {
        while (received < 4 * 1024 * 1024)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ftp.CloseDataChannel();
    });
    EXPECT_THROW(ftp.Download("big.sparse", [&](const char*, std::size_t n) { received += static_cast<std::int64_t>(n); }),
                 EIdException);
    aborter.join();
    EXPECT_LT(received.load(), 3ll << 30);
}

TEST_P(EngineServers, ConnectionClosedFromAnotherThread)
{
    TIdFTP& ftp = Login();
    std::atomic<bool> started{false};
    std::thread closer([&] {
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ftp.CloseConnection();
    });
    EXPECT_THROW(ftp.Download("big.sparse", [&](const char*, std::size_t) { started = true; }), EIdException);
    closer.join();
    ftp.CloseConnection();
    EXPECT_FALSE(ftp.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, EngineServers,
                         testing::Values(Param{Kind::Vsftpd, true, false}, Param{Kind::Vsftpd, false, false},
                                         Param{Kind::Vsftpd, true, true}, Param{Kind::Vsftpd, false, true},
                                         Param{Kind::Pyftpdlib, true, false}, Param{Kind::Pyftpdlib, false, false},
                                         Param{Kind::Pyftpdlib, true, true}),
                         Name);

TEST(EngineErrors, RefusedAndUnknownHost)
{
    TIdFTP ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = FreeLoopbackPort();
    try {
        ftp.ConnectControl();
        FAIL();
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode(), 10061);
    }
    ftp.Host = "no-such-host.invalid";
    try {
        ftp.ConnectControl();
        FAIL();
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode(), 11001);
        EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
    }
}
