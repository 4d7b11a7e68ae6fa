// Listings of the WinQVT/NET server (TIdFTPLPWinQVNet, "WinQVT/NET"):
// name and size (or "<DIR>"), then at fixed columns a month-day-year date
// with a 4-digit year (columns 36-45) and the time (47-51).
//   AUTOEXEC.BAT                 314   09-10-1996 15:24
//   WINDOWS/                           04-10-1995 12:34
// A name ending in "/" or a "<DIR>" size is a folder.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

bool IsWinQVTLine(std::string_view line)
{
    const std::string_view date = Columns(line, 36, 10);
    if (date.size() != 10 || date[2] != '-' || date[5] != '-' || Columns(line, 46, 1) != " ")
        return false;
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u, 8u, 9u})
        if (!IsDigit(date[i]))
            return false;
    const std::string_view time = Columns(line, 47, 5);
    return time.size() == 5 && IsDigit(time[0]) && IsDigit(time[1]) && time[2] == ':'
           && IsDigit(time[3]) && IsDigit(time[4]);
}

class TIdFTPLPWinQVNet : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "WinQVT/NET"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line))
                return IsWinQVTLine(line);
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsWinQVTLine(line))
            return false;
        std::string_view front = TrimRight(Columns(line, 1, 35));
        const std::size_t blank = front.find_last_of(" \t");
        std::string_view size;
        if (blank != std::string_view::npos) {
            const std::string_view last = front.substr(blank + 1);
            if (IsNumeric(last) || SameText(last, "<DIR>")) {
                size = last;
                front = TrimRight(front.substr(0, blank));
            }
        }
        std::string_view name = Trim(front);
        item.SetItemKind(dkFile);
        if (SameText(size, "<DIR>") || (!name.empty() && name.back() == '/')) {
            item.SetItemKind(dkDirectory);
            if (!name.empty() && name.back() == '/')
                name.remove_suffix(1);
        }
        if (name.empty())
            return false;
        item.SetFileName(name);
        item.SetSizeKnown(IsNumeric(size));
        item.SetSize(ToInt64(size));
        TIdDateParts date;
        const bool read = ReadMonthDayYear(Columns(line, 36, 10), item.ListStore().NowParts().Year, date)
                          && ReadClockTime(Columns(line, 47, 5), date);
        SetItemDate(item, read, date);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserWinQVNet()
{
    static const TIdFTPLPWinQVNet parser;
    return parser;
}
