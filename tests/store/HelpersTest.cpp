#include "store/Assertions.h"
#include "store/Helpers.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <climits>
#include <mutex>
#include <vector>

namespace {

const QLocale kUS(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

struct TSizeCase {
    std::int64_t bytes;
    const char* us;
    const char* german;
};

} // namespace

TEST(FormatSizeKB, RoundsUpAndGroupsThousands)
{
    const TSizeCase cases[] = {
        {0, "0 KB", "0 KB"},
        {1, "1 KB", "1 KB"},
        {1024, "1 KB", "1 KB"},
        {1025, "2 KB", "2 KB"},
        {1048576, "1,024 KB", "1.024 KB"},
        {-5, "0 KB", "0 KB"},
        {5LL * 1024 * 1024 * 1024, "5,242,880 KB", "5.242.880 KB"}, // beyond 32 bits
        {LLONG_MAX, "9,007,199,254,740,992 KB", "9.007.199.254.740.992 KB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSizeKB(c.bytes, kUS), c.us) << c.bytes;
        EXPECT_EQ(FormatSizeKB(c.bytes, kGerman), c.german) << c.bytes;
    }
    // The C locale omits separators by default; the KB count still groups.
    EXPECT_EQ(FormatSizeKB(1048576, QLocale::c()), "1,024 KB");
}

TEST(FormatSize, PicksUnitAndWritesTwoDecimals)
{
    const TSizeCase cases[] = {
        {0, "0 KB", "0 KB"},
        {1, "1 KB", "1 KB"},
        {1023, "1 KB", "1 KB"},
        {-1, "1 KB", "1 KB"},
        {INT64_MIN, "1 KB", "1 KB"},
        {1024, "1.00 KB", "1,00 KB"},
        {1536, "1.50 KB", "1,50 KB"},
        {1048575, "1024.00 KB", "1024,00 KB"}, // no thousands separator in the two-decimal form
        {1048576, "1.00 MB", "1,00 MB"},
        {1073741823, "1024.00 MB", "1024,00 MB"},
        {1073741824, "1.00 GB", "1,00 GB"},
        {5LL * 1024 * 1024 * 1024 + 512LL * 1024 * 1024, "5.50 GB", "5,50 GB"}, // beyond 32 bits
        {3LL * 1024 * 1024 * 1024 * 1024, "3072.00 GB", "3072,00 GB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSize(c.bytes, kUS), c.us) << c.bytes;
        EXPECT_EQ(FormatSize(c.bytes, kGerman), c.german) << c.bytes;
    }
}

TEST(PathHelpers, RemoteAndLocalPaths)
{
    struct Case { const char* in; const char* slash; const char* name; const char* parent; } cases[] = {
        {"", "/", "", ""},
        {"/", "/", "", "/"},
        {"file.txt", "file.txt/", "file.txt", ""},
        {"/file.txt", "/file.txt/", "file.txt", "/"},
        {"/pub/file.txt", "/pub/file.txt/", "file.txt", "/pub/"},
        {"/pub/sub/", "/pub/sub/", "", "/pub/sub/"},
        {"/pub//x", "/pub//x/", "x", "/pub//"},
        {"a\\b", "a\\b/", "a\\b", ""}, // "\" is an ordinary character in remote names
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IncludeTrailingSlash(c.in), c.slash) << c.in;
        EXPECT_EQ(RemoteFileName(c.in), c.name) << c.in;
        EXPECT_EQ(RemoteParentPath(c.in), c.parent) << c.in;
    }
    EXPECT_EQ(IncludeTrailingBackslash(""), "/");
    EXPECT_EQ(IncludeTrailingBackslash("/home/u"), "/home/u/");
    EXPECT_EQ(IncludeTrailingBackslash("/home/u/"), "/home/u/");
    // Local separators here are "/": both conversions leave names alone.
    EXPECT_EQ(ToRemoteSeparators("dir/sub/a\\b.txt"), "dir/sub/a\\b.txt");
    EXPECT_EQ(ToLocalSeparators("dir/sub/file"), "dir/sub/file");
}

TEST(FileModifiedTime, LocalTimeWithTwoSecondResolution)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.flush(); // a write after setting the time would move it again
    const QDateTime stamp(QDate(2021, 6, 15), QTime(13, 45, 37, 250)); // local time
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    const TDateTime t = FileModifiedTime(path.toStdString());
    EXPECT_EQ(DateTimeToQt(t), QDateTime(QDate(2021, 6, 15), QTime(13, 45, 36)));
    EXPECT_DOUBLE_EQ(t, DateTimeFromQt(QDateTime(QDate(2021, 6, 15), QTime(13, 45, 36))));
    EXPECT_NEAR(t, 44362.0 + (13 * 3600 + 45 * 60 + 36) / 86400.0, 1e-9);

    EXPECT_GT(FileModifiedTime(dir.path().toStdString()), 0); // folders count as files here
    EXPECT_EQ(FileModifiedTime(dir.filePath(QStringLiteral("missing")).toStdString()), 0);
    EXPECT_EQ(FileModifiedTime(""), 0);

    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime(QDate(1975, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    old.close();
    EXPECT_EQ(FileModifiedTime(path.toStdString()), 0) << "before 1980 the classic format has no value";
}

TEST(DateTime, ConvertsBothWays)
{
    EXPECT_EQ(DateTimeFromQt(QDateTime()), 0);
    EXPECT_FALSE(DateTimeToQt(0).isValid());
    EXPECT_DOUBLE_EQ(DateTimeFromQt(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_EQ(DateTimeToQt(2.75), QDateTime(QDate(1900, 1, 1), QTime(18, 0)));
    const QDateTime noon(QDate(2030, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(DateTimeToQt(DateTimeFromQt(noon)), noon);
}

namespace {
std::mutex gLinesLock;
std::vector<std::string> gLines;
void Capture(const std::string& line)
{
    const std::lock_guard guard(gLinesLock);
    gLines.push_back(line);
}
} // namespace

TEST(Assertions, InstalledHandlerLogsAndContinues)
{
    RemoveAssertionHandler();
    EXPECT_THROW(TOVREL_ASSERT(1 + 1 == 3, "arithmetic"), EAssertionFailed);

    InstallAssertionHandler(&Capture);
    bool continued = false;
    TOVREL_ASSERT(false, "Queue item without host");
    continued = true;
    TOVREL_ASSERT(true, "never reported");
    RemoveAssertionHandler();

    EXPECT_TRUE(continued);
    ASSERT_EQ(gLines.size(), 1u);
    const std::string& line = gLines[0];
    EXPECT_EQ(line.rfind("Queue item without host (", 0), 0u) << line;
    EXPECT_NE(line.find("HelpersTest.cpp, line "), std::string::npos) << line;
    EXPECT_NE(line.find(", address $"), std::string::npos) << line;
    EXPECT_EQ(line.back(), ')');

    EXPECT_EQ(FormatAssertion("m", "f.cpp", 12, reinterpret_cast<const void*>(0xABCD)),
              "m (f.cpp, line 12, address $ABCD)");
}
