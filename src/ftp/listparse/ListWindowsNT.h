#pragma once
// DOS-style listings of Windows servers (TIdFTPLPWindowsNT, "Windows NT"):
//   01-31-06  03:04PM       <DIR>          New folder
//   2006-01-31  15:04                 1,234 report.txt
// Folders have no size (SizeKnown false). A date or time that does not
// exist gives date 0 and ModifiedKnown false, never an error. Sub-folder
// headers ("sub:") give entries named "sub\name".

#include "ftp/listparse/ListBase.h"

class TIdFTPLPWindowsNT : public TIdFTPListBase {
public:
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "Windows NT"; }
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override;
};
