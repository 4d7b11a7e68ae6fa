// Downloads into files and uploads from files of several MiB against real
// servers: the bytes, the progress counts, an abort from another thread, a
// local write failure, and the resume that follows each.
#include "ftp/FTP.h"
#include "ftp/IOHandlerStack.h"
#include "ftp/IdExceptions.h"
#include "servers/TestServers.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

namespace {

enum class Kind { Vsftpd, Pyftpdlib };
struct Param {
    Kind kind;
    bool passive;
};

std::string Name(const testing::TestParamInfo<Param>& info)
{
    return std::string(info.param.kind == Kind::Vsftpd ? "vsftpd" : "pyftpdlib") +
           (info.param.passive ? "_passive" : "_active");
}

constexpr std::size_t kFileSize = 6 * 1024 * 1024 + 123;

class EngineFileData : public testing::TestWithParam<Param> {
protected:
    void SetUp() override
    {
        tree_ = std::make_unique<FixtureTree>();
        content_ = FixtureTree::Pattern(kFileSize, 11);
        WriteWholeFile(tree_->Root() + "/six.bin", content_);
        if (GetParam().kind == Kind::Vsftpd)
            server_ = std::make_unique<VsftpdServer>(tree_->Root());
        else
            server_ = std::make_unique<PyftpdlibServer>(tree_->Root());
        local_ = MakeTempDir("tovrel-ftp-filedata-");
    }

    void TearDown() override
    {
        server_.reset();
        RemoveTree(local_);
    }

    std::unique_ptr<TIdFTP> Login()
    {
        auto ftp = std::make_unique<TIdFTP>();
        ftp->Host = "127.0.0.1";
        ftp->Port = server_->Port();
        ftp->Username = server_->User();
        ftp->Password = server_->Password();
        ftp->Passive = GetParam().passive;
        ftp->AutoLogin = false;
        ftp->ReadTimeout = 30000;
        ftp->TransferTimeout = 30000;
        auto io = std::make_unique<TIdIOHandlerStack>();
        io->Intercept = std::make_shared<TIdConnectionIntercept>();
        io->Intercept->OnSend = [this](std::string& bytes) { sent_.push_back(bytes.substr(0, bytes.size() - 2)); };
        ftp->SetIOHandler(std::move(io));
        ftp->ConnectControl();
        ftp->Authenticate();
        return ftp;
    }

    /// Resumes six.bin into `path` on a fresh connection (the failed one
    /// still owes a reply) and checks the result and the REST offset.
    void ResumeAndCompare(const std::string& path)
    {
        const std::string before = ReadWholeFile(path);
        ASSERT_GT(before.size(), 0u);
        ASSERT_LT(before.size(), content_.size());
        EXPECT_EQ(before, content_.substr(0, before.size())) << "the bytes kept are the file's start";
        sent_.clear();
        Login()->DownloadToFile("six.bin", path, false, true);
        EXPECT_EQ(ReadWholeFile(path), content_);
        EXPECT_NE(std::find(sent_.begin(), sent_.end(), "REST " + std::to_string(before.size())), sent_.end());
    }

    std::unique_ptr<FixtureTree> tree_;
    std::unique_ptr<TestFtpServer> server_;
    std::string content_;
    std::string local_;
    std::vector<std::string> sent_;
};

/// Records work events and checks they are cumulative and bounded by the
/// block size.
struct WorkLog {
    int begins = 0;
    int ends = 0;
    std::int64_t expected = -1;
    std::vector<std::int64_t> counts;

    void Attach(TIdFTP& ftp)
    {
        ftp.OnWorkBegin = [this](TWorkMode, std::int64_t total) {
            ++begins;
            expected = total;
        };
        ftp.OnWork = [this](TWorkMode, std::int64_t count) { counts.push_back(count); };
        ftp.OnWorkEnd = [this](TWorkMode) { ++ends; };
    }
    void Check(std::int64_t total, std::int64_t block) const
    {
        EXPECT_EQ(begins, 1);
        EXPECT_EQ(ends, 1);
        ASSERT_FALSE(counts.empty());
        EXPECT_EQ(counts.back(), total);
        std::int64_t last = 0;
        for (const std::int64_t count : counts) {
            EXPECT_GT(count, last);
            EXPECT_LE(count - last, block);
            last = count;
        }
    }
};

}  // namespace

