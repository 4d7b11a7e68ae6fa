// Listings of AS/400, Bull GCOS, Cisco IOS, Distinct, NetWare, HellSoft,
// KA9Q, MPE/iX, MVS, OS-9 and MUSIC/SP servers: layouts the collected real
// samples do not show, listing-wide decisions (the AS/400 date order), and
// that none of these formats takes a Unix or Windows NT listing for its own.

#include "FamilyCases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace family_cases;

const std::vector<TFamilyCase>& Cases()
{
    static const std::vector<TFamilyCase> cases = {
        {"AS/400: the listing's unambiguous dates fix the order (mm/dd/yy) for 04/08/08",
         "ROOT           954368 04/08/08 11:48:21 *FILE      LIBCCLOG.SAVF\n"
         "QSYS           131072 06/27/06 19:12:53 *DIR       QOpenSys/\n",
         "AS400",
         {{"LIBCCLOG.SAVF", dkFile, 954368, "2008-04-08T11:48:21"},
          {"QOpenSys", dkDirectory, 131072, "2006-06-27T19:12:53"}}},
        {"AS/400: an impossible time leaves the date unknown; a member has neither",
         "PEP              6409 04/03/24 30:06:29 *STMF      build.xml\n"
         "QPGMR                                   *MEM       QAAPFILE.FILE/QAAPF1X1.MBR\n",
         "AS400",
         {{"build.xml", dkFile, 6409, ""}, {"QAAPFILE.FILE/QAAPF1X1.MBR", dkFile, -1, ""}}},
        {"AS/400: anonymous sessions show no owner",
         "             5263360 06/11/97 12:27:39 *FILE      BPTFSAVF\n"
         "                                       *MEM       BPTF.FILE/M1.MBR\n",
         "AS400",
         {{"BPTFSAVF", dkFile, 5263360, "1997-06-11T12:27:39"},
          {"BPTF.FILE/M1.MBR", dkFile, -1, ""}}},
        {"Bull GCOS 7: fixed columns, date as \"Mon DD, YYYY\"",
         "d M OWNER1              SEQ              Jan 18, 2003 MY.CATALOG\n"
         "- R OWNER1              UFAS             Dec 03, 1999 SRC.FILE\n",
         "Bull GCOS7",
         {{"MY.CATALOG", dkDirectory, -1, "2003-01-18T00:00:00"},
          {"SRC.FILE", dkFile, -1, "1999-12-03T00:00:00"}}},
        {"Bull GCOS 8: flag columns, name last",
         "d r w x - OWNER           12/31/98 14:05    CATFOLDER\n"
         "- r w - - OWNER           01/02/03 08:30    REPORT\n",
         "Bull GCOS8",
         {{"CATFOLDER", dkDirectory, -1, "1998-12-31T14:05:00"},
          {"REPORT", dkFile, -1, "2003-01-02T08:30:00"}}},
        {"Cisco IOS: banner, then names only",
         "Cisco IOS Software, C2600 Software\n"
         "c2600-i-mz.123-26.bin\n"
         "startup-config\n",
         "Cisco IOS",
         {{"c2600-i-mz.123-26.bin", dkFile, -1, ""}, {"startup-config", dkFile, -1, ""}}},
        {"Distinct TCP/IP: attributes, size, Unix-style date",
         "-r--w       1234 Jan 31 12:34 report.txt\n"
         "d----          0 Mar 01  2005 archive\n",
         "Distinct TCP/IP",
         {{"report.txt", dkFile, 1234, "2026-01-31T12:34:00"},
          {"archive", dkDirectory, 0, "2005-03-01T00:00:00"}}},
        {"KA9Q: two entries per line, commas in sizes, footer skipped",
         "AUTOEXEC.BAT       1,234 12:34  1/02/96    SPOOL/            21:09  4/01/97\n"
         "NOS.EXE          203,140 18:42 11/23/05\n"
         "3 files. 123,456 bytes free. Disk size 1,234,567 bytes.\n",
         "KA9Q",
         {{"AUTOEXEC.BAT", dkFile, 1234, "1996-01-02T12:34:00"},
          {"SPOOL", dkDirectory, -1, "1997-04-01T21:09:00"},
          {"NOS.EXE", dkFile, 203140, "2005-11-23T18:42:00"}}},
        {"MPE/iX: classic LISTF, size = record size x records",
         "ACCOUNT=  SYS         GROUP=  PUB\n"
         "\n"
         "FILENAME  CODE  ------------LOGICAL RECORD-----------  ----SPACE----\n"
         "                  SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX\n"
         "\n"
         "CATALOG         128W  FBA         240        240   1      256  1  1\n"
         "LOADPGM   PROG  256W  FB           10         10   1       32  1  1\n",
         "MPE/iX: ",
         {{"CATALOG", dkFile, 61440, ""}, {"LOADPGM", dkFile, 5120, ""}}},
        {"MPE/iX with POSIX names: folders end in \"/\"",
         " PATH= /FTPGUEST/PUB/\n"
         "\n"
         " CODE  ------------LOGICAL RECORD-----------  ----SPACE----  FILENAME\n"
         "         SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX\n"
         "\n"
         "          16W  HBD          0   67107839   1       32  1  *  incoming/\n"
         "           1B  BA         115 2147483647   1       16  1  *  testfile\n",
         "With POSIX",
         {{"incoming", dkDirectory, -1, ""}, {"testfile", dkFile, 115, ""}}},
        {"MVS: data sets, PO is a folder, migrated and pseudo-directory entries",
         "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n"
         "WPTA01 3290   2004/03/04  1    3  FB      80  3125  PO  LIB.SOURCE\n"
         "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  DATA.FILE\n"
         "Migrated                                                OLD.FILE\n"
         "Pseudo Directory                                        ISPF\n",
         "MVS",
         {{"LIB.SOURCE", dkDirectory, -1, "2004-03-04T00:00:00"},
          {"DATA.FILE", dkFile, -1, "2003-05-21T00:00:00"},
          {"OLD.FILE", dkFile, -1, ""},
          {"ISPF", dkDirectory, -1, ""}}},
        {"MVS: older servers title the date \"Date\" and show mm/dd/yy",
         "Volume Unit    Date  Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n"
         "APCSPL 3380D 07/16/97  1    1  FB      80  8800  PS  ETC.RPC\n",
         "MVS",
         {{"ETC.RPC", dkFile, -1, "1997-07-16T00:00:00"}}},
        {"MVS: load library modules have hexadecimal byte sizes",
         " Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode\n"
         "IEFBR14   000008   00000F          01 FO             RN RU            24    24\n"
         "MYPROG    01A2F0   000112          01 FO                              31   ANY\n",
         "MVS:  Partitioned Data Set",
         {{"IEFBR14", dkFile, 8, ""}, {"MYPROG", dkFile, 107248, ""}}},
        {"MVS: JES interface 2 rows without their title line",
         "IBMUSER2 JOB01906 IBMUSER  OUTPUT A        RC=0000 3 spool files\n",
         "MVS:  JES Queue Interface 2",
         {{"JOB01906", dkFile, -1, ""}}},
        {"MVS: JES interface 1 lists jobs by job id",
         "IBMUSER1  JOB05966  OUTPUT    3 Spool Files\n"
         "IBMUSER2  JOB05967  ACTIVE\n",
         "MVS:  JES Queue Interface 1",
         {{"JOB05966", dkFile, -1, ""}, {"JOB05967", dkFile, -1, ""}}},
        {"MVS: an empty JES queue",
         "No jobs found on JES queue\n",
         "MVS:  JES Queue Interface 1",
         {}},
        {"OS-9: yy/mm/dd dates, hhmm times, decimal byte counts",
         "Directory of . 15:10:09\n"
         "Owner    Last modified  Attributes Sector Bytecount Name\n"
         "-------   -------------  ---------- ------ --------- ----\n"
         "254.254   15/07/19 0724   ------wr      40       154 .login\n"
         "0.0     15/08/30 1101   d-ewrewr     1E0      4736 CMDS\n",
         "MicroWare OS-9",
         {{".login", dkFile, 154, "2015-07-19T07:24:00"},
          {"CMDS", dkDirectory, 4736, "2015-08-30T11:01:00"}}},
        {"MUSIC/SP: title line, the last date is the write date",
         "File name         RlenRf  Size  Read     Write    By       Attrbs  #Recs\n"
         "PROFILE            80 F     1K  12Mar07  03Jan06  USER1    SHR       12\n"
         "SUBDIR\\\n",
         "MUSIC/SP",
         {{"PROFILE", dkFile, -1, "2006-01-03T00:00:00"}, {"SUBDIR", dkDirectory, -1, ""}}},
        {"NetWare: malformed size becomes 0, total line skipped",
         "total 1\n"
         "- [RWCEAFMS] ftpadmin 12x4 Jan 29  2004 notes.txt\n",
         "Novell Netware",
         {{"notes.txt", dkFile, 0, "2004-01-29T00:00:00"}}},
    };
    return cases;
}

} // namespace

