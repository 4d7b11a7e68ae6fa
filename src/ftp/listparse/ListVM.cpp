// Listings of IBM VM servers, three layouts.
//
// Virtual reader (TIdFTPLVirtualReader, "VM Virtual Reader"): one spool
// file per line, its 4-digit spool number first and an 8-digit record
// count further on; the spool number is the name one retrieves.
//   0012 MAINT    PUN 00000033 001 NONE 12/10 10:32:03 PROFILE  EXEC     MAINT
//
// Byte file system (TIdFTPLPVMBFS, "VM/BFS"): date, time, "F" (file) or
// "D" (folder), a count, the size ("-" for folders), the name.
//   12/10/2026 10:32:03 F 1 4096 notes.txt
//
// CMS minidisks and SFS folders (TIdFTPLPVMCMS, "VM/CMS"): name, type,
// record format ("F", "V" or "DIR" at columns 19-21), record length,
// records, blocks, date and time at fixed columns; entries are named
// "NAME.TYPE". Older servers add a title line and a file-mode column:
//   Filename FileType  Fm Format Lrecl  Records Blocks Date      Time
//   PROFILE  EXEC      A1 V      17     3      1       9/12/91   12:39:07
// Fixed-length files have records x record length bytes; other sizes are
// not known from the listing.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

#include <limits>
#include <string>

using namespace listparse;

namespace {

bool HasDigits(std::string_view word, std::size_t count)
{
    return word.size() == count && IsNumeric(word);
}

// "12/10", "12/10/26" or "2026-12-10" with the current year for the short
// form.
bool ReadVMDate(std::string_view word, int currentYear, TIdDateParts& out)
{
    if (ReadMonthDayYear(word, currentYear, out))
        return true;
    std::string_view p[3];
    if (SplitDateWord(word, p) && p[0].size() == 4 && IsNumeric(p[0]) && IsNumeric(p[1])
        && IsNumeric(p[2]) && p[1].size() <= 2 && p[2].size() <= 2) {
        const int year = ToInt(p[0]);
        const int month = ToInt(p[1]);
        const int day = ToInt(p[2]);
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
            return false;
        out.Year = year;
        out.Month = month;
        out.Day = day;
        return true;
    }
    const std::size_t slash = word.find('/');
    if (slash == std::string_view::npos || !HasDigits(word.substr(0, slash), slash)
        || slash > 2)
        return false;
    const std::string_view dayText = word.substr(slash + 1);
    if (!IsNumeric(dayText) || dayText.size() > 2)
        return false;
    const int month = ToInt(word.substr(0, slash));
    const int day = ToInt(dayText);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(currentYear, month))
        return false;
    out.Year = currentYear;
    out.Month = month;
    out.Day = day;
    return true;
}

void SetUnknownDate(TIdFTPListItem& item)
{
    item.SetModifiedDate(0);
    item.SetModifiedKnown(false);
}

// ---- virtual reader ------------------------------------------------------

bool IsReaderLine(std::string_view line)
{
    TIdWordCursor cursor(line);
    if (!HasDigits(cursor.Next(), 4))
        return false;
    const std::string_view second = cursor.Next();
    if (second.empty() || IsUnixPermissions(second))
        return false;
    if (HasDigits(second, 8))
        return true;
    for (int i = 0; i < 4; ++i)
        if (HasDigits(cursor.Next(), 8))
            return true;
    return false;
}

class TIdFTPLVirtualReader : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "VM Virtual Reader"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line))
                return IsReaderLine(line);
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsReaderLine(line))
            return false;
        TIdWordCursor cursor(line);
        item.SetFileName(cursor.Next());
        item.SetItemKind(dkFile);
        item.SetSizeKnown(false);
        TIdDateParts parts = item.ListStore().NowParts();
        bool dated = false;
        bool timed = false;
        for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
            if (!dated && word.find('/') != std::string_view::npos)
                dated = ReadVMDate(word, parts.Year, parts);
            else if (dated && !timed && word.find(':') != std::string_view::npos)
                timed = ReadClockTime(word, parts);
        }
        if (!dated) {
            SetUnknownDate(item);
            return true;
        }
        if (!timed)
            parts.Hour = parts.Minute = parts.Second = parts.Millisecond = 0;
        SetItemDate(item, parts);
        return true;
    }
};

// ---- byte file system ----------------------------------------------------

