// IBM MVS (z/OS) listings.
//
// Data sets under a high-level qualifier:
//   Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  60-MVS.FILE
//   SY1RES 3390   2000/01/20  1   12  FB      80 27920  PO  'SYS1.JES3.ISPCLIB'
//   Migrated                                                HLQ.OLD.FILE
//   Pseudo Directory                                        ISPF
// Partitioned data sets (PO, PO-E) and pseudo directories are folders. The
// listing shows tracks used, not bytes, so data sets have no size; the
// "Referred" date is the last use. Names stay as sent (quoted names are
// fully qualified and must be used that way); the local name drops quotes.
//
// Members of a partitioned data set:
//    Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   ADDUSER   01.01 2008/10/14 2008/10/14 12:42    15    12    15 IBMUSER
// "Size" counts records, not bytes, so members have no byte size either;
// members without statistics show only their name. Load libraries list
// modules with their size in hexadecimal bytes:
//    Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode
//   IEFBR14   000008   00000F          01 FO             RN RU            24    24
//
// JES job queues (interface level 1 without a header, level 2 with one):
//   IBMUSER1  JOB05966  OUTPUT    3 Spool Files
//   JOBNAME  JOBID    OWNER    STATUS CLASS
//   IBMUSER1 JOB01906 IBMUSER  OUTPUT A        RC=0000 3 spool files
// A job is fetched by its job id, so that is the entry's name.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

#include <string>

using namespace listparse;

namespace {

// Words separated by blanks or tabs ("Migrated\t\t\tNAME").
class TAnyBlankWords {
public:
    explicit TAnyBlankWords(std::string_view line) : rest_(line) {}
    std::string_view Next()
    {
        std::size_t i = 0;
        while (i < rest_.size() && IsBlank(rest_[i]))
            ++i;
        std::size_t j = i;
        while (j < rest_.size() && !IsBlank(rest_[j]))
            ++j;
        const std::string_view word = rest_.substr(i, j - i);
        rest_.remove_prefix(j);
        return word;
    }

private:
    std::string_view rest_;
};

std::string_view LastWord(std::string_view line)
{
    const std::string_view text = TrimRight(line);
    const std::size_t cut = text.find_last_of(" \t");
    return cut == std::string_view::npos ? text : text.substr(cut + 1);
}

// "2003/05/21" (or with "-").
bool ReadIsoDate(std::string_view word, TIdDateParts& parts)
{
    int y = 0, m = 0, d = 0;
    if (word.size() != 10 || !SplitDate3(word, y, m, d) || y < 1000)
        return false;
    parts.Year = y;
    parts.Month = m;
    parts.Day = d;
    return true;
}

// The last-referenced date of a data set: "2003/05/21", or "07/16/97"
// (month, day, year) from older servers.
bool ReadDataSetDate(std::string_view word, int currentYear, TIdDateParts& parts)
{
    if (ReadIsoDate(word, parts))
        return true;
    int m = 0, d = 0, y = 0;
    if (word.size() != 8 || !SplitDate3(word, m, d, y))
        return false;
    parts.Year = ExpandYear(y, currentYear);
    parts.Month = m;
    parts.Day = d;
    return true;
}

// A device type: "3390", or "3380D" on older servers.
bool IsUnit(std::string_view word)
{
    return (word.size() == 4 || word.size() == 5) && IsNumeric(word.substr(0, 4));
}

bool IsVersion(std::string_view word)  // "01.01"
{
    return word.size() == 5 && IsDigit(word[0]) && IsDigit(word[1]) && word[2] == '.'
           && IsDigit(word[3]) && IsDigit(word[4]);
}

bool IsJobId(std::string_view word)  // "JOB01906", "TSU01830", "STC00012", "J0123456"
{
    if (word.size() != 8)
        return false;
    std::size_t letters = 0;
    while (letters < word.size() && IsAlpha(word[letters]))
        ++letters;
    return letters >= 1 && letters <= 3 && IsNumeric(word.substr(letters));
}

bool IsJobStatus(std::string_view word)
{
    return word == "OUTPUT" || word == "ACTIVE" || word == "INPUT" || word == "HELD"
           || word == "WAITING";
}

// --- data sets ---------------------------------------------------------

bool IsDataSetHeader(std::string_view line)
{
    // Older servers title the date column "Date".
    static constexpr std::string_view kTitles[] = {"Volume", "Unit", "Referred", "Ext", "Used",
                                                   "Lrecl", "BlkSz", "Dsorg", "Dsname"};
    TIdWordCursor words(line);
    if (!SameText(words.Peek(), "Volume"))
        return false;
    std::size_t next = 0;
    for (std::string_view word = words.Next(); !word.empty() && next < std::size(kTitles);
         word = words.Next())
        if (SameText(word, kTitles[next]) || (next == 2 && SameText(word, "Date")))
            ++next;
    return next == std::size(kTitles);
}

// A data set line without the header above it: volume serial, a 4-digit
// unit and then a date, "***NONE***" or "VSAM"; or a migrated data set.
bool LooksLikeDataSetLine(std::string_view line)
{
    TAnyBlankWords words(line);
    const std::string_view volume = words.Next();
    if (volume == "Migrated")
        return !words.Next().empty() && words.Next().empty();
    const std::string_view unit = words.Next();
    const std::string_view third = words.Next();
    TIdDateParts parts;
    return volume.size() <= 6 && !volume.empty() && IsUnit(unit)
           && (ReadDataSetDate(third, 2000, parts) || third == "***NONE***" || third == "VSAM");
}

// --- members -----------------------------------------------------------

bool IsMemberHeader(std::string_view line)
{
    TIdWordCursor words(line);
    if (!SameText(words.Next(), "Name"))
        return false;
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next())
        if (SameText(word, "Size"))
            return true;
    return false;
}