TEST(HostFamilies, EachLayoutIsRecognisedAndGivesItsEntries)
{
    ExpectCasesParse(Cases());
}

TEST(HostFamilies, MVSQuotedNamesStayUsableAndGetAPlainLocalName)
{
    TIdFTPListItems items = NewItems();
    ParseListingText("Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n"
                     "SY1RES 3390   2000/01/20  1   12  FB      80 27920  PO  'SYS1.ISPCLIB'\n",
                     items);
    ASSERT_EQ(items.Count(), 1u);
    EXPECT_EQ(items[0].FileName(), "'SYS1.ISPCLIB'");
    EXPECT_EQ(items[0].LocalFileName(), "sys1.ispclib");
}

TEST(HostFamilies, AS400MembersKeepTheirFileAndFullPathsTheirName)
{
    TIdFTPListItems items = NewItems();
    ParseListingText("QPGMR                                   *MEM       QAAPFILE.FILE/X1.MBR\n"
                     "ZFTPDEV 9069 05/20/15 15:36:52 *STMF /DRV/AUD/REPORT.PDF\n",
                     items);
    ASSERT_EQ(items.Count(), 2u);
    EXPECT_EQ(items[0].LocalFileName(), "X1.MBR");
    EXPECT_EQ(items[1].FileName(), "REPORT.PDF");
}

