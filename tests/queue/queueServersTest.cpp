// The queue with real transfer threads against vsftpd and pyftpdlib on
// loopback: connections reused per thread, folder trees both ways, and the
// existing-file rules for every situation and answer.

#include "QueueHarness.h"

#include "queue/FTPTransfer.h"
#include "servers/ServerHost.h"
#include "servers/TestServers.h"
#include "session/CertificateTrust.h"
#include "session/TransferExceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Command lines each transfer thread sent, by the order the threads were made.
class Traffic {
public:
    TQueueManager::TThreadFactory Factory()
    {
        return [this](TQueueManager& manager) {
            auto thread = std::make_shared<TFTPTransfer>(manager);
            std::size_t index = 0;
            {
                std::lock_guard lock(mutex_);
                index = sent_.size();
                sent_.emplace_back();
            }
            thread->SetTrafficLog([this, index](const std::string& bytes) {
                std::lock_guard lock(mutex_);
                if (!bytes.empty() && std::isupper(static_cast<unsigned char>(bytes[0])) && bytes.size() > 3
                    && !std::isdigit(static_cast<unsigned char>(bytes[0])))
                    sent_[index].push_back(bytes.substr(0, bytes.find('\r')));
            });
            return thread;
        };
    }
    std::vector<std::vector<std::string>> Sent() const
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::vector<std::string> All() const
    {
        std::vector<std::string> all;
        for (const auto& lines : Sent())
            all.insert(all.end(), lines.begin(), lines.end());
        return all;
    }
    static std::size_t Count(const std::vector<std::string>& lines, const std::string& prefix)
    {
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(), [&](const auto& line) { return line.rfind(prefix, 0) == 0; }));
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> sent_;
};

void WriteTree(const std::string& root)
{
    const auto write = [&](const std::string& relative, const std::string& bytes) {
        fs::create_directories(fs::path(root + "/" + relative).parent_path());
        WriteWholeFile(root + "/" + relative, bytes);
    };
    write("tree/a.txt", "alpha\n");
    write("tree/sub/b.bin", FixtureTree::Pattern(300000, 5));
    write("tree/sub/deeper/c.txt", "gamma\n");
    fs::create_directories(root + "/tree/empty");
}

// Every regular file and folder below `root`, relative, with file contents.
std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        entries[relative] = entry.is_directory() ? std::string("<dir>") : ReadWholeFile(entry.path().string());
    }
    return entries;
}

class QueueServersTest : public ::testing::Test {
protected:
    QueueServersTest() : queue(traffic.Factory()), local(MakeTempDir("tovrel-queue-local"))
    {
        queue.Settings.Config().SetMaxFTPTransferCount(3);
        queue.Settings.Config().WriteInteger("RetryDelay", 1);
    }
    ~QueueServersTest() override
    {
        queue.Manager.reset();
        RemoveTree(local);
    }

    // Runs until `done` items completed and `failed` failed, then until idle.
    void Run(std::size_t done, std::size_t failed = 0)
    {
        queue.Manager->StartTransfers();
        ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() >= done && queue.Failed() >= failed; }))
            << "done " << queue.Done() << ", failed " << queue.Failed() << Rows();
        ASSERT_TRUE(queue.WaitIdle());
        EXPECT_EQ(queue.Done(), done);
        EXPECT_EQ(queue.Failed(), failed);
    }

    std::string Rows()
    {
        std::string rows;
        std::lock_guard lock(queue.Manager->QueueLock());
        for (const auto& item : queue.Manager->Items())
            rows += "\n" + ItemName(*item) + ": " + item->StatusText;
        return rows;
    }

    Traffic traffic;
    QueueHarness queue;
    std::string local;
};

