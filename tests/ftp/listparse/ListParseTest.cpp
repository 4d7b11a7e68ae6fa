// Behaviour of the registry, the Unix and Windows NT parsers, the shared
// line tests and the entry model.

#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListRegistry.h"
#include "ftp/listparse/ListUnix.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace listparse;

namespace {

TDateTime At(const char* iso)
{
    return *ParseIsoDateTime(iso);
}

struct TParsed {
    const TIdFTPListBase* Parser = nullptr;
    TIdFTPListItems Items;
};

TParsed Parse(std::string_view text, const char* now = "2026-06-15T10:00:00")
{
    TParsed result;
    result.Items.SetNow(At(now));
    const std::vector<std::string_view> lines = SplitListingLines(text);
    result.Parser = TIdFTPRegParseList::Instance().ParseListing(lines, result.Items);
    return result;
}

std::string Iso(TDateTime d)
{
    const TIdDateParts p = DecodeDateTime(d);
    return FormatIsoDateTime(d) + "." + std::to_string(p.Millisecond);
}

const TIdUnixFTPListItem& Unix(const TIdFTPListItem& item)
{
    return dynamic_cast<const TIdUnixFTPListItem&>(item);
}

} // namespace

// ---------------------------------------------------------------- Unix

struct TUnixCase {
    const char* Line;
    TIdDirItemType Kind;
    const char* Name;
    std::int64_t Size;
    const char* Modified;  // "" = unknown
    const char* LinkTarget;
};

TEST(UnixListing, LinesGiveKindNameSizeDateAndTarget)
{
    const TUnixCase cases[] = {
        {"drwxr-xr-x   2 user group 4096 Jan 31 12:34 docs", dkDirectory, "docs", 4096,
         "2026-01-31T12:34:00.999", ""},
        {"lrwxrwxrwx 1 root root 7 Mar  1  2005 lib -> usr/lib/", dkSymbolicLinkDir, "lib", 7,
         "2005-03-01T00:00:00.999", "usr/lib"},
        {"lrwxrwxrwx 1 root root 7 Mar  1  2005 bin -> usr/bin", dkSymbolicLink, "bin", 7,
         "2005-03-01T00:00:00.999", "usr/bin"},
        {"crw-rw-rw- 1 root root 1,   3 Jan  1  2000 null", dkCharDevice, "null", 0,
         "2000-01-01T00:00:00.999", ""},
        {"brw-rw---- 1 root disk 8,0 Jan  1  2000 sda", dkBlockDevice, "sda", 0,
         "2000-01-01T00:00:00.999", ""},
        {"prw-r--r-- 1 u g 0 Jan  1  2000 pipe", dkFifo, "pipe", 0, "2000-01-01T00:00:00.999", ""},
        {"srwxrwxrwx 1 u g 0 Jan  1  2000 sock", dkSocket, "sock", 0, "2000-01-01T00:00:00.999", ""},
        {"-rw-r--r--   1 u g 12 Jan  1  2000 my  file.txt ", dkFile, "my  file.txt ", 12,
         "2000-01-01T00:00:00.999", ""},
        {"dr-xr-xr-x folder 0 Jan 31 12:34 Apps", dkDirectory, "Apps", 0,
         "2026-01-31T12:34:00.999", ""},
        {"-rwxr-xr-x 1 u g 5000000000 2005-06-07 21:22 big.iso", dkFile, "big.iso", 5000000000,
         "2005-06-07T21:22:00.999", ""},
        {"-rwxr-xr-x 1 u g 10 Jun 20 08:00:05 2004 secs", dkFile, "secs", 10,
         "2004-06-20T08:00:05.999", ""},
        {"-rwxr-xr-x 1 u g 10 Jun 20 08:00 tomorrow", dkFile, "tomorrow", 10,
         "2025-06-20T08:00:00.999", ""},
        {"-rwxr-xr-x 1 u g 10 01-jun-99 shortdate", dkFile, "shortdate", 10,
         "1999-06-01T00:00:00.999", ""},
        {"-rwxr-xr-x 1 u g 10 Jan 1 2000 run.sh*", dkFile, "run.sh", 10,
         "2000-01-01T00:00:00.999", ""},
        {"-rw-r--r-- 1 u g 12x4 Jan 1 2000 badsize", dkFile, "badsize", 0,
         "2000-01-01T00:00:00.999", ""},
        {"-rw-r--r-- 1 u g 99999999999999999999 Jan 1 2000 huge", dkFile, "huge", 0,
         "2000-01-01T00:00:00.999", ""},
        // Unknown month or impossible day: the entry stays, its date is unknown.
        {"-rw-r--r-- 1 u g 77 Foo 12 2001 odd month", dkFile, "odd month", 77, "", ""},
        {"-rw-r--r-- 1 u g 78 Feb 30 2001 odd day", dkFile, "odd day", 78, "", ""},
        {"drwxr-xr-x 1 u g 79 Jan 0 2001 zero day", dkDirectory, "zero day", 79, "", ""},
    };
    for (const TUnixCase& c : cases) {
        SCOPED_TRACE(c.Line);
        const TParsed parsed = Parse(c.Line);
        ASSERT_NE(parsed.Parser, nullptr);
        EXPECT_EQ(parsed.Parser->Identifier(), "Unix");
        ASSERT_EQ(parsed.Items.Count(), 1u);
        const TIdFTPListItem& item = parsed.Items[0];
        EXPECT_EQ(item.ItemKind(), c.Kind);
        EXPECT_EQ(item.FileName(), c.Name);
        EXPECT_EQ(item.Size(), c.Size);
        EXPECT_EQ(item.RawLine(), c.Line);
        if (*c.Modified == '\0') {
            EXPECT_FALSE(item.ModifiedKnown());
            EXPECT_EQ(item.ModifiedDate(), 0);
        } else {
            EXPECT_TRUE(item.ModifiedKnown());
            EXPECT_EQ(Iso(item.ModifiedDate()), c.Modified);
        }
        EXPECT_EQ(Unix(item).LinkTarget(), c.LinkTarget);
    }
}