// None of these formats may claim the listings the common servers send:
// they are asked before Unix and Windows NT.
TEST(HostFamilies, UnixAndWindowsListingsAreLeftToTheirParsers)
{
    const std::vector<const TIdFTPListBase*> mine = {
        &ListParserAS400(),      &ListParserGOS7(),
        &ListParserGOS8(),       &ListParserCiscoIOS(),
        &ListParserDistinctTCPIP(), &ListParserNovellNetware(),
        &ListParserHellSoft(),   &ListParserKA9Q(),
        &ListParserMPiX(),       &ListParserMPiXWithPOSIX(),
        &ListParserMVS(),        &ListParserMVSPartitionedDataSet(),
        &ListParserMVSJESInterface1(), &ListParserMVSJESInterface2(),
        &ListParserMicrowareOS9(), &ListParserMusic(),
    };
    const std::vector<TOwnedListing> listings = {
        {"total 24\n"
         "drwxr-xr-x   2 user group 4096 Jan 31 12:34 docs\n"
         "-rw-r--r--   1 user group  120 Mar  1  2005 a b.txt\n",
         "Unix"},
        {"lrwxrwxrwx 1 root root 7 Mar  1  2005 lib -> usr/lib/\n", "Unix"},
        {"crw-rw-rw- 1 root root 1,   3 Jan  1  2000 null\n", "Unix"},
        {"dr-xr-xr-x folder 0 Jan 31 12:34 Apps\n", "Unix"},
        {"-rw-r--r--    1 0        0             512 Dec 30  1999 *weird name\n", "Unix"},
        {"123456 8 -rw-r--r-- 1 user group 10 Jan 31 12:34 with-inode\n", "Unix"},
        {"01-31-06  03:04PM       <DIR>          New folder\n"
         "01-31-06  03:05PM            1,234,567 big.iso\n",
         "Windows NT"},
        {"2006-01-31  15:04       <DIR>          folder\n", "Windows NT"},
        {"01-31-06  03:05PM                  12 a *b\n", "Windows NT"},
    };
    // DOS-style layouts asked after these ones must stay theirs too.
    const char* const laterDosLayouts[] = {
        "FILE.TXT     1234  4-01-97  21:09\n",
        "     0           DIR   08-24-94   12:35  OS2\n",
    };
    for (const char* text : laterDosLayouts) {
        SCOPED_TRACE(text);
        const std::vector<std::string_view> lines = SplitListingLines(text);
        for (const TIdFTPListBase* parser : mine)
            EXPECT_FALSE(parser->CheckListing(lines, {}, true)) << parser->Identifier();
    }
    ExpectListingsLeftToOwners(listings, mine);
}

