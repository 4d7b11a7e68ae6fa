#pragma once
// Base classes of the listing parsers. A parser is a stateless object used
// through one shared instance (its factory in Families.h); every operation
// is const and safe to call from several threads at once.
//
// Lines are views without their line ends; the caller keeps them alive for
// the duration of a call. See ListRegistry.h for splitting raw bytes.

#include "ftp/listparse/ListItem.h"

#include <span>
#include <string_view>

using TIdListingLines = std::span<const std::string_view>;

/// The first line that is neither blank nor a block-total line: the one that
/// decides for formats whose listing may open with a "total" line. Empty when
/// there is none.
std::string_view FirstEntryLine(TIdListingLines lines);

class TIdFTPListBase {
public:
    virtual ~TIdFTPListBase() = default;

    /// A new item of the parser's item class, appended to `items`.
    virtual TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const;
    /// Fills `item` from `line` (the text its RawLine was set from; views
    /// into it are stored without a copy). `path` is the current sub-folder
    /// prefix of a recursive listing, empty otherwise. Answers false when
    /// the line is not an entry after all; the item is then dropped.
    virtual bool ParseLine(TIdFTPListItem& item, std::string_view line,
                           std::string_view path) const;
    /// The format identifier, e.g. "Unix".
    virtual std::string_view Identifier() const = 0;
    /// Whether this parser recognises the listing. The engine always passes
    /// an empty system description and detailed = true.
    virtual bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                              bool detailed) const;
    /// Parses the whole listing into `items` (appending). Generic form:
    /// every non-blank line becomes an item.
    virtual bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const;

    /// False only for the placeholders of families not built yet (they never
    /// match); lets tests tell "not supported" from "wrong".
    virtual bool Implemented() const { return true; }

protected:
    /// MakeNewItem + RawLine + ParseLine; drops the item when ParseLine
    /// answers false. Returns the item or nullptr.
    TIdFTPListItem* AddLine(TIdFTPListItems& items, std::string_view line,
                            std::string_view path) const;
};

/// Formats with column-title lines at the top and summary lines at the end.
class TIdFTPListBaseHeader : public TIdFTPListBase {
public:
    virtual bool IsHeader(std::string_view line) const = 0;
    virtual bool IsFooter(std::string_view line) const;

    /// The first line that is neither blank nor a separator must be a header.
    bool CheckListing(TIdListingLines lines, std::string_view systemDescription,
                      bool detailed) const override;
    /// Skips leading header, blank and separator lines; then parses every
    /// line that is not blank, a separator or a footer.
    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override;
};

/// Formats whose entries carry an owner name.
class TIdFTPLineOwnedList : public TIdFTPListBase {
public:
    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override;
};

/// A family whose parser is not built yet: keeps its place and identifier
/// in the registry and never matches.
class TIdFTPListPending final : public TIdFTPListBase {
public:
    explicit constexpr TIdFTPListPending(std::string_view identifier) : identifier_(identifier) {}
    std::string_view Identifier() const override { return identifier_; }
    bool Implemented() const override { return false; }

private:
    std::string_view identifier_;
};