void FiveFilesOnThreeConnections(QueueServersTest& test, Traffic& traffic, QueueHarness& queue,
                                 const std::string& local, const TestFtpServer& server)
{
    std::vector<std::string> contents;
    for (int i = 0; i < 5; ++i) {
        contents.push_back(FixtureTree::Pattern(100000 + 1000 * i, 10 + i));
        WriteWholeFile(server.Root() + "/f" + std::to_string(i) + ".bin", contents.back());
    }
    for (int i = 0; i < 5; ++i)
        queue.Manager->AddDownload(HostFor(server), "/", true, 0, static_cast<std::int64_t>(contents[i].size()), false,
                                   local, "/f" + std::to_string(i) + ".bin");
    queue.Manager->StartTransfers();
    EXPECT_EQ(queue.Manager->ThreadsStarted(), 3u);
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 5; })) << queue.Failed() << " failed";
    ASSERT_TRUE(queue.WaitIdle());
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(ReadWholeFile(local + "/f" + std::to_string(i) + ".bin") == contents[i]) << i;
    // Every thread that carried out items logged in once, whatever it carried.
    std::size_t retrieved = 0;
    for (const auto& lines : traffic.Sent()) {
        const std::size_t files = Traffic::Count(lines, "RETR");
        retrieved += files;
        EXPECT_EQ(Traffic::Count(lines, "USER"), files > 0 ? 1u : 0u);
    }
    EXPECT_EQ(retrieved, 5u);
    (void)test;
}

TEST_F(QueueServersTest, FiveScheduledFilesRunOnThreeThreadsWithOneLoginEachVsftpd)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    FiveFilesOnThreeConnections(*this, traffic, queue, local, server);
}

TEST_F(QueueServersTest, FiveScheduledFilesRunOnThreeThreadsWithOneLoginEachPyftpdlib)
{
    FixtureTree tree;
    PyftpdlibServer server(tree.Root());
    FiveFilesOnThreeConnections(*this, traffic, queue, local, server);
}