TEST_P(EngineFileData, FilesTravelWholeWithCumulativeProgress)
{
    auto ftp = Login();
    ftp->DataBufferSize = 512 * 1024;
    WorkLog download;
    download.Attach(*ftp);
    ftp->DownloadToFile("six.bin", local_ + "/six.bin", false, true);
    EXPECT_EQ(ReadWholeFile(local_ + "/six.bin"), content_);
    download.Check(static_cast<std::int64_t>(kFileSize), 512 * 1024);

    WorkLog upload;
    upload.Attach(*ftp);
    ftp->UploadFromFile(local_ + "/six.bin", "upload/six.bin", false, 0);
    EXPECT_EQ(ReadWholeFile(tree_->Root() + "/upload/six.bin"), content_);
    EXPECT_EQ(upload.expected, static_cast<std::int64_t>(kFileSize));
    upload.Check(static_cast<std::int64_t>(kFileSize), 512 * 1024);

    // A data channel intercept sees every byte, in both directions.
    std::size_t seenReceived = 0;
    std::size_t seenSent = 0;
    ftp->OnDataChannelCreate = [&](TIdIOHandler& data) {
        data.Intercept = std::make_shared<TIdConnectionIntercept>();
        data.Intercept->OnReceive = [&](std::string& bytes) { seenReceived += bytes.size(); };
        data.Intercept->OnSend = [&](std::string& bytes) { seenSent += bytes.size(); };
    };
    ftp->DownloadToFile("six.bin", local_ + "/again.bin", false, true);
    EXPECT_EQ(ReadWholeFile(local_ + "/again.bin"), content_);
    EXPECT_EQ(seenReceived, kFileSize);
    ftp->UploadFromFile(local_ + "/again.bin", "upload/again.bin", false, 0);
    EXPECT_EQ(ReadWholeFile(tree_->Root() + "/upload/again.bin"), content_);
    EXPECT_EQ(seenSent, kFileSize);
}

TEST_P(EngineFileData, DownloadAbortedFromAnotherThreadKeepsItsBytesForResume)
{
    auto ftp = Login();
    ftp->DataBufferSize = 256 * 1024;
    // The transfer waits in its progress event until the other thread has
    // closed the data channel, so the abort lands mid-transfer.
    std::mutex mutex;
    std::condition_variable changed;
    bool halfway = false;
    bool closed = false;
    ftp->OnWork = [&](TWorkMode, std::int64_t count) {
        if (count < 1024 * 1024 || halfway)
            return;
        std::unique_lock lock(mutex);
        halfway = true;
        changed.notify_all();
        changed.wait(lock, [&] { return closed; });
    };
    std::thread aborter([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return halfway; });
        ftp->CloseDataChannel();
        closed = true;
        changed.notify_all();
    });
    const std::string path = local_ + "/six.bin";
    EXPECT_THROW(ftp->DownloadToFile("six.bin", path, false, true), EIdException);
    aborter.join();
    ftp.reset();
    ResumeAndCompare(path);
}

TEST_P(EngineFileData, LocalWriteFailureKeepsWhatWasWrittenForResume)
{
    // The file size limit stands in for a full disk: writes stop at 1 MiB.
    const std::string path = local_ + "/six.bin";
    auto ftp = Login();
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 1024 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message;
    try {
        ftp->DownloadToFile("six.bin", path, false, true);
    } catch (const EIdException& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find("Cannot write the local file"), std::string::npos) << message;
    EXPECT_EQ(ReadWholeFile(path).size(), 1024u * 1024u);
    ftp.reset();
    ResumeAndCompare(path);
}

INSTANTIATE_TEST_SUITE_P(Servers, EngineFileData,
                         testing::Values(Param{Kind::Vsftpd, true}, Param{Kind::Vsftpd, false},
                                         Param{Kind::Pyftpdlib, true}),
                         Name);
