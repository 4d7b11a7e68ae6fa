// Listings of the smaller server families: each is recognised from its own
// text, gives the entries its layout shows, and none of them takes a Unix
// or Windows NT listing for its own.

#include "FamilyCases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace family_cases;

const std::vector<TFamilyCase>& FamilyCases()
{
    static const std::vector<TFamilyCase> cases = {
        {"NCSA for DOS, footer skipped",
         // Read directly: the KA9Q parser, earlier in the registry, takes
         // the same words.
         "AUTOEXEC.BAT        314   9-10-96  15:24\n"
         "UTILS             <DIR>   4-10-95  12:34\n"
         "         1234567 Bytes Available\n",
         "NCSA for MS-DOS (CU/TCP)",
         {{"AUTOEXEC.BAT", dkFile, 314, "1996-09-10T15:24:00"},
          {"UTILS", dkDirectory, -1, "1995-04-10T12:34:00"}},
         &ListParserNCSAforDOS},
        {"NetWare Print Services, DOS name space with 12-hour times",
         // Read directly: the NetWare parser comes first in the registry.
         "d [RWCEAFMS] ADMIN          512 Jan 31 2006  3:04 PM PUBLIC\n"
         "- [R----F--] ADMIN        10240 Nov  2 2005 12:15 AM read me.txt\n",
         "Novell Netware Print Services for Unix:  DOS Namespace",
         {{"PUBLIC", dkDirectory, 512, "2006-01-31T15:04:00"},
          {"read me.txt", dkFile, 10240, "2005-11-02T00:15:00"}},
         &ListParserNetwarePSUDos},
        {"NetWare Print Services, NFS name space",
         "-rw-r--r--  1 admin  staff  1234 Jan 31 2006  3:04 PM notes.txt\n"
         "drwxr-xr-x  2 admin  staff   512 Dec  1 11:30 AM spool\n",
         "Novell Netware Print Services for Unix:  NFS Namespace",
         {{"notes.txt", dkFile, 1234, "2006-01-31T15:04:00"},
          {"spool", dkDirectory, 512, "2026-12-01T11:30:00"}}},
        {"OS/2, dot entries left out",
         "                 0  DIR            04-11-95   16:26  .\n"
         "                 0  DIR            04-11-95   16:26  ..\n"
         "               612  A              07-28-95   16:45  air tra1.bag\n"
         "            310992                 06-28-94   09:56  INSTALL.EXE\n"
         "99999999999999999999  A            06-28-94   09:56  huge.bin\n",
         "OS/2",
         {{"air tra1.bag", dkFile, 612, "1995-07-28T16:45:00"},
          {"INSTALL.EXE", dkFile, 310992, "1994-06-28T09:56:00"},
          {"huge.bin", dkFile, 0, "1994-06-28T09:56:00"}}},
        {"Connect:Express, names only",
         " F 0 PAYROLL.MONTHLY\n"
         " D 1 ARCHIVE\n",
         "Connect:Express for OS/390",
         {{"PAYROLL.MONTHLY", dkFile, -1, ""}, {"ARCHIVE", dkDirectory, -1, ""}}},
        {"CONNECT:Enterprise batches with footer",
         "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST\n"
         "-C--E-----FTP A QUA1I1      18128   5000000000 Apr 1 2014 BIG ONE\n"
         "Total Number of batches listed: 2\n",
         "CONNECT:Enterprise for UNIX",
         {{"QUADTEST", dkFile, 41, "2026-08-12T13:56:00"},
          {"BIG ONE", dkFile, 5000000000, "2014-04-01T00:00:00"}}},
        {"CONNECT:Enterprise list of mailboxes",
         "PAYROLL\n"
         "ORDERS\n"
         "Total number of Mailboxes = 2\n",
         "CONNECT:Enterprise for UNIX ROOT",
         {{"PAYROLL", dkDirectory, -1, ""}, {"ORDERS", dkDirectory, -1, ""}}},
        {"TSX+, two entries on a line, summary skipped",
         "SWAP  .SYS    27  01-Jan-80    RT11SJ.SYS    79  01-Jan-80\n"
         "PIP   .SAV    30  12-Mar-93\n"
         "Directory [ DK:FTP ] / 3 Files   136 Blocks\n",
         "TSX+",
         {{"SWAP.SYS", dkFile, 27 * 512, "1980-01-01T00:00:00"},
          {"RT11SJ.SYS", dkFile, 79 * 512, "1980-01-01T00:00:00"},
          {"PIP.SAV", dkFile, 30 * 512, "1993-03-12T00:00:00"}}},
        {"VM virtual reader: the spool number is the name",
         "0012 MAINT    PUN 00000033 001 NONE 12/08 10:32:03 PROFILE  EXEC     MAINT\n"
         "0013 OPERATOR RDR 00000002 001 NONE 11/30/25 08:00:00 LOG      FILE     OPERATOR\n",
         "VM Virtual Reader",
         {{"0012", dkFile, -1, "2026-12-08T10:32:03"},
          {"0013", dkFile, -1, "2025-11-30T08:00:00"}}},
        {"VM byte file system",
         "12/10/2026 10:32:03 F 1 4096 notes.txt\n"
         "01/02/99 08:00:00 D 2 - sub dir\n",
         "VM/BFS",
         {{"notes.txt", dkFile, 4096, "2026-12-10T10:32:03"},
          {"sub dir", dkDirectory, -1, "1999-01-02T08:00:00"}}},
        {"VM/CMS: fixed-length files know their size",
         "$README  $FIRST   F         80          7          1 11/21/97 23:26:08 FTP301\n"
         "PROFILE  EXEC     V         72         12          1 1999-01-02 03:04:05 -\n"
         "ART               DIR        -          -          - 11/24/95 17:45:47 -\n",
         "VM/CMS",
         {{"$README.$FIRST", dkFile, 560, "1997-11-21T23:26:08"},
          {"PROFILE.EXEC", dkFile, -1, "1999-01-02T03:04:05"},
          {"ART", dkDirectory, -1, "1995-11-24T17:45:47"}}},
        {"VMS: every version an entry, headers and footers skipped",
         "Directory USER1:[TEMP]\n"
         "\n"
         "1-JUN.LIS;1              9/9           2-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,RE)\n"
         "3-JUN.LIS;4              9/9           7-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,)\n"
         "3-JUN.LIS;2              9/9           4-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,)\n"
         "\n"
         "Total 3 files\n",
         "VMS",
         {{"1-JUN.LIS;1", dkFile, 4608, "1998-06-02T07:32:04"},
          {"3-JUN.LIS;4", dkFile, 4608, "1998-06-07T07:32:04"},
          {"3-JUN.LIS;2", dkFile, 4608, "1998-06-04T07:32:04"}}},
        {"VMS: long names continue on the next line; folders; unknown sizes",
         "Directory DISK$USER:[ANONYMOUS]\n"
         "UCX$REXECD_STARTUP.LOG;1098\n"
         "                         4/15         24-FEB-2003 13:17:24  [POSTWARE,LP]    (RWED,RWED,RE,)\n"
         "PUB.DIR;1                1/3           2-NOV-2000 13:56:25.12  [SYSTEM]  (RWE,RWE,RE,RE)\n"
         "VMS721.ISO;2 ******  6-MAY-2008 09:29 [ANONY,ANONYMOUS] (RE,RWED,RE,RE)\n"
         "HUGE.DAT;1 99999999999999999/99999999999999999 6-MAY-2008 09:29 [X] (RE,RWED,RE,RE)\n"
         "\n"
         "Grand total of 1 directory, 3 files, 5/18 blocks.\n",
         "VMS",
         {{"UCX$REXECD_STARTUP.LOG;1098", dkFile, 2048, "2003-02-24T13:17:24"},
          {"PUB", dkDirectory, 512, "2000-11-02T13:56:25"},
          {"VMS721.ISO;2", dkFile, -1, "2008-05-06T09:29:00"},
          {"HUGE.DAT;1", dkFile, 0, "2008-05-06T09:29:00"}}},
        {"VSE library: sublibraries are folders",
         "CONFIG       <Sub Library>\n"
         "PRD2         <Sub Library>   12/08/26 10:32\n",
         "VSE:  Library",
         {{"CONFIG", dkDirectory, -1, ""}, {"PRD2", dkDirectory, -1, "2026-12-08T10:32:00"}}},
        {"VSE root: libraries and other file spaces are folders",
         "PRD1         <Library>\n"
         "POWER        <Power Queues>\n",
         "VSE:  Root Directory",
         {{"PRD1", dkDirectory, -1, ""}, {"POWER", dkDirectory, -1, ""}}},
        {"VSE sublibrary: members with counts and dates",
         // Read directly: the KA9Q parser, earlier in the registry, takes
         // the same words.
         "PAYROLL.PHASE        12   12/08/26 10:32\n"
         "STARTUP.PROC          3   01/31/06\n"
         "$$BOOT.OBJ            1   02/30/06\n",
         "VSE:  Sublibrary",
         {{"PAYROLL.PHASE", dkFile, -1, "2026-12-08T10:32:00"},
          {"STARTUP.PROC", dkFile, -1, "2006-01-31T00:00:00"},
          {"$$BOOT.OBJ", dkFile, -1, ""}},
         &ListParserVSESubLibrary},
        {"VSE POWER queue: jobs with number, class and disposition",
         "PAYROLL   01234   0  A  K    1520  12/08/26 10:32\n"
         "NIGHTLY   00017   1  B  D\n",
         "VSE:  PowerQueue",
         {{"PAYROLL", dkFile, -1, "2026-12-08T10:32:00"}, {"NIGHTLY", dkFile, -1, ""}}},
        {"VSE VSAM catalog: clusters with their type",
         "PAYROLL.MASTER.FILE   K   12/08/26\n"
         "AUDIT.LOG             E\n"
         "SLOTS.RRDS            R   120  01/31/06 03:04\n",
         "VSE:  VSAM Catalog",
         {{"PAYROLL.MASTER.FILE", dkFile, -1, "2026-12-08T00:00:00"},
          {"AUDIT.LOG", dkFile, -1, ""},
          {"SLOTS.RRDS", dkFile, -1, "2006-01-31T03:04:00"}}},
        {"VSE VTOC: files of a volume with their type",
         "VSE.DUMP.FILE         S   12/08/26\n"
         "VSAM.SPACE.1          V\n"
         "DIRECT.DATA           D   4000\n",
         "VSE:  VTOC",
         {{"VSE.DUMP.FILE", dkFile, -1, "2026-12-08T00:00:00"},
          {"VSAM.SPACE.1", dkFile, -1, ""},
          {"DIRECT.DATA", dkFile, -1, ""}}},
        {"VxWorks, folders marked after the name",
         "  size          date       time       name\n"
         "--------       ------     ------    --------\n"
         "   40774    Aug-19-1994  12:00:00   IO.SYS\n"
         "     512    May-05-2003  14:20:44   BOOT              <DIR>\n",
         "Wind River VxWorks",
         {{"IO.SYS", dkFile, 40774, "1994-08-19T12:00:00"},
          {"BOOT", dkDirectory, 512, "2003-05-05T14:20:44"}}},
        {"WinQVT/NET fixed columns",
         // Read directly: the KA9Q parser, earlier in the registry, takes
         // the same words.
         "AUTOEXEC.BAT                 314   09-10-1996 15:24\n"
         "WINDOWS/                           04-10-1995 12:34\n",
         "WinQVT/NET",
         {{"AUTOEXEC.BAT", dkFile, 314, "1996-09-10T15:24:00"},
          {"WINDOWS", dkDirectory, -1, "1995-04-10T12:34:00"}},
         &ListParserWinQVNet},
        {"Xercom Micro RTOS, header and footer skipped",
         "   Start      End    length  File name\n"
         "  00010000 0001FFFF   65536  BOOT.BIN\n"
         "  00020000 000200FF   0x100  HEX.BIN\n"
         "** Total 2 files, 65536 bytes **\n",
         "Xercom Micro RTOS",
         {{"BOOT.BIN", dkFile, 65536, ""}, {"HEX.BIN", dkFile, 0, ""}}},
    };
    return cases;
}

} // namespace

