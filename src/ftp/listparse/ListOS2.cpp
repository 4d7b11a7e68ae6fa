// Listings of OS/2 servers (TIdFTPLPOS2, "OS/2"):
//        36611      A    04-23-103  10:57  report.txt
//            0 DIR       02-11-103  16:15  My folder
// Size, up to two attribute words ("A", "H", "RSA", "DIR" marks a folder),
// month-day-year and hours:minutes, then the name with its blanks.
// "." and ".." are not entries.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

bool IsAttributeWord(std::string_view word)
{
    if (word.empty() || word.size() > 4)
        return false;
    if (word == "DIR")
        return true;
    for (char c : word)
        if (c != 'A' && c != 'H' && c != 'R' && c != 'S')
            return false;
    return true;
}

struct TOS2Line {
    std::string_view Size;
    bool Directory = false;
    std::string_view Date;
    std::string_view Time;
    std::string_view Name;
};

// Splits a line into its columns; false when it is not an OS/2 entry.
bool SplitLine(std::string_view line, TOS2Line& out)
{
    TIdWordCursor cursor(line);
    out.Size = cursor.Next();
    if (!IsNumeric(out.Size))
        return false;
    std::string_view word = cursor.Next();
    for (int attributes = 0; attributes < 2 && IsAttributeWord(word); ++attributes) {
        out.Directory = out.Directory || word == "DIR";
        word = cursor.Next();
    }
    std::string_view parts[3];
    if (!SplitDateWord(word, parts) || word.find('-') == std::string_view::npos
        || !IsNumeric(parts[0]) || parts[0].size() > 2 || !IsNumeric(parts[1])
        || !IsNumeric(parts[2]))
        return false;
    out.Date = word;
    out.Time = cursor.Next();
    if (out.Time.find(':') == std::string_view::npos)
        return false;
    out.Name = cursor.Rest();
    return true;
}

} // namespace

class TIdFTPLPOS2 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "OS/2"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            TOS2Line parts;
            return SplitLine(line, parts);
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TOS2Line parts;
        if (!SplitLine(line, parts) || parts.Name.empty() || parts.Name == "."
            || parts.Name == "..")
            return false;
        item.SetItemKind(parts.Directory ? dkDirectory : dkFile);
        item.SetSize(ToInt64(parts.Size));
        item.SetFileName(parts.Name);
        TIdDateParts date;
        const bool read = ReadMonthDayYear(parts.Date, item.ListStore().NowParts().Year, date)
                          && ReadClockTime(parts.Time, date);
        SetItemDate(item, read, date);
        return true;
    }
};

const TIdFTPListBase& ListParserOS2()
{
    static const TIdFTPLPOS2 parser;
    return parser;
}
