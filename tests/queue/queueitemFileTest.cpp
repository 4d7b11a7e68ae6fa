// The queue file: format, round trip of every field, host look-up, damaged
// files, failed saves and names that would leave the local folder.

#include "queue/QueueFile.h"

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"
#include "hosts/XMLLoadException.h"
#include "store/FailureInjection.h"
#include "store/XMLDocument.h"

#include <QDateTime>
#include <QLocale>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr std::int64_t k5GiB = 5LL * 1024 * 1024 * 1024;
const char* const kIdA = "{AAAAAAAA-0000-0000-0000-000000000001}";
const char* const kIdB = "{BBBBBBBB-0000-0000-0000-000000000002}";

THost MakeHost(const char* id, const char* name)
{
    THost host(THostDefaults{});
    host.CommonName = name;
    host.Hostname = name;
    host.HostID = id;
    return host;
}

class QueueFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    std::map<std::string, THost, std::less<>> hosts_{{kIdA, MakeHost(kIdA, "a.example.org")},
                                                     {kIdB, MakeHost(kIdB, "b.example.org")}};
    std::vector<std::unique_ptr<TQueueItem>> queue_;

    std::string Path(const std::string& name = "Queue.xml") const { return dir_.path().toStdString() + "/" + name; }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    THostLookup Lookup() const
    {
        return [this](std::string_view id) -> const THost* {
            const auto it = hosts_.find(id);
            return it == hosts_.end() ? nullptr : &it->second;
        };
    }
    TQueueItemSink Sink()
    {
        return [this](std::unique_ptr<TQueueItem> item) { queue_.push_back(std::move(item)); };
    }
    void Save(const std::string& path)
    {
        std::vector<TQueueItem*> items;
        for (auto& item : queue_)
            items.push_back(item.get());
        SaveQueueFile(path, items);
    }
    void Load(const std::string& path) { LoadQueueFile(path, Lookup(), Sink()); }
    static std::string Element(const std::string& attributes) { return "<QueueItem " + attributes + "/>"; }
    static std::string Download(const char* id, const std::string& remote, const std::string& extra = {})
    {
        return Element(std::string("HostID=\"") + id + "\" RemoteFilename=\"" + remote +
                       "\" RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"10\" "
                       "FileModifiedDateTime=\"2026-01-02\" LocalRoot=\"/in/\" LocalFilename=\"\" " +
                       (extra.empty() ? std::string("TransferDirection=\"Download\"") : extra));
    }
    static std::string Document(const std::string& elements)
    {
        return "<?xml version=\"1.0\"?>\r\n<QueueList>" + elements + "</QueueList>\r\n";
    }
};

} // namespace

