// Real transfer threads against a fake server for what real servers do not
// do on demand: a download cut short, an upload kept short, names that
// would leave the local folder, a transfer that never ends.

#include "FakeFtpServer.h"
#include "QueueHarness.h"

#include "servers/TestServers.h"
#include "session/TransferExceptions.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&](const auto& line) { return line.find(text) != std::string::npos; });
}

class QueueFailureTest : public ::testing::Test {
protected:
    QueueFailureTest() : local(MakeTempDir("tovrel-queue-local"))
    {
        queue.Settings.Config().SetMaxFTPTransferCount(1);
        queue.Settings.Config().WriteInteger("RetryDelay", 1);
        queue.Settings.Config().WriteInteger("MaxRetryCount", 3);
        host.Hostname = "127.0.0.1";
        host.Port = server.Port();
        host.Username = "user";
        host.Password = "secret";
        host.Passive = true;
    }
    ~QueueFailureTest() override
    {
        queue.Manager.reset();
        RemoveTree(local);
    }

    FakeFtpServer server;
    QueueHarness queue;
    THost host;
    std::string local;
};

TEST_F(QueueFailureTest, DownloadCutByTheServerFailsThenResumesWithRest)
{
    const std::string content = FixtureTree::Pattern(200000, 7);
    server.SetFile("/big.bin", content);
    // First connection: 80 000 bytes, then "426" and "226" as some servers
    // do when the data connection breaks. Later ones serve the rest.
    server.OnRetr([&](ScriptedSession& s, int data, const FakeFtpServer::Retr& request) {
        if (request.Connection == 1) {
            FakeFtpServer::SendAll(data, content.substr(0, 80000));
            ScriptedSession::CloseData(data);
            s.Send("426 connection closed; transfer aborted\r\n226 done\r\n");
            return;
        }
        FakeFtpServer::SendAll(data, content.substr(static_cast<std::size_t>(request.Offset)));
        ScriptedSession::CloseData(data);
        s.Send("226 done\r\n");
    });
    queue.Manager->SetDownloadSmallerDefault(faeResume);
    TQueueItem& item = queue.Manager->AddDownload(host, "/", true, 0, 200000, false, local, "/big.bin");
    queue.Manager->StartTransfers();

    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 1; }));
    EXPECT_EQ(item.Status, qsFailed);
    EXPECT_EQ(item.RetryCount, 1);
    EXPECT_EQ(item.RetryDelayLeft, 1);
    EXPECT_EQ(queue.Done(), 0u);
    // What arrived stays for the resume.
    EXPECT_EQ(fs::file_size(local + "/big.bin"), 80000u);

    queue.Manager->TickRetryDelays();  // the one-second timer of the queue view
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    EXPECT_EQ(ReadWholeFile(local + "/big.bin"), content);
    EXPECT_TRUE(Contains(server.Commands(), ": REST 80000"));
    EXPECT_FALSE(Contains(server.Commands(), "STOR"));
}

TEST_F(QueueFailureTest, UploadTheServerKeptShortFailsAndTheRetryResumesIt)
{
    const std::string content = FixtureTree::Pattern(200000, 3);
    WriteWholeFile(local + "/data.bin", content);
    server.KeepOnAppend(50000);  // "226" all the same
    queue.Manager->SetUploadSmallerDefault(faeResume);
    TQueueItem& item = queue.Manager->AddUpload(host, local, true, "/up/", local + "/data.bin");
    queue.Manager->StartTransfers();

    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 1; }));
    EXPECT_EQ(item.Status, qsFailed);
    EXPECT_NE(item.StatusText.find("50000"), std::string::npos) << item.StatusText;
    EXPECT_EQ(queue.Done(), 0u);

    server.KeepOnAppend(-1);
    queue.Manager->TickRetryDelays();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 1; }));
    EXPECT_EQ(server.File("/up/data.bin"), content);
    const auto commands = server.Commands();
    EXPECT_TRUE(Contains(commands, "2: APPE data.bin"));
    EXPECT_FALSE(Contains(commands, "STOR"));
}

// Without "SIZE" the existence check lists the name; with it, a "550"
// means the name is free and no listing is made.
TEST_F(QueueFailureTest, UploadChecksTheTargetWithSizeAndListsOnlyWhenTheServerCannotTell)
{
    WriteWholeFile(local + "/data.bin", FixtureTree::Pattern(5000, 4));
    WriteWholeFile(local + "/new.bin", "fresh");
    server.SetFile("/up/data.bin", std::string(1000, 'a'));
    server.SetListing("/up/data.bin", {FakeFtpServer::FileLine("data.bin", 1000)});
    server.SetSizeSupported(false);
    TQueueItem& existing = queue.Manager->AddUpload(host, local, true, "/up/", local + "/data.bin");
    queue.Manager->AddUpload(host, local, true, "/up/", local + "/new.bin");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 1 && queue.Done() == 1; }));
    ASSERT_TRUE(queue.WaitIdle());
    ASSERT_NE(dynamic_cast<const EFTRemoteFileSmallerAlreadyExists*>(existing.LastError.get()), nullptr)
        << existing.StatusText;
    const auto& error = dynamic_cast<const EFTPFileAlreadyExistsException&>(*existing.LastError);
    EXPECT_EQ(error.RemoteSize(), 1000);
    EXPECT_EQ(server.File("/up/data.bin"), std::string(1000, 'a'));
    EXPECT_EQ(server.File("/up/new.bin"), "fresh");
    EXPECT_TRUE(Contains(server.Commands(), "LIST data.bin"));

    server.SetSizeSupported(true);
    const std::size_t before = server.Commands().size();
    WriteWholeFile(local + "/other.bin", "other");
    queue.Manager->AddUpload(host, local, true, "/up/", local + "/other.bin");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 2; }));
    const auto commands = server.Commands();
    const std::vector<std::string> later(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end());
    EXPECT_TRUE(Contains(later, "SIZE other.bin"));
    EXPECT_FALSE(Contains(later, "LIST"));
    EXPECT_EQ(server.File("/up/other.bin"), "other");
}

