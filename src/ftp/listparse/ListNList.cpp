#include "ftp/listparse/ListNList.h"

#include "ftp/listparse/Families.h"

TIdFTPListItem& TIdFTPLPNList::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdMinimalFTPListItem>();
}

bool TIdFTPLPNList::ParseLine(TIdFTPListItem& item, std::string_view line,
                              std::string_view /*path*/) const
{
    item.SetFileName(line);
    return true;
}

bool TIdFTPLPNList::CheckListing(TIdListingLines /*lines*/,
                                 std::string_view /*systemDescription*/, bool detailed) const
{
    return !detailed;
}

const TIdFTPListBase& ListParserNList()
{
    static const TIdFTPLPNList parser;
    return parser;
}
