// Queue items: construction, derived paths, names that would leave the
// local folder, status codes and texts, and the link to a running transfer.

#include "queue/QueueItem.h"

#include "i18n/LanguageFile.h"
#include "i18n/LanguageManager.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace {

THost TestHost()
{
    THost host(THostDefaults{});
    host.CommonName = "h";
    host.Hostname = "ftp.example.org";
    host.HostID = "{11111111-2222-3333-4444-555555555555}";
    return host;
}

class TFakeTransfer : public TQueueItemTransfer {
public:
    std::int64_t Bytes = 0;
    int StopRequests = 0;
    TQueueItemStatus Code = qsTransferring;
    std::string Text;
    std::int64_t BytesDone() const override { return Bytes; }
    void RequestStop() override { ++StopRequests; }
    TQueueItemStatus RecordedStatusCode() const override { return Code; }
    std::string RecordedStatusText() const override { return Text; }
};

} // namespace

TEST(QueueItem, DerivedPathsCutTheRootByLengthAndSwapSeparators)
{
    struct TCase {
        const char* RemoteRoot;
        const char* RemotePath;
        const char* LocalRoot;
        const char* Expected;
    } cases[] = {
        {"/pub/", "/pub/docs/a.txt", "/home/u/in/", "/home/u/in/docs/a.txt"},
        {"/pub", "/pub/docs/a.txt", "/home/u/in", "/home/u/in/docs/a.txt"}, // both roots get their separator
        {"", "/a.txt", "/in", "/in/a.txt"},                                  // "" becomes "/"
        {"/pub/", "/xyz/docs/a.txt", "/in/", "/in/docs/a.txt"},             // not compared, only cut
        {"/very/long/root/", "/a", "/in/", "/in/"},                          // shorter than the root
        {"/pub/", "/pub/a b/ü.txt", "/in/", "/in/a b/ü.txt"},
        {"/pub/", "/pub/./a", "/in/", "/in/./a"},
    };
    for (const auto& c : cases) {
        auto item = TQueueItem::NewDownload(TestHost(), c.RemoteRoot, true, 0, 10, false, c.LocalRoot, c.RemotePath);
        EXPECT_EQ(item->GetLocalFilename(), c.Expected) << c.RemotePath;
        EXPECT_TRUE(IsInsideLocalRoot(item->LocalRoot, item->GetLocalFilename())) << c.RemotePath;
        EXPECT_EQ(item->RemoteRoot.back(), '/');
        EXPECT_EQ(item->LocalRoot.back(), '/');
    }

    EXPECT_EQ(DeriveRemoteFilename("/home/u/out/", "/home/u/out/docs/a.txt", "/pub"), "/pub/docs/a.txt");
    EXPECT_EQ(DeriveRemoteFilename("/home/u/out/", "/home/u/out/", "/pub/"), "/pub/");
}

TEST(QueueItem, UploadTakesSizeDateAndDirectoryFlagFromTheLocalPath)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directories(root + "/sub");
    std::ofstream(root + "/sub/f.bin", std::ios::binary) << std::string(1234, 'x');

    auto file = TQueueItem::NewUpload(TestHost(), root, false, "/up", root + "/sub/f.bin");
    EXPECT_EQ(file->TransferDirection, tdUpload);
    EXPECT_FALSE(file->IsDirectory);
    EXPECT_EQ(file->FileSize, 1234);
    EXPECT_NE(file->FileModifiedDateTime, 0);
    EXPECT_EQ(file->GetRemoteFilename(), "/up/sub/f.bin");
    EXPECT_EQ(file->Status, qsAwaiting);
    EXPECT_EQ(file->StatusText, "Awaiting transfer");

    auto folder = TQueueItem::NewUpload(TestHost(), root, true, "/up/", root + "/sub");
    EXPECT_TRUE(folder->IsDirectory);
    EXPECT_EQ(folder->FileSize, 0);
    EXPECT_TRUE(folder->Scheduled);

    EXPECT_THROW(TQueueItem::NewUpload(TestHost(), root, false, "/", root + "/gone.txt"), EInOutError);
    // A pipe is refused at once instead of blocking the open.
    ASSERT_EQ(::mkfifo((root + "/pipe").c_str(), 0600), 0);
    EXPECT_THROW(TQueueItem::NewUpload(TestHost(), root, false, "/", root + "/pipe"), EInOutError);
}

TEST(QueueItem, DownloadOfADirectoryHasSizeZeroAndTheHostIsACopy)
{
    THost host = TestHost();
    auto item = TQueueItem::NewDownload(host, "/", false, -1, 999, true, "/in", "/d");
    host.Hostname = "changed";
    EXPECT_EQ(item->FileSize, 0);
    EXPECT_EQ(item->Host.Hostname, "ftp.example.org");
    EXPECT_EQ(item->FileModifiedDateTime, -1);
}

TEST(QueueItem, RemoteNamesThatWouldLeaveTheLocalFolderAreRefused)
{
    const char* escaping[] = {
        "/pub/../etc/passwd", "/pub/a/../../b", "/pub/..", "/pub/a/..", "/pub/a\\..\\..\\b", "/pub/a\\b",
    };
    for (const char* path : escaping) {
        EXPECT_THROW(TQueueItem::NewDownload(TestHost(), "/pub/", false, 0, 1, false, "/in/", path), EUnsafeLocalPath)
            << path;
        EXPECT_THROW(DeriveLocalFilename("/pub/", path, "/in/"), EUnsafeLocalPath) << path;
    }
    const std::string withNul("/pub/a\0/../../x", 15);
    EXPECT_THROW(DeriveLocalFilename("/pub/", withNul, "/in/"), EUnsafeLocalPath);
    // ".." inside a longer name is only a name.
    EXPECT_EQ(DeriveLocalFilename("/pub/", "/pub/..a/b..", "/in/"), "/in/..a/b..");
    // The root itself is the user's choice and is not judged.
    EXPECT_EQ(DeriveLocalFilename("/../", "/../a", "/in/../x/"), "/in/../x/a");
}