TEST_F(QueueFailureTest, RemoteNamesThatWouldLeaveTheLocalFolderAreRefusedAndNamed)
{
    server.SetListing("/dir", {FakeFtpServer::DirLine("."), FakeFtpServer::DirLine(".."),
                               FakeFtpServer::FileLine("ok.txt", 6), FakeFtpServer::FileLine("../escape", 6),
                               FakeFtpServer::FileLine("..\\evil", 6)});
    server.SetFile("/dir/ok.txt", "hello\n");
    server.SetFile("/escape", "owned\n");
    const std::string root = local + "/into";
    // The folder's contents go straight into the local root, so "../escape"
    // would land next to it.
    queue.Manager->AddDownload(host, "/dir/", true, 0, 0, true, root, "/dir/");
    queue.Manager->StartTransfers();

    ASSERT_TRUE(queue.WaitFor([&] { return queue.Done() == 2; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(ReadWholeFile(root + "/ok.txt"), "hello\n");
    EXPECT_FALSE(fs::exists(local + "/escape"));
    EXPECT_FALSE(fs::exists(root + "/..\\evil"));
    EXPECT_FALSE(Contains(server.Commands(), "escape"));

    std::vector<std::string> refused;
    std::lock_guard lock(queue.Manager->QueueLock());
    for (const auto& item : queue.Manager->Items()) {
        EXPECT_EQ(item->Status, qsFailed);
        EXPECT_FALSE(item->Scheduled);
        refused.push_back(item->StatusText);
    }
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_NE(refused[0].find("\"../escape\""), std::string::npos) << refused[0];
    EXPECT_NE(refused[1].find("\"..\\evil\""), std::string::npos) << refused[1];

    // Played again, a refused row fails at once and still writes nothing.
    queue.Manager->PlayAll();
    ASSERT_TRUE(queue.WaitFor([&] { return queue.Failed() == 2; }));
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_FALSE(fs::exists(local + "/escape"));
    // Nothing to save for such rows: a saved queue loads back cleanly.
    queue.Manager->SaveToFile(local + "/Queue.xml");
    EXPECT_EQ(ReadWholeFile(local + "/Queue.xml").find("escape"), std::string::npos);
}

class QueueStopTest : public QueueFailureTest {
protected:
    QueueStopTest()
    {
        // A download that never ends until the client lets go.
        server.OnRetr([](ScriptedSession&, int data, const FakeFtpServer::Retr&) {
            const std::string chunk(64 * 1024, 'x');
            while (FakeFtpServer::SendAll(data, chunk)) {
            }
            ScriptedSession::CloseData(data);
        });
        server.SetFile("/endless.bin", "");
    }
    TQueueItem& StartEndless()
    {
        TQueueItem& item = queue.Manager->AddDownload(host, "/", true, 0, 1LL << 40, false, local, "/endless.bin");
        queue.Manager->StartTransfers();
        EXPECT_TRUE(queue.WaitFor([&] { return item.Status == qsTransferring && item.BytesDone() > 0; }));
        return item;
    }
};

TEST_F(QueueStopTest, StoppingARunningItemCutsItAndNothingReportsAfterwards)
{
    TQueueItem& item = StartEndless();
    queue.Manager->StopItem(item);
    EXPECT_EQ(item.Status, qsStopped);
    EXPECT_EQ(item.StatusText, "Transfer stopped.");
    const auto statuses = queue.StatusesOf(&item);
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_EQ(queue.StatusesOf(&item), statuses);
    EXPECT_EQ(item.StatusText, "Transfer stopped.");
    EXPECT_FALSE(item.Scheduled);
    EXPECT_EQ(queue.Manager->Count(), 1u);
    EXPECT_EQ(queue.Done(), 0u);
    EXPECT_GT(fs::file_size(local + "/endless.bin"), 0u);  // kept for a resume
}

TEST_F(QueueStopTest, DeletingARunningItemRemovesTheRowAtOnce)
{
    TQueueItem& item = StartEndless();
    std::weak_ptr<TQueueItem> held = queue.Manager->Find(&item);
    queue.Manager->RemoveItem(item);
    EXPECT_EQ(queue.Manager->Count(), 0u);
    ASSERT_TRUE(queue.WaitIdle());
    EXPECT_TRUE(held.expired());
    EXPECT_EQ(queue.Done(), 0u);
    EXPECT_EQ(queue.Failed(), 0u);
}

TEST_F(QueueStopTest, StopAllCutsEveryTransferAndLeavesNoThread)
{
    queue.Settings.Config().SetMaxFTPTransferCount(2);
    TQueueItem& first = StartEndless();
    TQueueItem& second = queue.Manager->AddDownload(host, "/", true, 0, 1LL << 40, false, local + "/2", "/endless.bin");
    queue.Manager->StartTransfers();
    ASSERT_TRUE(queue.WaitFor([&] { return second.BytesDone() > 0; }));
    queue.Manager->StopAll();
    EXPECT_EQ(queue.Manager->ThreadCount(), 0u);
    EXPECT_EQ(first.StatusText, "Transfer stopped.");
    EXPECT_EQ(second.StatusText, "Transfer stopped.");
    ASSERT_TRUE(queue.Manager->Shutdown(std::chrono::seconds(30)));
    EXPECT_EQ(first.StatusText, "Transfer stopped.");
    EXPECT_EQ(queue.Failed(), 0u);
}

} // namespace