TEST(UnixListing, ColumnsGoToOwnerGroupPermissionsAndCounts)
{
    const TParsed p = Parse("12345 8 -rwsr-x--T   3 alice staff 100 Jan  1  2000 x\n"
                            "-rw-r--r-- 1 maxm Domain Users 512 Oct 2 10:59 spaced\n"
                            "-rw-r--r-- 1 bob 512 Oct 2 10:59 onecolumn\n");
    ASSERT_EQ(p.Items.Count(), 3u);
    const auto& a = Unix(p.Items[0]);
    EXPECT_EQ(a.Inode(), 12345);
    EXPECT_EQ(a.BlockCount(), 8);
    EXPECT_EQ(a.UserPermissions(), "rws");
    EXPECT_EQ(a.GroupPermissions(), "r-x");
    EXPECT_EQ(a.OtherPermissions(), "--T");
    EXPECT_EQ(a.LinkCount(), 3);
    EXPECT_EQ(a.OwnerName(), "alice");
    EXPECT_EQ(a.GroupName(), "staff");
    EXPECT_EQ(Unix(p.Items[1]).OwnerName(), "maxm");
    EXPECT_EQ(Unix(p.Items[1]).GroupName(), "Domain Users");
    EXPECT_EQ(Unix(p.Items[1]).Size(), 512);
    EXPECT_EQ(Unix(p.Items[2]).OwnerName(), "");
    EXPECT_EQ(Unix(p.Items[2]).GroupName(), "bob");
    EXPECT_EQ(Unix(p.Items[2]).Size(), 512);
}