TEST_F(QueueServersTest, FiveScheduledFilesOverTlsRunOnThreeProtectedConnectionsVsftpd)
{
    FixtureTree tree;
    TestCertificateAuthority ca;
    const TrustTestAuthority trusted(ca);
    TestCertificate certificate(ca);
    VsftpdServer server(tree.Root(), &certificate);
    THost host = HostFor(server);
    host.UseSSL = true;
    std::vector<std::string> contents;
    for (int i = 0; i < 5; ++i) {
        contents.push_back(FixtureTree::Pattern(50000 + i, 20 + i));
        WriteWholeFile(local + "/up" + std::to_string(i) + ".bin", contents.back());
        queue.Manager->AddUpload(host, local, true, "/upload/", local + "/up" + std::to_string(i) + ".bin");
    }
    GiveToTestUser(tree.Root());
    Run(5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(ReadWholeFile(tree.Root() + "/upload/up" + std::to_string(i) + ".bin") == contents[i]) << i;
    for (const auto& lines : traffic.Sent()) {
        const std::size_t files = Traffic::Count(lines, "APPE");
        EXPECT_EQ(Traffic::Count(lines, "AUTH TLS"), files > 0 ? 1u : 0u);
        EXPECT_EQ(Traffic::Count(lines, "USER"), files > 0 ? 1u : 0u);
        EXPECT_EQ(Traffic::Count(lines, "PROT C"), 0u);
    }
}

TEST_F(QueueServersTest, FolderTreeDownloadsByteIdenticalWithLinksQueuedAsFiles)
{
    FixtureTree tree;
    WriteTree(tree.Root());
    fs::create_symlink("a.txt", tree.Root() + "/tree/filelink");
    fs::create_directory_symlink("sub", tree.Root() + "/tree/dirlink");
    VsftpdServer server(tree.Root());

    queue.Manager->AddDownload(HostFor(server), "/", true, 0, 0, true, local, "/tree");
    // tree, a.txt, sub, b.bin, deeper, c.txt, empty, filelink; the link to
    // a folder is fetched as a file, which the server refuses.
    Run(8, 1);
    // The folder was one item on one thread; its files used every allowed connection.
    EXPECT_GE(queue.Manager->ThreadsStarted(), 3u);
    EXPECT_EQ(ReadWholeFile(local + "/tree/a.txt"), "alpha\n");
    EXPECT_EQ(ReadWholeFile(local + "/tree/filelink"), "alpha\n");
    EXPECT_TRUE(ReadWholeFile(local + "/tree/sub/b.bin") == FixtureTree::Pattern(300000, 5));
    EXPECT_EQ(ReadWholeFile(local + "/tree/sub/deeper/c.txt"), "gamma\n");
    EXPECT_TRUE(fs::is_directory(local + "/tree/empty"));
    EXPECT_TRUE(fs::is_empty(local + "/tree/empty"));

    std::lock_guard lock(queue.Manager->QueueLock());
    ASSERT_EQ(queue.Manager->Count(), 1u);
    const TQueueItem& link = *queue.Manager->Items().front();
    EXPECT_EQ(link.RemoteFilename, "/tree/dirlink");
    EXPECT_FALSE(link.IsDirectory);
    EXPECT_EQ(link.StatusText, "Remote file doesn't exist");
}

TEST_F(QueueServersTest, FolderTreeUploadsByteIdenticalIntoNewRemoteFolders)
{
    FixtureTree tree;
    PyftpdlibServer server(tree.Root());
    WriteTree(local);
    queue.Manager->AddUpload(HostFor(server), local, true, "/upload/new/", local + "/tree");
    // tree, a.txt, sub, b.bin, deeper, c.txt, empty
    Run(7);
    EXPECT_GE(queue.Manager->ThreadsStarted(), 3u);
    EXPECT_EQ(Snapshot(tree.Root() + "/upload/new/tree"), Snapshot(local + "/tree"));
    const auto sent = traffic.All();
    EXPECT_EQ(Traffic::Count(sent, "STOR"), 0u);
    EXPECT_EQ(Traffic::Count(sent, "APPE"), 3u);
}

TEST_F(QueueServersTest, FolderTreeUploadsToVsftpd)
{
    FixtureTree tree;
    GiveToTestUser(tree.Root());
    VsftpdServer server(tree.Root());
    WriteTree(local);
    queue.Manager->AddUpload(HostFor(server), local, true, "/upload/", local + "/tree");
    Run(7);
    EXPECT_EQ(Snapshot(tree.Root() + "/upload/tree"), Snapshot(local + "/tree"));
}

// ---- existing targets -------------------------------------------------------------

struct ExistingCase {
    const char* name;
    std::int64_t existing;  // bytes of the source's prefix already at the target; -1: other, larger content
    TFileAlreadyExistsAction sameSize;
    TFileAlreadyExistsAction smaller;
    const char* conflict;  // expected conflict class, or nullptr: transferred whole
};

const std::int64_t kSize = 300000;

const ExistingCase kCases[] = {
    {"same size, ask", kSize, faeAsk, faeAsk, "same"},
    {"same size, skip", kSize, faeSkip, faeSkip, "same"},
    {"same size, resume only for smaller", kSize, faeAsk, faeResume, "same"},
    {"smaller, ask", 1000, faeAsk, faeAsk, "smaller"},
    {"smaller, skip", 1000, faeAsk, faeSkip, "smaller"},
    {"smaller, resume", 1000, faeAsk, faeResume, nullptr},
    {"larger, overwrite", -1, faeOverwrite, faeAsk, nullptr},
    {"smaller, overwrite through the same-size answer", 1000, faeOverwrite, faeAsk, nullptr},
};

bool IsConflict(const std::exception* error, const std::string& kind, bool download)
{
    if (kind == "same")
        return download ? dynamic_cast<const EFTLocalFileAlreadyExists*>(error) != nullptr
                        : dynamic_cast<const EFTRemoteFileAlreadyExists*>(error) != nullptr;
    return download ? dynamic_cast<const EFTLocalFileSmallerAlreadyExists*>(error) != nullptr
                    : dynamic_cast<const EFTRemoteFileSmallerAlreadyExists*>(error) != nullptr;
}

std::string Existing(const std::string& source, std::int64_t existing)
{
    return existing < 0 ? std::string(400000, 'z') : source.substr(0, static_cast<std::size_t>(existing));
}

TEST(QueueExistingFiles, DownloadFollowsTheItemsAnswerForEachSituation)
{
    FixtureTree tree;
    VsftpdServer server(tree.Root());
    const std::string source = ReadWholeFile(tree.Root() + "/data.bin");
    ASSERT_EQ(static_cast<std::int64_t>(source.size()), kSize);
    for (const ExistingCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Traffic traffic;
        QueueHarness queue(traffic.Factory());
        const std::string local = MakeTempDir("tovrel-queue-exists");
        const std::string before = Existing(source, c.existing);
        WriteWholeFile(local + "/data.bin", before);
        queue.Manager->SetDownloadSameSizeDefault(c.sameSize);
        queue.Manager->SetDownloadSmallerDefault(c.smaller);
        TQueueItem& item = queue.Manager->AddDownload(HostFor(server), "/", true, 0, kSize, false, local, "/data.bin");
        queue.Manager->StartTransfers();
        ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() + queue.Failed() == 1; }));
        ASSERT_TRUE(queue.WaitIdle());
        if (c.conflict) {
            ASSERT_EQ(queue.Failed(), 1u);
            EXPECT_TRUE(IsConflict(item.LastError.get(), c.conflict, true)) << item.StatusText;
            EXPECT_EQ(item.StatusText, "The local file already exists.");
            EXPECT_EQ(item.RetryCount, 0);
            EXPECT_TRUE(ReadWholeFile(local + "/data.bin") == before);  // untouched
            const auto& error = dynamic_cast<const EFTPFileAlreadyExistsException&>(*item.LastError);
            EXPECT_EQ(error.LocalSize(), c.existing);
            EXPECT_EQ(error.RemoteSize(), kSize);
        } else {
            ASSERT_EQ(queue.Done(), 1u) << (queue.Failed() ? "failed" : "");
            EXPECT_TRUE(ReadWholeFile(local + "/data.bin") == source);
            EXPECT_EQ(Traffic::Count(traffic.All(), "REST " + std::to_string(c.existing)),
                      c.smaller == faeResume ? 1u : 0u);
        }
        queue.Manager.reset();
        RemoveTree(local);
    }
}

