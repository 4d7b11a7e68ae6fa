// Listings of Connect:Express for OS/390 (TIdFTPLPSterCommExpOS390,
// "Connect:Express for OS/390"): "D" (folder) or "F" (file) at column 2, a
// status digit at column 4, then the name.
//    F 0 PAYROLL.MONTHLY
//    D 1 ARCHIVE
// The listing shows neither sizes nor dates.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

bool IsExpressLine(std::string_view line)
{
    const std::string_view kind = Columns(line, 2, 2);
    const std::string_view status = Columns(line, 4, 2);
    return (kind == "D " || kind == "F ") && (status == "0 " || status == "1 " || status == "2 ");
}

class TIdFTPLPSterCommExpOS390 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "Connect:Express for OS/390"; }

    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override
    {
        return items.Add<TIdMinimalFTPListItem>();
    }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line))
                return IsExpressLine(line);
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsExpressLine(line))
            return false;
        const std::string_view name = Word(line.substr(5), 1);
        if (name.empty())
            return false;
        item.SetItemKind(line[1] == 'D' ? dkDirectory : dkFile);
        item.SetFileName(name);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserSterCommExpOS390()
{
    static const TIdFTPLPSterCommExpOS390 parser;
    return parser;
}