// Truncated and damaged lines of every layout: no crash, no entry without a
// name.
TEST(HostFamilies, DamagedLinesNeverCrashOrGiveNamelessEntries)
{
    const std::vector<std::string> lines = {
        "PEP              4019 04/03/18 18:58:16 *STMF      einladung.zip",
        "QPGMR                                   *MEM       /",
        "d M OWNER1              SEQ              Jan 18, 2003 MY.CATALOG",
        "d r w x - OWNER           12/31/98 14:05    CATFOLDER",
        "-r--w       1234 Jan 31 12:34 report.txt",
        "d [RWCEAFMS] jrd                               512 Oct 21  2001 bsuk00",
        "d[RWCEMFA]  1 cyp           512 Jul 01 11:49 htdocs",
        "AUTOEXEC.BAT       1,234 12:34  1/02/96    SPOOL/            21:09  4/01/97",
        "           1B  BA         115 2147483647   1       16  1  *  testfile",
        "CATALOG         128W  FBA         240        240   1      256  1  1",
        "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  60-MVS.FILE",
        "ADDUSER   01.01 2008/10/14 2008/10/14 12:42    15    12    15 IBMUSER",
        "IBMUSER1 JOB01906 IBMUSER  OUTPUT A        RC=0000 3 spool files",
        "0.0     15/08/30 1100   d-ewrewr      80        96 BIB",
        "PROFILE            80 F     1K  12Mar07  03Jan06  USER1    SHR       12",
    };
    const TIdFTPListBase* parsers[] = {
        &ListParserAS400(), &ListParserGOS7(), &ListParserGOS8(), &ListParserCiscoIOS(),
        &ListParserDistinctTCPIP(), &ListParserNovellNetware(), &ListParserHellSoft(),
        &ListParserKA9Q(), &ListParserMPiX(), &ListParserMPiXWithPOSIX(), &ListParserMVS(),
        &ListParserMVSPartitionedDataSet(), &ListParserMVSJESInterface1(),
        &ListParserMVSJESInterface2(), &ListParserMicrowareOS9(), &ListParserMusic(),
    };
    for (const std::string& full : lines) {
        for (std::size_t cut = 0; cut <= full.size(); ++cut) {
            const std::string_view line(full.data(), cut);
            const std::string_view one[] = {line};
            for (const TIdFTPListBase* parser : parsers) {
                TIdFTPListItems items = NewItems();
                parser->CheckListing(one, {}, true);
                parser->ParseListing(one, items);
                for (const TIdFTPListItem& item : items)
                    EXPECT_FALSE(item.FileName().empty())
                        << parser->Identifier() << ": '" << line << "'";
            }
        }
    }
}