TEST(ServerFamilies, EachLayoutIsRecognisedAndGivesItsEntries)
{
    ExpectCasesParse(FamilyCases());
}

TEST(ServerFamilies, VMSLocalNamesHaveNoVersion)
{
    TIdFTPListItems items;
    ParseListingText("README.TXT;4  2  18-APR-2000 10:40:39.90\n"
                     "Mixed.Case;12  2  18-APR-2000 10:40:39\n",
                     items);
    ASSERT_EQ(items.Count(), 2u);
    EXPECT_EQ(items[0].FileName(), "README.TXT;4");
    EXPECT_EQ(items[0].LocalFileName(), "readme.txt");
    EXPECT_EQ(items[1].LocalFileName(), "Mixed.Case");
}

TEST(ServerFamilies, TOPS20IsOnlyTakenFromTheSystemDescription)
{
    const std::vector<std::string_view> lines = {"PS:<ANONYMOUS>", "README.TXT.3",
                                                 "SOURCES.DIRECTORY.1"};
    const TIdFTPListBase& parser = ListParserTOPS20();
    EXPECT_FALSE(parser.CheckListing(lines, {}, true));
    ASSERT_TRUE(parser.CheckListing(lines, "TOPS20 Version 7", true));
    TIdFTPListItems items;
    parser.ParseListing(lines, items);
    ASSERT_EQ(items.Count(), 2u);
    EXPECT_EQ(items[0].FileName(), "README.TXT.3");
    EXPECT_EQ(items[1].FileName(), "SOURCES");
    EXPECT_EQ(items[1].ItemKind(), dkDirectory);
    EXPECT_FALSE(items[1].SizeKnown());
}