bool IsHex(std::string_view word)
{
    if (word.empty() || word.size() > 8)
        return false;
    for (char c : word)
        if (!IsDigit(c) && !(UpCase(c) >= 'A' && UpCase(c) <= 'F'))
            return false;
    return true;
}

std::int64_t HexValue(std::string_view word)
{
    std::int64_t value = 0;
    for (char c : word)
        value = value * 16 + (IsDigit(c) ? c - '0' : UpCase(c) - 'A' + 10);
    return value;
}

// A load module of a load library: "Name Size TTR Alias-of AC Attributes
// Amode Rmode", with the size in hexadecimal bytes and a 6-digit TTR.
bool IsLoadModuleLine(std::string_view line, std::string_view& size)
{
    TIdWordCursor words(line);
    words.Next();
    size = words.Next();
    const std::string_view ttr = words.Next();
    return IsHex(size) && ttr.size() == 6 && IsHex(ttr);
}

bool LooksLikeMemberLine(std::string_view line)
{
    TIdWordCursor words(line);
    TIdDateParts parts;
    return !words.Next().empty() && IsVersion(words.Next()) && ReadIsoDate(words.Next(), parts);
}

// --- jobs --------------------------------------------------------------

bool IsJES2Header(std::string_view line)
{
    TIdWordCursor words(line);
    return words.Next() == "JOBNAME" && words.Next() == "JOBID" && words.Next() == "OWNER"
           && words.Next() == "STATUS" && words.Next() == "CLASS";
}

// "IBMUSER1 JOB01906 IBMUSER  OUTPUT A  RC=0000 3 spool files" (level 2
// rows carry the owner before the status).
bool IsJES2Line(std::string_view line)
{
    TIdWordCursor words(line);
    return !words.Next().empty() && IsJobId(words.Next()) && !words.Next().empty()
           && IsJobStatus(words.Next());
}

bool IsNoJobs(std::string_view line)
{
    return StartsText(TrimLeft(line), "No jobs found on JES queue");
}

bool IsJES1Line(std::string_view line)
{
    TIdWordCursor words(line);
    return !words.Next().empty() && IsJobId(words.Next()) && IsJobStatus(words.Next());
}

bool ParseJobLine(TIdFTPListItem& item, std::string_view line)
{
    TIdWordCursor words(line);
    words.Next();
    const std::string_view id = words.Next();
    if (!IsJobId(id))
        return false;  // spool file details or a message line
    item.SetItemKind(dkFile);
    item.SetSizeKnown(false);
    item.SetModifiedKnown(false);
    item.SetFileName(id);
    return true;
}

std::string_view FirstTableLine(TIdListingLines lines)
{
    for (std::string_view line : lines)
        if (!IsBlankLine(line) && !IsSeparatorLine(line))
            return line;
    return {};
}

} // namespace