TEST(QueueItem, LocalTargetsAreCheckedAgainstTheirRoot)
{
    struct TCase {
        const char* Root;
        const char* Path;
        bool Inside;
    } cases[] = {
        {"/in/", "/in/a/b.txt", true},  {"/in", "/in/a", true},        {"/in/", "/in/", true},
        {"/in/", "/inx/a", false},      {"/in", "/inx/a", false},      {"/in/", "/in/../etc", false},
        {"/in/", "/in/a/../../b", false}, {"/in/", "/out/a", false},   {"/in/", "/in/a\\..\\..\\b", false},
        {"/in/", "/in/...", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsInsideLocalRoot(c.Root, c.Path), c.Inside) << c.Root << " " << c.Path;
    EXPECT_FALSE(IsInsideLocalRoot("/in/", std::string("/in/a\0b", 7)));

    for (const char* name : {"a", "a b", "...", ".hidden", "ü"})
        EXPECT_TRUE(IsSafeRemoteEntryName(name)) << name;
    for (const char* name : {"", ".", "..", "a/b", "..\\x", "/etc"})
        EXPECT_FALSE(IsSafeRemoteEntryName(name)) << name;
    EXPECT_FALSE(IsSafeRemoteEntryName(std::string("a\0b", 3)));
}

TEST(QueueItem, StatusCodesKeepTheirOneByteValues)
{
    static_assert(sizeof(TQueueItemStatus) == 1);
    const TQueueItemStatus codes[] = {qsResolving,  qsConnecting,   qsConnected, qsDisconnecting, qsDisconnected,
                                      qsStarting,   qsEngineText,   qsTransferring, qsEngineReady, qsStopped,
                                      qsAssigned,   qsAwaiting,     qsComplete,  qsPaused,        qsFailed};
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(static_cast<int>(codes[i]), i);
}

TEST(QueueItem, StatusTextsInEnglishAndGerman)
{
    const std::vector<std::pair<TQueueItemStatus, const char*>> english = {
        {qsResolving, "Resolving hostname"}, {qsConnecting, "Connecting"},       {qsConnected, "Connected"},
        {qsDisconnecting, "Disconnecting"},  {qsDisconnected, "Disconnected"},   {qsStarting, "Starting transfer"},
        {qsEngineText, ""},                  {qsTransferring, "Transfering"},    {qsEngineReady, ""},
        {qsStopped, "Transfer stopped."},    {qsAssigned, ""},                   {qsAwaiting, "Awaiting transfer"},
        {qsComplete, "Transfer complete"},   {qsPaused, "Paused"},               {qsFailed, ""},
    };
    for (const auto& [code, text] : english)
        EXPECT_EQ(QueueStatusText(code), text) << int(code);
    EXPECT_EQ(QueueStatusTexts().Text(kStatusSearchingDirectory), "Searching directory for files");
    EXPECT_EQ(QueueStatusTexts().Text(kStatusRemoteFileDoesntExist), "Remote file doesn't exist");
    EXPECT_EQ(QueueStatusTexts().Text(kStatusNoFileWritePermission),
              "Can't upload file to remote host. Insufficient permissions.");
    EXPECT_EQ(QueueStatusTexts().Text(kStatusNoDirWritePermission),
              "Can't create upload file directory. Insufficient permissions.");

    ASSERT_TRUE(LangManager().Start({std::filesystem::path(TOVREL_BINARY_DIR)}, 1031));
    EXPECT_EQ(QueueStatusText(qsConnected), "Verbunden");
    EXPECT_EQ(QueueStatusText(qsStopped), "Übertragung angehalten.");
    EXPECT_EQ(QueueStatusText(qsAwaiting), "Wartet auf Übertragung");
    EXPECT_EQ(QueueStatusText(qsEngineReady), "");
    auto item = TQueueItem::NewDownload(TestHost(), "/", false, 0, 1, false, "/in", "/a");
    EXPECT_EQ(item->StatusText, "Wartet auf Übertragung");
    LangManager().SetActiveLanguage(1033);
    EXPECT_EQ(QueueStatusText(qsAwaiting), "Awaiting transfer");
}

TEST(QueueItem, StatusChangesFireTheEventAndStopReachesTheTransfer)
{
    auto item = TQueueItem::NewDownload(TestHost(), "/", true, 0, 100, false, "/in", "/a");
    std::vector<std::pair<int, std::string>> events;
    item->OnStatusChange = [&](TQueueItem& changed, TQueueItemStatus code, const std::string& text) {
        EXPECT_EQ(&changed, item.get());
        events.emplace_back(code, text);
    };
    item->SetStatus(qsPaused, "Paused");
    EXPECT_EQ(item->BytesDone(), 0);
    item->UpdateFromTransfer(); // no transfer: nothing happens
    item->Stop();               // no transfer: only the status
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1], std::make_pair(int(qsStopped), std::string("Transfer stopped.")));

    TFakeTransfer transfer;
    transfer.Bytes = 5LL << 30;
    transfer.Code = qsStarting;
    transfer.Text = "Starting transfer";
    item->Transfer = &transfer;
    EXPECT_EQ(item->BytesDone(), 5LL << 30);
    item->UpdateFromTransfer();
    EXPECT_EQ(item->Status, qsStarting);
    EXPECT_EQ(item->StatusText, "Starting transfer");
    item->Stop();
    EXPECT_EQ(transfer.StopRequests, 1);
    EXPECT_EQ(item->Status, qsStopped);
    EXPECT_EQ(events.size(), 4u);
}
