// Distinct TCP/IP (Windows) server listings: five attribute letters, the
// size, then a Unix-style date and the name:
//   -r--w       1234 Jan 31 12:34 report.txt
//   d----          0 Mar 01  2005 archive

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsDistinctLine(std::string_view line)
{
    TIdWordCursor words(line);
    return words.Next().size() == 5 && IsNumeric(words.Next()) && MonthOf(words.Next()) != 0;
}

} // namespace

class TIdFTPLPDistinctTCPIP : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "Distinct TCP/IP"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            return IsDistinctLine(line);
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsDistinctLine(line))
            return false;
        TIdWordCursor words(line);
        const std::string_view attributes = words.Next();
        const std::string_view size = words.Next();
        TDateTime modified = 0;
        const bool dated = ReadMonthDayTimeOrYear(words, item.ListStore().NowParts(), modified);
        std::string_view name = TrimRight(words.Rest());
        const bool folder = UpCase(attributes[0]) == 'D' || (name.size() > 1 && name.back() == '/');
        if (name.size() > 1 && name.back() == '/')
            name.remove_suffix(1);
        if (name.empty())
            return false;
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetSize(ToInt64(size));
        item.SetModifiedDate(modified);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserDistinctTCPIP()
{
    static const TIdFTPLPDistinctTCPIP parser;
    return parser;
}