// Typical listings of the two commonest families. None of the parsers of
// this file may claim them (several come earlier in the registry).
TEST(ServerFamilies, UnixAndWindowsListingsAreNotTaken)
{
    const std::vector<TOwnedListing> listings = {
        {"total 24\n"
         "drwxr-xr-x   2 user group 4096 Jan 31 12:34 docs\n"
         "-rw-r--r--   1 user group  123 Jan  1  2005 notes.txt\n",
         "Unix"},
        {"-rw-r--r--   1 user group  123 2006-01-31 12:34 iso dates\n", "Unix"},
        {"1234 -rw-r--r--   1 10000000 20000000  12345678 Jan 31 12:34 inode first\n", "Unix"},
        {"crw-rw-rw- 1 root root 1,   3 Jan  1  2000 null\n", "Unix"},
        {"lrwxrwxrwx 1 root root 7 Mar  1  2005 lib -> usr/lib/\n", "Unix"},
        {"dr-xr-xr-x folder 0 Jan 31 12:34 Apps\n", "Unix"},
        {"01-31-06  03:04PM       <DIR>          New folder\n"
         "01-31-06  03:05PM            1,234,567 report.txt\n",
         "Windows NT"},
        {"2006-01-31  15:04       <DIR>          New folder\n"
         "2006-01-31  15:05              1234567 report.txt\n",
         "Windows NT"},
        {"01/31/2006  03:04 PM       <DIR>          New folder\n", "Windows NT"},
    };
    const std::vector<const TIdFTPListBase*> ours = {
        &ListParserNCSAforDOS(),        &ListParserNetwarePSUDos(),
        &ListParserNetwarePSUNFS(),     &ListParserOS2(),
        &ListParserSterCommExpOS390(),  &ListParserSterCommEntUx(),
        &ListParserSterCommEntUxNS(),   &ListParserSterCommEntUxRoot(),
        &ListParserTOPS20(),            &ListParserTSXPlus(),
        &ListParserVirtualReader(),     &ListParserVMBFS(),
        &ListParserVMCMS(),             &ListParserVMS(),
        &ListParserVSELibrary(),        &ListParserVSEPowerQueue(),
        &ListParserVSERootDir(),        &ListParserVSESubLibrary(),
        &ListParserVSEVSAMCatalog(),    &ListParserVSEVTOC(),
        &ListParserVxWorks(),           &ListParserWinQVNet(),
        &ListParserXecomMicroRTOS(),
    };
    ExpectListingsLeftToOwners(listings, ours);
}