class TIdFTPLPMVS : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "MVS"; }

    bool IsHeader(std::string_view line) const override { return IsDataSetHeader(line); }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view first = FirstTableLine(lines);
        return IsDataSetHeader(first) || LooksLikeDataSetLine(first);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsDataSetHeader(line))
            return false;
        std::string_view name = LastWord(line);
        if (name.empty())
            return false;
        item.SetSizeKnown(false);
        item.SetModifiedKnown(false);
        item.SetItemKind(dkFile);

        TAnyBlankWords words(line);
        const std::string_view first = words.Next();
        const std::string_view second = words.Next();
        if (first == "Pseudo" && second == "Directory") {
            item.SetItemKind(dkDirectory);
        } else if (first != "Migrated" && IsUnit(second)) {
            // Volume Unit Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname:
            // the organisation is the word before the name.
            TIdDateParts parts;
            TDateTime referred = 0;
            if (ReadDataSetDate(words.Next(), item.ListStore().NowParts().Year, parts)
                && TryEncodeDateTime(parts, referred)) {
                item.SetModifiedDate(referred);
                item.SetModifiedKnown(true);
            }
            const auto nameAt = static_cast<std::size_t>(name.data() - line.data());
            const std::string_view head = TrimRight(line.substr(0, nameAt));
            const std::string_view dsorg = LastWord(head);
            if (dsorg.size() >= 2 && dsorg.substr(0, 2) == "PO" && dsorg != name)
                item.SetItemKind(dkDirectory);
        }
        item.SetFileName(name);
        if (name.size() > 2 && name.front() == '\'' && name.back() == '\'') {
            // The local name follows the usual case rule, without the quotes.
            std::string local(name.substr(1, name.size() - 2));
            bool lower = false;
            for (char c : local)
                lower = lower || (c >= 'a' && c <= 'z');
            if (!lower)
                for (char& c : local)
                    c = LowCase(c);
            item.SetLocalFileName(local);
        }
        return true;
    }
};

class TIdFTPLPMVSPartitionedDataSet : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "MVS:  Partitioned Data Set"; }

    bool IsHeader(std::string_view line) const override { return IsMemberHeader(line); }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view first = FirstTableLine(lines);
        return IsMemberHeader(first) || LooksLikeMemberLine(first);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsMemberHeader(line))
            return false;
        TIdWordCursor words(line);
        const std::string_view name = words.Next();
        if (name.empty())
            return false;
        item.SetItemKind(dkFile);
        item.SetSizeKnown(false);
        item.SetModifiedKnown(false);
        // Name VV.MM Created Changed-date Changed-time Size Init Mod Id
        std::string_view loadSize;
        if (IsLoadModuleLine(line, loadSize)) {
            item.SetSize(HexValue(loadSize));
            item.SetSizeKnown(true);
        } else if (IsVersion(words.Next())) {
            words.Next();  // created
            TIdDateParts parts;
            TDateTime changed = 0;
            if (ReadIsoDate(words.Next(), parts)
                && ReadClockTime(words.Next(), parts.Hour, parts.Minute, parts.Second)
                && TryEncodeDateTime(parts, changed)) {
                item.SetModifiedDate(changed);
                item.SetModifiedKnown(true);
            }
        }
        item.SetFileName(name);
        return true;
    }
};

class TIdFTPLPMVSJESInterface1 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "MVS:  JES Queue Interface 1"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view first = FirstTableLine(lines);
        return IsNoJobs(first) || IsJES1Line(first);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return ParseJobLine(item, line);
    }
};

class TIdFTPLPMVSJESInterface2 : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "MVS:  JES Queue Interface 2"; }

    bool IsHeader(std::string_view line) const override { return IsJES2Header(line); }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view first = FirstTableLine(lines);
        return IsJES2Header(first) || IsNoJobs(first) || IsJES2Line(first);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return ParseJobLine(item, line);
    }
};

const TIdFTPListBase& ListParserMVS()
{
    static const TIdFTPLPMVS parser;
    return parser;
}

const TIdFTPListBase& ListParserMVSPartitionedDataSet()
{
    static const TIdFTPLPMVSPartitionedDataSet parser;
    return parser;
}

const TIdFTPListBase& ListParserMVSJESInterface1()
{
    static const TIdFTPLPMVSJESInterface1 parser;
    return parser;
}

const TIdFTPListBase& ListParserMVSJESInterface2()
{
    static const TIdFTPLPMVSJESInterface2 parser;
    return parser;
}
