// Bull GCOS 8 catalog listings start with single-character flag columns
// separated by blanks (the first is "d" for a catalog, i.e. a folder),
// column 26 is blank, and the entry name is the last word. Where the line
// carries a date ("mm/dd/yy") and a time ("hh:mm") they are read; sizes are
// not shown.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsGOS8Line(std::string_view line)
{
    if (line.size() < 27 || !IsBlank(line[25]))
        return false;
    // Flags in columns 1, 3, 5, 7 and 9, blanks between them.
    for (std::size_t i = 0; i < 10; ++i) {
        const bool flag = i % 2 == 0;
        if (flag == IsBlank(line[i]))
            return false;
    }
    return true;
}

} // namespace

class TIdFTPLPGOS8 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "Bull GCOS8"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            return IsGOS8Line(line);
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsGOS8Line(line))
            return false;
        const std::string_view rest = TrimRight(line.substr(26));
        std::size_t start = rest.find_last_of(" \t");
        start = start == std::string_view::npos ? 0 : start + 1;
        const std::string_view name = rest.substr(start);
        if (name.empty())
            return false;
        item.SetItemKind(UpCase(line[0]) == 'D' ? dkDirectory : dkFile);
        item.SetSizeKnown(false);

        TIdDateParts parts;
        bool haveDate = false;
        TIdWordCursor words(rest.substr(0, start));
        for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
            int a = 0, b = 0, c = 0;
            if (!haveDate && SplitDate3(word, a, b, c)) {
                parts.Month = a;
                parts.Day = b;
                parts.Year = ExpandYear(c, item.ListStore().NowParts().Year);
                haveDate = true;
            } else if (haveDate) {
                ReadClockTime(word, parts.Hour, parts.Minute, parts.Second);
            }
        }
        TDateTime modified = 0;
        const bool dated = haveDate && TryEncodeDateTime(parts, modified);
        item.SetModifiedDate(dated ? modified : 0);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserGOS8()
{
    static const TIdFTPLPGOS8 parser;
    return parser;
}
