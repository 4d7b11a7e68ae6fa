#pragma once
// Listings of VMS servers (TIdFTPLPVMS, "VMS"):
//   Directory DISK$USER:[ANONYMOUS]
//
//   README.TXT;4          2/4      18-APR-2000 10:40:39.90  [SYSTEM]  (RWED,RWED,RE,)
//   UCX$REXECD_STARTUP.LOG;1098
//                         4/15     24-FEB-2003 13:17:24  [POSTWARE,LP]  (RWED,RWED,RE,)
//   PUB.DIR;1             1/3       2-NOV-2000 13:56:25  [SYSTEM]  (RWE,RWE,RE,RE)
//
//   Total of 3 files, 7/22 blocks.
// A long name puts the rest of its entry on the next line. Files keep
// their version (";4": every version is an entry of its own) and get a
// local name without it; folders ("NAME.DIR;1") are named as one changes
// into them ("PUB"). The size is the used blocks times 512; "******" (too
// large for the column) leaves it unknown. Owner in brackets.

#include "ftp/listparse/ListBase.h"

class TIdVMSFTPListItem : public TIdOwnerFTPListItem {
public:
    using TIdOwnerFTPListItem::TIdOwnerFTPListItem;
};

class TIdFTPLPVMS : public TIdFTPListBase {
public:
    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override;
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "VMS"; }
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override;
};