TEST(QueueExistingFiles, UploadFollowsTheItemsAnswerForEachSituation)
{
    FixtureTree tree;
    PyftpdlibServer server(tree.Root());
    const std::string local = MakeTempDir("tovrel-queue-exists");
    const std::string source = FixtureTree::Pattern(kSize, 9);
    WriteWholeFile(local + "/data.bin", source);
    const std::string target = tree.Root() + "/upload/data.bin";
    for (const ExistingCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Traffic traffic;
        QueueHarness queue(traffic.Factory());
        const std::string before = Existing(source, c.existing);
        WriteWholeFile(target, before);
        queue.Manager->SetUploadSameSizeDefault(c.sameSize);
        queue.Manager->SetUploadSmallerDefault(c.smaller);
        TQueueItem& item = queue.Manager->AddUpload(HostFor(server), local, true, "/upload/", local + "/data.bin");
        queue.Manager->StartTransfers();
        ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() + queue.Failed() == 1; }));
        ASSERT_TRUE(queue.WaitIdle());
        const auto sent = traffic.All();
        EXPECT_EQ(Traffic::Count(sent, "STOR"), 0u);
        // "SIZE" answers the question; no listing of the folder is needed.
        EXPECT_EQ(Traffic::Count(sent, "LIST"), 0u);
        if (c.conflict) {
            ASSERT_EQ(queue.Failed(), 1u);
            EXPECT_TRUE(IsConflict(item.LastError.get(), c.conflict, false)) << item.StatusText;
            EXPECT_EQ(item.StatusText, "The remote file already exists.");
            EXPECT_TRUE(ReadWholeFile(target) == before);
            EXPECT_EQ(Traffic::Count(sent, "APPE"), 0u);
            const auto& error = dynamic_cast<const EFTPFileAlreadyExistsException&>(*item.LastError);
            EXPECT_EQ(error.RemoteSize(), static_cast<std::int64_t>(before.size()));
            EXPECT_FALSE(error.RemoteTime().empty());  // from "MDTM"
        } else {
            ASSERT_EQ(queue.Done(), 1u) << item.StatusText;
            EXPECT_TRUE(ReadWholeFile(target) == source);
            EXPECT_EQ(Traffic::Count(sent, "APPE data.bin"), 1u);
            EXPECT_EQ(Traffic::Count(sent, "DELE"), c.sameSize == faeOverwrite ? 1u : 0u);
        }
        queue.Manager.reset();
    }
    // A new file: no conflict, "APPE" from the start.
    fs::remove(target);
    Traffic traffic;
    QueueHarness queue(traffic.Factory());
    queue.Manager->AddUpload(HostFor(server), local, true, "/upload/", local + "/data.bin");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; })) << queue.Failed();
    EXPECT_TRUE(ReadWholeFile(target) == source);
    queue.Manager.reset();
    RemoveTree(local);
}