TEST(UnixListing, TotalLinesErrorsAndBlankLinesAreNoEntries)
{
    const TParsed p = Parse("total 24\r\n"
                            "/bin/ls: cannot open directory x: Permission denied\r\n"
                            "\r\n"
                            "-rw-r--r-- 1 u g 1 Jan 1 2000 a\r\n");
    ASSERT_NE(p.Parser, nullptr);
    EXPECT_EQ(p.Parser->Identifier(), "Unix");
    ASSERT_EQ(p.Items.Count(), 1u);
    EXPECT_EQ(p.Items[0].FileName(), "a");
}

TEST(UnixListing, RecursiveListingPrefixesNamesButKeepsBareLocalNames)
{
    const TParsed p = Parse(".:\n"
                            "drwxr-xr-x 2 u g 4096 Jan 1 2000 sub\n"
                            "\n"
                            "./sub:\n"
                            "-rw-r--r-- 1 u g 5 Jan 1 2000 File.txt\n"
                            "-rw-r--r-- 1 u g 5 Jan 1 2000 README\n");
    ASSERT_EQ(p.Items.Count(), 3u);
    EXPECT_EQ(p.Items[0].FileName(), "sub");  // "." + "/" + "sub" without "./"
    EXPECT_EQ(p.Items[1].FileName(), "sub/File.txt");
    EXPECT_EQ(p.Items[1].LocalFileName(), "File.txt");
    EXPECT_EQ(p.Items[2].FileName(), "sub/README");
    EXPECT_EQ(p.Items[2].LocalFileName(), "README");
}

TEST(UnixListing, UnitreeLinesGoToTheUnitreeParser)
{
    const TParsed p = Parse("/home/user (UniTree).\n"
                            "-rw-r--r-- 1 u g AR fam1 2048 Jan 1 2000 archived\n"
                            "-rw-r--r-- 1 u g DK fam2 1024 Jan 1 2000 ondisk\n");
    ASSERT_NE(p.Parser, nullptr);
    EXPECT_EQ(p.Parser->Identifier(), "Unitree");
    ASSERT_EQ(p.Items.Count(), 2u);
    const auto& a = dynamic_cast<const TIdUnitreeFTPListItem&>(p.Items[0]);
    EXPECT_TRUE(a.Migrated());
    EXPECT_EQ(a.FileFamily(), "fam1");
    EXPECT_EQ(a.Size(), 2048);
    EXPECT_EQ(a.FileName(), "archived");
    EXPECT_FALSE(dynamic_cast<const TIdUnitreeFTPListItem&>(p.Items[1]).Migrated());
}

// ---------------------------------------------------------------- Windows NT

TEST(WindowsNTListing, FoldersFilesDatesAndNames)
{
    const TParsed p = Parse("01-31-06  03:04PM       <DIR>          New folder\n"
                            "01-31-06  12:10AM            1,234,567 big file.zip\n"
                            "2006-01-31  12:10                  12 year first.txt\n"
                            "02-30-06  12:10PM                  13 impossible.txt\n"
                            "01-31-06  11:00AM       <DIR>             leading blanks\n");
    ASSERT_NE(p.Parser, nullptr);
    EXPECT_EQ(p.Parser->Identifier(), "Windows NT");
    ASSERT_EQ(p.Items.Count(), 5u);
    EXPECT_EQ(p.Items[0].ItemKind(), dkDirectory);
    EXPECT_EQ(p.Items[0].FileName(), "New folder");
    EXPECT_FALSE(p.Items[0].SizeKnown());
    EXPECT_EQ(FormatIsoDateTime(p.Items[0].ModifiedDate()), "2006-01-31T15:04:00");
    EXPECT_EQ(p.Items[1].Size(), 1234567);
    EXPECT_EQ(p.Items[1].FileName(), "big file.zip");
    EXPECT_EQ(FormatIsoDateTime(p.Items[1].ModifiedDate()), "2006-01-31T00:10:00");
    EXPECT_EQ(FormatIsoDateTime(p.Items[2].ModifiedDate()), "2006-01-31T12:10:00");
    EXPECT_EQ(p.Items[3].FileName(), "impossible.txt");
    EXPECT_EQ(p.Items[3].ModifiedDate(), 0);
    EXPECT_FALSE(p.Items[3].ModifiedKnown());
    EXPECT_EQ(p.Items[4].FileName(), "   leading blanks");
}

