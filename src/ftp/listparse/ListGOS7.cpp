// Bull GCOS 7 listings have fixed columns: a type letter in column 1 and a
// flag in column 3, the date as "Mon DD, YYYY" ending in column 53 and the
// name from column 55 on. No byte size is shown.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

bool BlankAt(std::string_view line, std::size_t column)
{
    return column <= line.size() && IsBlank(line[column - 1]);
}

bool IsGOS7Line(std::string_view line)
{
    return line.size() >= 55 && BlankAt(line, 2) && BlankAt(line, 4) && BlankAt(line, 24)
           && BlankAt(line, 49) && IsNumeric(Trim(Columns(line, 46, 2)))
           && IsNumeric(Columns(line, 50, 4)) && !IsBlank(line[54]);
}

} // namespace

class TIdFTPLPGOS7 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "Bull GCOS7"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            return IsGOS7Line(line);
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsGOS7Line(line))
            return false;
        const std::string_view name = TrimRight(line.substr(54));
        if (name.empty())
            return false;
        item.SetItemKind(UpCase(line[0]) == 'D' ? dkDirectory : dkFile);
        item.SetSizeKnown(false);
        TIdDateParts parts;
        parts.Month = MonthOf(Trim(Columns(line, 42, 3)));
        parts.Day = ToInt(Trim(Columns(line, 46, 2)));
        parts.Year = ToInt(Columns(line, 50, 4));
        TDateTime modified = 0;
        const bool dated = TryEncodeDateTime(parts, modified);
        item.SetModifiedDate(dated ? modified : 0);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserGOS7()
{
    static const TIdFTPLPGOS7 parser;
    return parser;
}