// Damaged and truncated lines of each layout: no crash, no entry from a
// line without a name.
TEST(ServerFamilies, TruncatedLinesGiveNoNamelessEntries)
{
    const char* listings[] = {
        "AUTOEXEC.BAT        314   9-10-96\n",
        "d [RWCEAFMS] ADMIN          512 Jan 31 2006  3:04 PM\n",
        "1234 A 12-07-10  12:05\n",
        " F 0\n",
        "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56\n",
        "Directory [ DK:FTP ] / 3 Files   136 Blocks\nSWAP  .SYS    27\n",
        "0012\n",
        "12/10/2026 10:32:03 F 1 4096\n",
        "X                 DIR\n",
        "A.DIR;1\n",
        ".DIR;1 1 2-JUN-1998 07:32:04\n",
        "  size          date       time       name\n   40774    Aug-19-1994  12:00:00\n",
        "AUTOEXEC.BAT                 314   09-10-1996 15:24\n"
        "                                    09-10-1996 15:24\n",
        "   Start      End    length  File name\n  00010000\n",
    };
    for (const char* listing : listings) {
        SCOPED_TRACE(listing);
        TIdFTPListItems items;
        ParseListingText(listing, items);
        for (const TIdFTPListItem& item : items)
            EXPECT_FALSE(item.FileName().empty());
    }
}

