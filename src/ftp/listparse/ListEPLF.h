#pragma once
// Easily parsed list format (TIdFTPLPEPLF, "EPLF"): "+" then comma-separated
// facts, a tab and the name, e.g. "+i8388621.48594,m825718503,r,s280,up755\tname".
// Facts used: "/" folder, "r" file, "s" size, "m" modification time in
// seconds since 1970 (UTC). Entries without "s" or "m" have the flag unset.

#include "ftp/listparse/ListBase.h"

class TIdFTPLPEPLF : public TIdFTPListBase {
public:
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "EPLF"; }
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
};
