// Listings of Wind River VxWorks servers (TIdFTPLPVxWorks, "Wind River
// VxWorks"), DOS file systems:
//     size          date       time       name
//   --------       ------     ------    --------
//      40774    Aug-19-1994  12:00:00   IO.SYS
//        512    May-05-2003  14:20:44   BOOT              <DIR>
// "<DIR>" after the name marks a folder.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

class TIdFTPLPVxWorks : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "Wind River VxWorks"; }

    bool IsHeader(std::string_view line) const override
    {
        TIdWordCursor cursor(line);
        return SameText(cursor.Next(), "size") && SameText(cursor.Next(), "date")
               && SameText(cursor.Next(), "time") && SameText(cursor.Next(), "name");
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TIdWordCursor cursor(line);
        const std::string_view size = cursor.Next();
        const std::string_view date = cursor.Next();
        const std::string_view time = cursor.Next();
        std::string_view name = TrimRight(cursor.Rest());
        if (!IsNumeric(size) || name.empty())
            return false;
        item.SetItemKind(dkFile);
        if (EndsText(name, "<DIR>")) {
            name = TrimRight(name.substr(0, name.size() - 5));
            item.SetItemKind(dkDirectory);
            if (name.empty())
                return false;
        }
        item.SetFileName(name);
        item.SetSize(ToInt64(size));
        TIdDateParts parts;
        const bool read = ReadNamedMonthDate(date, item.ListStore().NowParts().Year, parts)
                          && ReadClockTime(time, parts);
        SetItemDate(item, read, parts);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserVxWorks()
{
    static const TIdFTPLPVxWorks parser;
    return parser;
}
