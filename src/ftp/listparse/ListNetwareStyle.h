#pragma once
// TIdFTPLPNetwareStyle: the base of the NetWare-like listings (a type
// letter, bracketed rights, owner, size, "Mon DD hh:mm|yyyy", name). A
// family tells its entry lines apart and reads the words before the size;
// the base decides the listing from its first entry line, skips "total"
// lines and reads the date and the name, which may hold blanks.

#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

#include <string_view>

class TIdFTPLPNetwareStyle : public TIdFTPLineOwnedList {
public:
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override;

protected:
    virtual bool IsEntryLine(std::string_view line) const = 0;
    /// Reads the date and the name after the size and fills the entry;
    /// false when no name is left.
    static bool FinishEntry(TIdFTPListItem& item, listparse::TIdWordCursor& words,
                            std::string_view owner, bool directory, std::string_view size);
};