TEST_F(QueueFileTest, SaveThenLoadKeepsEveryFieldWithLargeSizesAndDates)
{
    const std::string local = dir_.path().toStdString();
    std::filesystem::create_directories(local + "/up/sub");
    std::ofstream(local + "/up/sub/f.bin", std::ios::binary) << std::string(4321, 'x');

    const TDateTime withTime = DateTimeFromQt(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    const TDateTime midnight = DateTimeFromQt(QDateTime(QDate(1999, 12, 31), QTime(0, 0)));
    const TDateTime oneSecond = DateTimeFromQt(QDateTime(QDate(2030, 1, 1), QTime(0, 0, 1)));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/pub", true, withTime, k5GiB, false, "/in",
                                             "/pub/big/disk & \"image\" <1>.iso"));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdB], "/pub/", false, midnight, 123, true, "/in/", "/pub/dir"));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/", false, -1, -1, false, "/in/", "/unknown\tsize"));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/", false, oneSecond, 0x7fffffffffffffffLL, false, "/in/",
                                             "/max"));
    queue_.push_back(TQueueItem::NewUpload(hosts_[kIdB], local + "/up", true, "/target", local + "/up/sub/f.bin"));
    queue_.push_back(TQueueItem::NewUpload(hosts_[kIdB], local + "/up/", true, "/target/", local + "/up/sub"));
    Save(Path());

    std::vector<std::unique_ptr<TQueueItem>> saved = std::move(queue_);
    queue_.clear();
    Load(Path());
    ASSERT_EQ(queue_.size(), saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        const TQueueItem& a = *saved[i];
        TQueueItem& b = *queue_[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(b.Host, a.Host);
        EXPECT_EQ(b.TransferDirection, a.TransferDirection);
        EXPECT_EQ(b.RemoteRoot, a.RemoteRoot);
        EXPECT_EQ(b.GetRemoteFilename(), a.RemoteFilename);
        EXPECT_EQ(b.LocalRoot, a.LocalRoot);
        EXPECT_EQ(b.GetLocalFilename(), a.LocalFilename);
        EXPECT_EQ(b.IsDirectory, a.IsDirectory);
        EXPECT_EQ(b.FileSize, a.FileSize);
        EXPECT_EQ(b.FileModifiedDateTime, a.FileModifiedDateTime);
        EXPECT_FALSE(b.Scheduled);
        EXPECT_EQ(b.Status, qsAwaiting);
    }
    EXPECT_EQ(queue_[0]->FileSize, k5GiB);
    EXPECT_EQ(queue_[0]->GetLocalFilename(), "/in/big/disk & \"image\" <1>.iso");
    EXPECT_EQ(queue_[1]->FileSize, 0);
    EXPECT_EQ(queue_[4]->FileSize, 4321);
    EXPECT_TRUE(queue_[5]->IsDirectory);
    EXPECT_EQ(queue_[5]->GetRemoteFilename(), "/target/sub");
}

TEST_F(QueueFileTest, WrittenFormatHasOneElementPerLineWithTheAttributesInOrder)
{
    const TDateTime when = DateTimeFromQt(QDateTime(QDate(2026, 12, 10), QTime(9, 5, 7)));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/pub/", false, when, k5GiB, false, "/in/", "/pub/a.txt"));
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/pub/", false,
                                             DateTimeFromQt(QDateTime(QDate(2026, 12, 10), QTime(0, 0))), 1, true,
                                             "/in/", "/pub/d"));
    Save(Path());
    EXPECT_EQ(Read(Path()),
              "<?xml version=\"1.0\"?>\r\n<QueueList>\r\n"
              "  <QueueItem HostID=\"{AAAAAAAA-0000-0000-0000-000000000001}\" RemoteFilename=\"/pub/a.txt\" "
              "RemoteRoot=\"/pub/\" IsDirectory=\"False\" FileSize=\"5368709120\" "
              "FileModifiedDateTime=\"2026-12-10 09:05:07\" LocalRoot=\"/in/\" LocalFilename=\"/in/a.txt\" "
              "TransferDirection=\"Download\"/>\r\n"
              "  <QueueItem HostID=\"{AAAAAAAA-0000-0000-0000-000000000001}\" RemoteFilename=\"/pub/d\" "
              "RemoteRoot=\"/pub/\" IsDirectory=\"True\" FileSize=\"0\" FileModifiedDateTime=\"2026-12-10\" "
              "LocalRoot=\"/in/\" LocalFilename=\"/in/d\" TransferDirection=\"Download\"/>\r\n"
              "</QueueList>\r\n");

    // Saving again keeps what lies outside the root and replaces the items.
    Write(Path(), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<!-- mine -->\r\n"
                  "<QueueList><Other/></QueueList>\r\n");
    queue_.resize(1);
    Save(Path());
    const std::string again = Read(Path());
    EXPECT_THAT(again, StartsWith("<?xml version=\"1.0\"?>\r\n<!-- mine -->\r\n<QueueList>\r\n  <QueueItem "));
    EXPECT_EQ(again.find("Other"), std::string::npos);
    queue_.clear();
    Load(Path());
    EXPECT_EQ(queue_.size(), 1u);
}