// The VSE formats inside a library, a POWER queue, a VSAM catalog or a VTOC
// take only their own layout, and none takes the DOS-like layouts of the
// formats asked after them.
TEST(ServerFamilies, VSEFormatsTakeOnlyTheirOwnLayout)
{
    const struct {
        const char* Listing;
        const TIdFTPListBase& (*Owner)();
    } listings[] = {
        {"PAYROLL.PHASE        12   12/08/26 10:32\n", &ListParserVSESubLibrary},
        {"PAYROLL   01234   0  A  K    1520  12/08/26 10:32\n", &ListParserVSEPowerQueue},
        {"PAYROLL.MASTER.FILE   K   12/08/26\n", &ListParserVSEVSAMCatalog},
        {"VSE.DUMP.FILE         S   12/08/26\n", &ListParserVSEVTOC},
        {"AUTOEXEC.BAT                 314   09-10-1996 15:24\n", nullptr},
        {"   40774    Aug-19-1994  12:00:00   IO.SYS\n", nullptr},
        {"  00010000 0001FFFF   65536  BOOT.BIN\n", nullptr},
        {"readme.txt  12  12/08/26 10:32\n", nullptr},        // not in capitals
        {"PAYROLL.MASTER.FILE   K   12/08/26 extra\n", nullptr},
        {"PAYROLL   01234   0  A  Q\n", nullptr},             // no such disposition
        {"VSE.DUMP.FILE         SD\n", nullptr},
    };
    const TIdFTPListBase* vse[] = {&ListParserVSESubLibrary(), &ListParserVSEPowerQueue(),
                                   &ListParserVSEVSAMCatalog(), &ListParserVSEVTOC()};
    for (const auto& listing : listings) {
        SCOPED_TRACE(listing.Listing);
        const std::vector<std::string_view> lines = SplitListingLines(listing.Listing);
        for (const TIdFTPListBase* parser : vse) {
            const bool own = listing.Owner != nullptr && &listing.Owner() == parser;
            EXPECT_EQ(parser->CheckListing(lines, {}, true), own) << parser->Identifier();
        }
    }
}