TEST(WindowsNTListing, SubFolderHeadersPrefixWithBackslash)
{
    const TParsed p = Parse(".\\sub:\n01-31-06  03:04PM                  5 A.TXT\n");
    ASSERT_EQ(p.Items.Count(), 1u);
    EXPECT_EQ(p.Items[0].FileName(), "sub\\A.TXT");
    EXPECT_EQ(p.Items[0].LocalFileName(), "A.TXT");
}

// ---------------------------------------------------------------- registry

TEST(Registry, UnknownTextGivesNoParserAndNoEntries)
{
    for (const char* text : {"", "hello world\nthis is no listing\n", "\n\n\n", "+"}) {
        SCOPED_TRACE(text);
        const TParsed p = Parse(text);
        EXPECT_EQ(p.Parser, nullptr);
        EXPECT_TRUE(p.Items.Empty());
    }
}

TEST(Registry, FormatsAreAskedInTheFixedOrder)
{
    const std::vector<std::string_view> expected = {
        "NLIST", "MLST", "AS400", "Bull GCOS7", "Bull GCOS8", "Cisco IOS", "Distinct TCP/IP",
        "EPLF", "Novell Netware", "Hellsoft", "KA9Q", "MPE/iX: ", "With POSIX", "MVS",
        "MVS:  Partitioned Data Set", "MVS:  JES Queue Interface 1",
        "MVS:  JES Queue Interface 2", "MicroWare OS-9", "MUSIC/SP", "NCSA for MS-DOS (CU/TCP)",
        "Novell Netware Print Services for Unix:  DOS Namespace",
        "Novell Netware Print Services for Unix:  NFS Namespace", "OS/2",
        "Connect:Express for OS/390", "CONNECT:Enterprise for UNIX",
        "CONNECT:Enterprise for UNIX$$", "CONNECT:Enterprise for UNIX ROOT", "TOPS20", "TSX+",
        "Unix", "Unitree", "VM Virtual Reader", "VM/BFS", "VM/CMS", "VMS", "VSE:  Library",
        "VSE:  PowerQueue", "VSE:  Root Directory", "VSE:  Sublibrary", "VSE:  VSAM Catalog",
        "VSE:  VTOC", "Wind River VxWorks", "WinQVT/NET", "Windows NT", "Xercom Micro RTOS"};
    std::vector<std::string_view> actual;
    for (const TIdFTPListBase* parser : TIdFTPRegParseList::Instance().Parsers())
        actual.push_back(parser->Identifier());
    EXPECT_EQ(actual, expected);
}

TEST(Registry, NameOnlyAndMachineListingsAreNeverDetectedFromListText)
{
    const std::vector<std::string_view> lines = {"a.txt", "b.txt"};
    const auto& registry = TIdFTPRegParseList::Instance();
    EXPECT_FALSE(registry.Find("NLIST")->CheckListing(lines, {}, true));
    EXPECT_TRUE(registry.Find("NLIST")->CheckListing(lines, {}, false));
    const std::vector<std::string_view> mlsd = {"type=file;size=10;modify=20200102030405; x"};
    EXPECT_FALSE(registry.Find("MLST")->CheckListing(mlsd, {}, true));
    TIdFTPListItems items;
    registry.Find("MLST")->ParseListing(mlsd, items);
    ASSERT_EQ(items.Count(), 1u);
    EXPECT_EQ(items[0].Size(), 10);
    EXPECT_EQ(FormatIsoDateTime(items[0].ModifiedDate()), "2020-01-02T03:04:05");
}