// An untrusted certificate meets every transfer thread of a queue at once:
// the first asks (handed over to the owner thread, as the window does), the
// others wait for that answer. "Trust this time" lets the whole queue go on.
TEST_F(QueueServersTest, FiveHundredFilesOnAnUntrustedServerAskOnce)
{
    FixtureTree tree;
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 500; ++i)
        files.push_back({"many/f" + std::to_string(i) + ".txt", "file " + std::to_string(i) + "\n"});
    WriteFiles(tree.Root(), files);
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    THost host = HostFor(server);
    host.UseSSL = true;
    TCertificateTrust trust;
    std::atomic<int> asked{0};
    trust.SetAsk([&](const TTrustQuestion& question) {
        TTrustAnswer answer = taCancel;
        queue.Dispatcher.Send([&] {
            ++asked;
            // The user takes a moment; the other threads meet the open question.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (question.Certificate.FingerprintSHA256 == certificate.FingerprintSHA256())
                answer = taTrustThisTime;
        });
        return answer;
    });
    TCertificateTrust::SetInstance(&trust);
    for (const auto& [path, bytes] : files)
        queue.Manager->AddDownload(host, "/", true, 0, 0, false, local, "/" + path);
    Run(500);
    TCertificateTrust::SetInstance(nullptr);
    EXPECT_EQ(asked.load(), 1);
    EXPECT_EQ(ReadWholeFile(local + "/many/f499.txt"), "file 499\n");
    EXPECT_EQ(Traffic::Count(traffic.All(), "USER"), queue.Manager->ThreadsStarted());
}

// "Cancel" fails every item of that server with the reason, asks once
// (items tried again fail at once), and no credentials ever go out.
TEST_F(QueueServersTest, CancelFailsTheItemsOfTheUntrustedServerWithTheReason)
{
    FixtureTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    THost host = HostFor(server);
    host.UseSSL = true;
    TCertificateTrust trust;
    std::atomic<int> asked{0};
    trust.SetAsk([&](const TTrustQuestion&) {
        ++asked;
        return taCancel;
    });
    TCertificateTrust::SetInstance(&trust);
    for (const char* name : {"/hello.txt", "/data.bin", "/sub/inner.txt", "/empty.bin"})
        queue.Manager->AddDownload(host, "/", true, 0, 0, false, local, name);
    queue.Manager->StartTransfers();
    // Each item fails twice: its attempt and its one retry.
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() >= 4; })) << Rows();
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(asked.load(), 1);
    // The retry (the queue's once-a-second tick): the refusal holds for this
    // run without a new question.
    queue.Manager->TickRetryDelays();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() >= 8; })) << Rows();
    ASSERT_TRUE(queue.WaitIdle());
    TCertificateTrust::SetInstance(nullptr);
    EXPECT_EQ(asked.load(), 1);
    EXPECT_EQ(queue.Done(), 0u);
    EXPECT_EQ(Traffic::Count(traffic.All(), "USER"), 0u) << "nothing sent to a refused server";
    std::lock_guard lock(queue.Manager->QueueLock());
    for (const auto& item : queue.Manager->Items())
        EXPECT_EQ(item->StatusText, "The server's certificate was not accepted.") << ItemName(*item);
}

// A question nobody answers must not hold the queue: stopping it ends the
// waits of the other threads, and a shutdown of the trust (the window
// closing) ends the rest.
TEST_F(QueueServersTest, StopAndShutdownEndTheWaitsForAnOpenQuestion)
{
    FixtureTree tree;
    TestCertificate certificate;
    VsftpdServer server(tree.Root(), &certificate);
    THost host = HostFor(server);
    host.UseSSL = true;
    TCertificateTrust trust;
    std::mutex mutex;
    std::condition_variable answered;
    bool release = false;
    std::atomic<int> asked{0};
    trust.SetAsk([&](const TTrustQuestion&) {
        ++asked;
        std::unique_lock lock(mutex);
        answered.wait_for(lock, std::chrono::seconds(60), [&] { return release; });
        return taCancel;
    });
    TCertificateTrust::SetInstance(&trust);
    for (const char* name : {"/hello.txt", "/data.bin", "/sub/inner.txt"})
        queue.Manager->AddDownload(host, "/", true, 0, 0, false, local, name);
    queue.Manager->StartTransfers();
    // Nothing reaches the dispatcher while the question is open: look each second.
    for (int second = 0; second < 60 && asked.load() == 0; ++second)
        queue.WaitFor([&] { return asked.load() == 1; }, 1);
    ASSERT_EQ(asked.load(), 1);
    queue.Manager->StopAll();
    trust.Shutdown();
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    answered.notify_all();
    EXPECT_TRUE(queue.WaitIdle(20));
    TCertificateTrust::SetInstance(nullptr);
    EXPECT_EQ(asked.load(), 1);
    EXPECT_EQ(Traffic::Count(traffic.All(), "USER"), 0u);
}

} // namespace
