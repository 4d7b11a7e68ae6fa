#pragma once
// Name-only listings (NLST): one name per line (TIdFTPLPNList, "NLIST").
// It recognises only listings that are not detailed, so it never claims a
// LIST reply.

#include "ftp/listparse/ListBase.h"

class TIdFTPLPNList : public TIdFTPListBase {
public:
    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override;
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "NLIST"; }
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
};