TEST_F(QueueFileTest, DatesReadTheFixedFormExactlyAndTheRegionalForm)
{
    struct TCase {
        const char* Text;
        QDateTime Expected;
    } cases[] = {
        {"2026-12-10 09:05:07", QDateTime(QDate(2026, 12, 10), QTime(9, 5, 7))},
        {"2026-12-10", QDateTime(QDate(2026, 12, 10), QTime(0, 0))},
        {"1980-01-01 00:00:02", QDateTime(QDate(1980, 1, 1), QTime(0, 0, 2))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseQueueDateTime(c.Text), DateTimeFromQt(c.Expected)) << c.Text;
        EXPECT_EQ(FormatQueueDateTime(DateTimeFromQt(c.Expected)), c.Text);
    }
    EXPECT_EQ(FormatQueueDateTime(-1), "1899-12-29");
    EXPECT_EQ(ParseQueueDateTime("1899-12-29"), -1);
    EXPECT_EQ(FormatQueueDateTime(0), "1899-12-30");
    EXPECT_EQ(ParseQueueDateTime("1899-12-30"), 0);

    const QLocale locale = QLocale::system();
    const QDateTime when(QDate(2025, 7, 14), QTime(16, 30, 12));
    const std::string regional =
        locale.toString(when, locale.dateFormat(QLocale::ShortFormat) + ' ' + locale.timeFormat(QLocale::LongFormat))
            .toStdString();
    const TDateTime parsed = ParseQueueDateTime(regional);
    // Regional short dates may carry a two-digit year; the day and time survive.
    EXPECT_EQ(DateTimeToQt(parsed).time(), when.time()) << regional;
    EXPECT_EQ(DateTimeToQt(parsed).date().month(), 7) << regional;

    for (const char* bad : {"", "2026-02-30", "2026-12-10 24:00:00", "2026-12-10T09:05:07", "yesterday",
                            "2026-12-10 09:05", " 2026-12-10"})
        EXPECT_THROW(ParseQueueDateTime(bad), EConvertError) << bad;
}

TEST_F(QueueFileTest, UnknownHostsAndOtherDirectionsAreSkippedSilently)
{
    const char* unknown = "{CCCCCCCC-0000-0000-0000-000000000003}";
    Write(Path(), Document("\r\n  " + Download(kIdA, "/one") + "\r\n  " + Download(unknown, "/lost") + "\r\n  " +
                           Download(kIdB, "/upper", "TransferDirection=\"upload\"") + "\r\n  " +
                           Download(kIdB, "/none", "Other=\"x\"") + "\r\n  " + Download(kIdB, "/two") + "\r\n"));
    Load(Path());
    ASSERT_EQ(queue_.size(), 2u);
    EXPECT_EQ(queue_[0]->RemoteFilename, "/one");
    EXPECT_EQ(queue_[1]->RemoteFilename, "/two");
    EXPECT_EQ(queue_[1]->Host.Hostname, "b.example.org");

    Load(Path()); // appends: loading twice doubles the queue
    EXPECT_EQ(queue_.size(), 4u);
}

TEST_F(QueueFileTest, AHostOnlyInTheQuickConnectHistoryStillLoads)
{
    const std::string data = dir_.path().toStdString();
    THosts tree(data);
    TQuickHosts quick(data);
    THost fromHistory = MakeHost(kIdB, "history.example.org");
    quick.AddOrUpdate(fromHistory);
    tree.AddOrUpdate(MakeHost(kIdA, "tree.example.org"));

    Write(Path(), Document(Download(kIdA, "/a") + Download(kIdB, "/b")));
    LoadQueueFile(Path(), HostLookupIn(tree, quick), Sink());
    ASSERT_EQ(queue_.size(), 2u);
    EXPECT_EQ(queue_[0]->Host.Hostname, "tree.example.org");
    EXPECT_EQ(queue_[1]->Host.Hostname, "history.example.org");
}

