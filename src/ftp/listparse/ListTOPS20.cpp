// Listings of TOPS-20 servers (TIdFTPLPTOPS20, "TOPS20"): names with their
// generation, one a line, under a "PS:<DIRECTORY>" line.
//   PS:<ANONYMOUS>
//   README.TXT.3
//   SOURCES.DIRECTORY.1
// Only a system description naming TOPS20 identifies them; listings alone
// are never taken for this format.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

class TIdFTPLPTOPS20 : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "TOPS20"; }

    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override
    {
        return items.Add<TIdMinimalFTPListItem>();
    }

    bool CheckListing(TIdListingLines /*lines*/, std::string_view systemDescription,
                      bool /*detailed*/) const override
    {
        return StartsText(systemDescription, "TOPS20");
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        const std::string_view name = Word(line, 1);
        if (name.empty() || name.find('<') != std::string_view::npos)
            return false;  // the directory line
        const std::size_t dir = UpperCase(name).find(".DIRECTORY");
        if (dir != std::string::npos && dir > 0) {
            item.SetItemKind(dkDirectory);
            item.SetFileName(name.substr(0, dir));
        } else {
            item.SetItemKind(dkFile);
            item.SetFileName(name);
        }
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserTOPS20()
{
    static const TIdFTPLPTOPS20 parser;
    return parser;
}
