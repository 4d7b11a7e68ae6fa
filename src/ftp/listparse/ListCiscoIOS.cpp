// Cisco IOS routers answer LIST with a banner line naming the system,
// followed by the bare file names of the flash file system.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

class TIdFTPLPCiscoIOS : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "Cisco IOS"; }

    bool IsHeader(std::string_view line) const override
    {
        return StartsText(TrimLeft(line), "Cisco IOS ");
    }

    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override
    {
        return items.Add<TIdMinimalFTPListItem>();
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        std::string_view name = Trim(line);
        if (name.empty() || IsHeader(line))
            return false;
        const bool folder = name.size() > 1 && name.back() == '/';
        if (folder)
            name.remove_suffix(1);
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserCiscoIOS()
{
    static const TIdFTPLPCiscoIOS parser;
    return parser;
}