bool IsBFSLine(std::string_view line)
{
    TIdWordCursor cursor(line);
    const std::string_view date = cursor.Next();
    std::string_view p[3];
    if (date.find('/') == std::string_view::npos || !SplitDateWord(date, p)
        || !IsNumeric(p[0]) || !IsNumeric(p[1]) || !IsNumeric(p[2]))
        return false;
    cursor.Next();  // time
    const std::string_view kind = cursor.Next();
    return kind == "F" || kind == "D";
}

class TIdFTPLPVMBFS : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "VM/BFS"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line))
                return IsBFSLine(line);
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsBFSLine(line))
            return false;
        TIdWordCursor cursor(line);
        const std::string_view date = cursor.Next();
        const std::string_view time = cursor.Next();
        const bool folder = cursor.Next() == "D";
        cursor.Next();  // count
        const std::string_view size = cursor.Next();
        std::string_view name = cursor.Rest();
        if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
            name = name.substr(1, name.size() - 2);
        if (name.empty())
            return false;
        item.SetFileName(name);
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetSizeKnown(IsNumeric(size));
        item.SetSize(ToInt64(size));
        TIdDateParts parts;
        if (ReadVMDate(date, item.ListStore().NowParts().Year, parts)
            && (ReadClockTime(time, parts) || true))
            SetItemDate(item, parts);
        else
            SetUnknownDate(item);
        return true;
    }
};

// ---- CMS -----------------------------------------------------------------

bool IsRecordFormat(std::string_view word)
{
    return word == "F" || word == "V" || word == "DIR";
}

bool IsCMSTitle(std::string_view line)
{
    TIdWordCursor cursor(line);
    return SameText(cursor.Next(), "Filename") && SameText(cursor.Next(), "FileType");
}

bool IsCMSLine(std::string_view line)
{
    if (!IsRecordFormat(Trim(Columns(line, 19, 3))))
        return false;
    const std::string_view s1 = Columns(line, 56, 1);
    const std::string_view s2 = Columns(line, 59, 1);
    return (s1 == "/" && s2 == "/") || (s1 == "-" && s2 == "-");
}

// File mode words such as "A1" or "B0".
bool IsFileMode(std::string_view word)
{
    return word.size() == 2 && IsAlpha(word[0]) && IsDigit(word[1]);
}

class TIdFTPLPVMCMS : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "VM/CMS"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line))
                return IsCMSTitle(line) || IsCMSLine(line);
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsCMSTitle(line))
            return false;
        TIdWordCursor cursor(line);
        const std::string_view name = cursor.Next();
        std::string_view type = cursor.Next();
        std::string_view format;
        if (IsRecordFormat(type)) {
            format = type;
            type = {};
        } else {
            format = cursor.Next();
            if (IsFileMode(format))
                format = cursor.Next();
            if (format == "DIR" && IsFileMode(type))
                type = {};
        }
        if (name.empty() || !IsRecordFormat(format))
            return false;
        const std::string_view lrecl = cursor.Next();
        const std::string_view records = cursor.Next();
        cursor.Next();  // blocks
        const std::string_view date = cursor.Next();
        const std::string_view time = cursor.Next();

        if (type.empty()) {
            item.SetFileName(name);
        } else {
            std::string full(name);
            full += '.';
            full += type;
            item.SetFileName(full);
        }
        item.SetItemKind(format == "DIR" ? dkDirectory : dkFile);
        const std::int64_t length = ToInt64(lrecl);
        const std::int64_t count = ToInt64(records);
        if (format == "F" && IsNumeric(lrecl) && IsNumeric(records)
            && (length == 0 || count <= std::numeric_limits<std::int64_t>::max() / length)) {
            item.SetSize(length * count);
        } else {
            item.SetSizeKnown(false);
        }
        TIdDateParts parts;
        if (ReadVMDate(date, item.ListStore().NowParts().Year, parts)
            && ReadClockTime(time, parts))
            SetItemDate(item, parts);
        else
            SetUnknownDate(item);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserVirtualReader()
{
    static const TIdFTPLVirtualReader parser;
    return parser;
}

const TIdFTPListBase& ListParserVMBFS()
{
    static const TIdFTPLPVMBFS parser;
    return parser;
}

const TIdFTPListBase& ListParserVMCMS()
{
    static const TIdFTPLPVMCMS parser;
    return parser;
}
