// MicroWare OS-9 listings:
//   Directory of . 15:10:09
//   Owner    Last modified  Attributes Sector Bytecount Name
//   -------   -------------  ---------- ------ --------- ----
//   254.254   15/07/19 0724   ------wr      40       154 .login
//   0.0     15/08/30 1100   d-ewrewr      80        96 BIB
// The date is yy/mm/dd and the time hhmm; "d" leads the attributes of a
// folder. The sector number is hexadecimal, the byte count decimal.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsOS9Header(std::string_view line)
{
    TIdWordCursor words(line);
    const std::string_view first = words.Next();
    if (SameText(first, "Directory"))
        return SameText(words.Next(), "of");
    return SameText(first, "Owner") && SameText(words.Next(), "Last")
           && SameText(words.Next(), "modified") && SameText(words.Next(), "Attributes")
           && SameText(words.Next(), "Sector") && SameText(words.Next(), "Bytecount")
           && SameText(words.Next(), "Name");
}

} // namespace

class TIdFTPLPMicrowareOS9 : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "MicroWare OS-9"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line) || IsSeparatorLine(line))
                continue;
            return IsOS9Header(line);
        }
        return false;
    }

    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line) && !IsSeparatorLine(line) && !IsOS9Header(line))
                AddLine(items, line, {});
        return true;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TIdWordCursor words(line);
        const std::string_view owner = words.Next();
        const std::string_view date = words.Next();
        const std::string_view time = words.Next();
        const std::string_view attributes = words.Next();
        words.Next();  // sector
        const std::string_view bytes = words.Next();
        const std::string_view name = TrimRight(words.Rest());
        if (name.empty() || attributes.empty())
            return false;
        if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
            owned->SetOwnerName(owner);
        const bool folder = attributes[0] == 'd';
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetSize(ToInt64(bytes));

        TIdDateParts parts;
        int y = 0, m = 0, d = 0;
        TDateTime modified = 0;
        bool dated = SplitDate3(date, y, m, d) && time.size() == 4 && IsNumeric(time);
        if (dated) {
            parts.Year = ExpandYear(y, item.ListStore().NowParts().Year);
            parts.Month = m;
            parts.Day = d;
            parts.Hour = ToInt(time.substr(0, 2));
            parts.Minute = ToInt(time.substr(2, 2));
            dated = TryEncodeDateTime(parts, modified);
        }
        item.SetModifiedDate(dated ? modified : 0);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserMicrowareOS9()
{
    static const TIdFTPLPMicrowareOS9 parser;
    return parser;
}