TEST(Registry, ListingsParseOnSeveralThreadsAtOnce)
{
    // Transfer threads and the session worker parse at the same time.
    const std::string unixText = "total 1\n-rw-r--r-- 1 u g 5 Jan 1 2000 a\n";
    const std::string ntText = "01-31-06  03:04PM                    5 b\n";
    std::vector<std::thread> threads;
    std::vector<std::string> names(4);
    for (std::size_t t = 0; t < names.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                TIdFTPListItems items;
                ParseListingText(t % 2 ? ntText : unixText, items);
                names[t] = std::string(items[0].FileName());
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "a", "b"}));
}

TEST(Registry, SplitsLinesAtLfAndDropsCr)
{
    EXPECT_EQ(SplitListingLines("a\r\nb\n\nc"),
              (std::vector<std::string_view>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitListingLines("a\r\n"), (std::vector<std::string_view>{"a"}));
    EXPECT_TRUE(SplitListingLines("").empty());
}

// ---------------------------------------------------------------- shared line tests

TEST(LineTests, YearWindowMonthNamesAndYearOfUndatedDays)
{
    EXPECT_EQ(ExpandYear(99, 2026), 1999);
    EXPECT_EQ(ExpandYear(6, 2026), 2006);
    EXPECT_EQ(ExpandYear(50, 2026), 2050);
    EXPECT_EQ(ExpandYear(51, 2026), 1951);
    EXPECT_EQ(ExpandYear(1994, 2026), 1994);
    EXPECT_EQ(MonthOf("jan"), 1);
    EXPECT_EQ(MonthOf("DEC"), 12);
    EXPECT_EQ(MonthOf("Janu"), 0);
    EXPECT_EQ(MonthOf("ja"), 0);
    const TIdDateParts now{2026, 6, 15, 10, 0, 0, 0};
    EXPECT_EQ(YearOfMonthDay(6, 15, now), 2026);
    EXPECT_EQ(YearOfMonthDay(6, 16, now), 2025);
    EXPECT_EQ(YearOfMonthDay(1, 1, now), 2026);
    EXPECT_EQ(YearOfMonthDay(12, 31, now), 2025);
}

TEST(LineTests, PermissionTotalAndSubFolderLines)
{
    EXPECT_TRUE(IsUnixPermissions("drwxr-xr-x"));
    EXPECT_TRUE(IsUnixPermissions("-rwSr-Sr-T+"));
    EXPECT_FALSE(IsUnixPermissions("drwxr-xr-"));
    EXPECT_FALSE(IsUnixPermissions("frw-r--r--"));
    EXPECT_TRUE(IsStrictUnixPermissions("-rwxr-xr- "));
    EXPECT_FALSE(IsStrictUnixPermissions("-RWXR-XR-X"));
    EXPECT_TRUE(IsTotalLine("total 24"));
    EXPECT_TRUE(IsTotalLine("TOTAL: 5 files"));
    EXPECT_FALSE(IsTotalLine("total:"));
    EXPECT_TRUE(IsSubDirHeader("./sub dir:"));
    EXPECT_FALSE(IsSubDirHeader("drwxr-xr-x:"));
    EXPECT_EQ(SubDirPrefix("./sub:"), "./sub");
    EXPECT_TRUE(IsSeparatorLine("---- ++ ----"));
    EXPECT_FALSE(IsSeparatorLine("--x"));
}

// ---------------------------------------------------------------- entries

TEST(ListItem, LocalNameFollowsTheNameUntilSetOnItsOwn)
{
    TIdFTPListItems items;
    TIdFTPListItem& item = items.Add<TIdFTPListItem>();
    item.SetFileName("README.TXT");
    EXPECT_EQ(item.LocalFileName(), "readme.txt");
    item.SetFileName("Notes.txt");
    EXPECT_EQ(item.LocalFileName(), "Notes.txt");  // equal ignoring case: follows
    item.SetLocalFileName("mine.txt");
    item.SetFileName("OTHER");
    EXPECT_EQ(item.FileName(), "OTHER");
    EXPECT_EQ(item.LocalFileName(), "mine.txt");
}

TEST(ListItem, AssignCopiesFieldsAcrossCollectionsButNotTheKnownFlags)
{
    TIdFTPListItems source;
    auto& from = source.Add<TIdUnixFTPListItem>();
    from.SetRawLine("raw");
    from.SetFileName("Name");
    from.SetSize(42);
    from.SetModifiedDate(1000.5);
    from.SetItemKind(dkDirectory);
    from.SetSizeKnown(false);
    from.SetOwnerName("alice");
    from.SetGroupName("staff");
    from.SetUserPermissions("rwx");
    TIdFTPListItems target;
    auto& to = target.Add<TIdUnixBaseFTPListItem>();
    to.Assign(from);
    source.Clear();
    EXPECT_EQ(to.RawLine(), "raw");
    EXPECT_EQ(to.FileName(), "Name");
    EXPECT_EQ(to.Size(), 42);
    EXPECT_EQ(to.ModifiedDate(), 1000.5);
    EXPECT_EQ(to.ItemKind(), dkDirectory);
    EXPECT_TRUE(to.SizeKnown());
    EXPECT_EQ(to.OwnerName(), "alice");
    EXPECT_EQ(to.GroupName(), "staff");
    EXPECT_EQ(to.UserPermissions(), "rwx");
}

TEST(ListItem, MovedCollectionsKeepTheirEntries)
{
    TParsed p = Parse("-rw-r--r-- 1 u g 1 Jan 1 2000 a\n-rw-r--r-- 1 u g 2 Jan 1 2000 b\n");
    TIdFTPListItems moved = std::move(p.Items);
    ASSERT_EQ(moved.Count(), 2u);
    EXPECT_EQ(moved[1].FileName(), "b");
    EXPECT_TRUE(p.Items.Empty());
    moved[0].SetFileName(std::string(200, 'x'));  // grows the text store
    EXPECT_EQ(moved[1].FileName(), "b");
}

TEST(ListItem, NameOnlyEntriesStartWithUnknownSizeAndDate)
{
    TIdFTPListItems items;
    const auto& item = items.Add<TIdMinimalFTPListItem>();
    EXPECT_FALSE(item.SizeKnown());
    EXPECT_FALSE(item.ModifiedKnown());
    EXPECT_EQ(items.Add<TIdFTPListItem>().ItemKind(), dkFile);
}

// ---------------------------------------------------------------- dates

TEST(ListDateTime, DayNumbersRoundTripAndImpossibleDatesAreRefused)
{
    struct TCase {
        TIdDateParts Parts;
        double Expected;
    };
    const TCase cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
        {{1900, 1, 1, 12, 0, 0, 0}, 2.5},
        {{2000, 2, 29, 6, 0, 0, 0}, 36585.25},
        {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
        {{1899, 12, 29, 6, 0, 0, 0}, -1.25},  // before day 0 the time counts backwards
    };
    for (const TCase& c : cases) {
        TDateTime value = -99;
        ASSERT_TRUE(TryEncodeDateTime(c.Parts, value));
        EXPECT_DOUBLE_EQ(value, c.Expected);
        const TIdDateParts back = DecodeDateTime(value);
        EXPECT_EQ(back.Year, c.Parts.Year);
        EXPECT_EQ(back.Month, c.Parts.Month);
        EXPECT_EQ(back.Day, c.Parts.Day);
        EXPECT_EQ(back.Hour, c.Parts.Hour);
    }
    const TDateTime late = EncodeDateTimeOrZero({9999, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(FormatIsoDateTime(late), "9999-12-31T23:59:59");
    EXPECT_EQ(DecodeDateTime(late).Millisecond, 999);
    TDateTime unused = 0;
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, unused));
    EXPECT_FALSE(TryEncodeDate(2001, 13, 1, unused));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
    EXPECT_EQ(ParseIsoDateTime("2026-02-30T00:00:00"), std::nullopt);
    EXPECT_EQ(ParseIsoDateTime("2026-01-31 12:34"), At("2026-01-31T12:34:00"));
    EXPECT_EQ(ParseIsoDateTime("2026-01-31x"), std::nullopt);
}
