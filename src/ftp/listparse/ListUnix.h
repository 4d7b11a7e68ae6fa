#pragma once
// Unix "ls -l" style listings (TIdFTPLPUnix, "Unix") and the Unitree
// variant with its migration columns (TIdFTPLPUnitree, "Unitree").
//
// Recursive listings ("sub:" header lines) give entries named
// "sub/name" whose LocalFileName is the bare name. An entry whose date
// cannot be read (unknown month name, impossible day) keeps its name, kind
// and size and gets ModifiedKnown false and date 0; the listing goes on.

#include "ftp/listparse/ListBase.h"

class TIdFTPLPUnix : public TIdFTPListBase {
public:
    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override;
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "Unix"; }
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override;

    /// Whether a line reads as a Unix entry line (permissions first, or
    /// inode / block count columns before them).
    static bool IsUnixLine(std::string_view line);
    /// Unitree entry line ("AR"/"DK" as the fifth word) or its banner.
    static bool IsUnitreeLine(std::string_view line);
    static bool IsUnitreeBanner(std::string_view line);

protected:
    virtual bool ForUnitree() const { return false; }
};

class TIdFTPLPUnitree : public TIdFTPLPUnix {
public:
    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override;
    std::string_view Identifier() const override { return "Unitree"; }

protected:
    bool ForUnitree() const override { return true; }
};