TEST_F(QueueFileTest, ABadElementStopsTheLoadAndKeepsTheItemsBeforeIt)
{
    const std::string gone = dir_.path().toStdString() + "/gone.txt";
    const std::string upload = Element(std::string("HostID=\"") + kIdA + "\" RemoteFilename=\"\" RemoteRoot=\"/\" "
                                       "IsDirectory=\"False\" FileSize=\"0\" FileModifiedDateTime=\"\" LocalRoot=\"/\" "
                                       "LocalFilename=\"" + gone + "\" TransferDirection=\"Upload\"");
    struct TCase {
        const char* Name;
        std::string Bad;
        const char* Reason;
    } cases[] = {
        {"upload gone", upload, "Cannot open file"},
        {"size", Download(kIdA, "/x", "TransferDirection=\"Download\" FileSize2=\"\"").replace(
                     Download(kIdA, "/x").find("FileSize=\"10\""), 13, "FileSize=\"ten\""),
         "'ten' is not a valid integer value"},
        {"missing host id", "<QueueItem TransferDirection=\"Download\"/>", "Attribute \"HostID\" is missing"},
        {"missing attribute", Element(std::string("HostID=\"") + kIdA + "\" TransferDirection=\"Download\""),
         "Attribute \"RemoteFilename\" is missing"},
        {"date", Download(kIdA, "/x").replace(Download(kIdA, "/x").find("2026-01-02"), 10, "31.02.2026"),
         "'31.02.2026' is not a valid date and time"},
        {"escaping name", Download(kIdA, "/../../home/u/.bashrc"), "cannot be stored below the local folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        queue_.clear();
        Write(Path(), Document(Download(kIdA, "/first") + c.Bad + Download(kIdA, "/after")));
        try {
            Load(Path());
            ADD_FAILURE() << "no error";
        } catch (const EXMLLoadException& e) {
            EXPECT_THAT(e.what(), StartsWith("Can't load QueueItem.\r\nReason: "));
            EXPECT_THAT(e.what(), HasSubstr(c.Reason));
        }
        ASSERT_EQ(queue_.size(), 1u);
        EXPECT_EQ(queue_[0]->RemoteFilename, "/first");
    }
}

TEST_F(QueueFileTest, DamagedOrMissingFilesAreRefusedAndLeftUntouched)
{
    const std::string damaged = "<?xml version=\"1.0\"?>\r\n<QueueList>" + Download(kIdA, "/a") + "<QueueItem";
    Write(Path(), damaged);
    EXPECT_THROW(Load(Path()), EXMLParseError);
    EXPECT_TRUE(queue_.empty());
    EXPECT_EQ(Read(Path()), damaged);

    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/", false, 0, 1, false, "/in", "/x"));
    EXPECT_THROW(Save(Path()), EXMLParseError);
    EXPECT_EQ(Read(Path()), damaged);

    EXPECT_THROW(Load(Path("missing.xml")), EXMLParseError);
    EXPECT_FALSE(std::filesystem::exists(Path("missing.xml")));
    Write(Path("empty.xml"), "");
    EXPECT_THROW(Load(Path("empty.xml")), EXMLParseError);
}

TEST_F(QueueFileTest, AFailedSaveKeepsTheOldFile)
{
    queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/", false, 0, 1, false, "/in", "/old"));
    Save(Path());
    const std::string old = Read(Path());
    for (int i = 0; i < 200; ++i)
        queue_.push_back(TQueueItem::NewDownload(hosts_[kIdA], "/", false, 0, i, false, "/in",
                                                 "/new/" + std::string(100, 'n') + std::to_string(i)));
    const int result = RunWithFileSizeLimit(4096, [this] {
        try {
            Save(Path());
        } catch (const EXMLSaveError&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Read(Path()), old);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path().toStdString()))
        EXPECT_EQ(entry.path().filename(), "Queue.xml"); // no temporary file left behind
}
