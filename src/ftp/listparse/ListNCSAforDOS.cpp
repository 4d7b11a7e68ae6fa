// Listings of the NCSA (CU/TCP) server for DOS (TIdFTPLPNCSAforDOS,
// "NCSA for MS-DOS (CU/TCP)"):
//   AUTOEXEC.BAT        314   9-10-96  15:24
//   UTILS             <DIR>   4-10-95  12:34
//            1234567 Bytes Available
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

bool IsFooter(std::string_view line)
{
    TIdWordCursor cursor(line);
    cursor.Next();
    return SameText(cursor.Next(), "Bytes") && SameText(cursor.Next(), "Available");
}

struct TNCSALine {
    std::string_view Name;
    std::string_view Size;
    std::string_view Date;
    std::string_view Time;
};

bool SplitLine(std::string_view line, TNCSALine& out)
{
    TIdWordCursor cursor(line);
    out.Name = cursor.Next();
    out.Size = cursor.Next();
    out.Date = cursor.Next();
    out.Time = cursor.Next();
    std::string_view parts[3];
    return cursor.AtEnd() && !out.Name.empty()
           && (IsNumeric(out.Size) || SameText(out.Size, "<DIR>"))
           && out.Date.find('-') != std::string_view::npos && SplitDateWord(out.Date, parts)
           && IsNumeric(parts[0]) && IsNumeric(parts[1]) && IsNumeric(parts[2])
           && out.Time.find(':') != std::string_view::npos;
}

// WinQVT/NET lines have the same words, with the date and time at fixed
// columns (a 4-digit year at 36-45, the time at 47-51); those are left to
// the WinQVT/NET parser, which comes later.
bool HasWinQVTColumns(std::string_view line)
{
    const std::string_view date = Columns(line, 36, 10);
    const std::string_view time = Columns(line, 47, 5);
    return date.size() == 10 && date[2] == '-' && date[5] == '-' && IsDigit(date[9])
           && Columns(line, 46, 1) == " " && time.size() == 5 && time[2] == ':';
}

class TIdFTPLPNCSAforDOS : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "NCSA for MS-DOS (CU/TCP)"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            TNCSALine parts;
            return (SplitLine(line, parts) && !HasWinQVTColumns(line)) || IsFooter(line);
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TNCSALine parts;
        if (!SplitLine(line, parts))
            return false;
        item.SetFileName(parts.Name);
        if (SameText(parts.Size, "<DIR>")) {
            item.SetItemKind(dkDirectory);
            item.SetSizeKnown(false);
        } else {
            item.SetItemKind(dkFile);
            item.SetSize(ToInt64(parts.Size));
        }
        TIdDateParts date;
        const bool read = ReadMonthDayYear(parts.Date, item.ListStore().NowParts().Year, date)
                          && ReadClockTime(parts.Time, date);
        SetItemDate(item, read, date);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserNCSAforDOS()
{
    static const TIdFTPLPNCSAforDOS parser;
    return parser;
}
