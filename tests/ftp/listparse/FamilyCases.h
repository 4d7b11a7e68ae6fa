#pragma once
// Shared checks of the listing-family tests: a table of listings with the
// parser that must recognise each and the entries it must give, and the
// check that a family's parsers leave the common servers' listings alone.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListRegistry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace family_cases {

struct TEntry {
    const char* Name;
    TIdDirItemType Kind;
    std::int64_t Size;     // -1: not known
    const char* Modified;  // "YYYY-MM-DDTHH:MM:SS", "" when not known
};

struct TFamilyCase {
    const char* Title;
    const char* Listing;
    const char* Identifier;
    std::vector<TEntry> Entries;
    const TIdFTPListBase& (*Direct)() = nullptr;  // parser used without detection
};

/// An item list whose "now" is fixed, so year-less dates are repeatable.
inline TIdFTPListItems NewItems()
{
    TIdFTPListItems items;
    items.SetNow(*ParseIsoDateTime("2026-12-10T12:00:00"));
    return items;
}

inline std::string Describe(const TIdFTPListItem& item)
{
    return std::string(item.FileName()) + " kind=" + std::to_string(item.ItemKind())
           + " size=" + (item.SizeKnown() ? std::to_string(item.Size()) : "?")
           + " date=" + (item.ModifiedKnown() ? FormatIsoDateTime(item.ModifiedDate()).substr(0, 19) : "?");
}

inline std::string Describe(const TEntry& entry)
{
    return std::string(entry.Name) + " kind=" + std::to_string(entry.Kind)
           + " size=" + (entry.Size < 0 ? "?" : std::to_string(entry.Size))
           + " date=" + (*entry.Modified != '\0' ? entry.Modified : "?");
}

/// Each listing is recognised by its parser (or given straight to
/// `Direct`, which must accept it) and gives exactly the expected entries.
inline void ExpectCasesParse(const std::vector<TFamilyCase>& cases)
{
    for (const TFamilyCase& c : cases) {
        SCOPED_TRACE(c.Title);
        TIdFTPListItems items = NewItems();
        const TIdFTPListBase* parser = nullptr;
        if (c.Direct != nullptr) {
            const std::vector<std::string_view> lines = SplitListingLines(c.Listing);
            parser = &c.Direct();
            EXPECT_TRUE(parser->CheckListing(lines, {}, true));
            parser->ParseListing(lines, items);
        } else {
            parser = ParseListingText(c.Listing, items);
        }
        ASSERT_NE(parser, nullptr);
        EXPECT_EQ(parser->Identifier(), c.Identifier);
        ASSERT_EQ(items.Count(), c.Entries.size());
        for (std::size_t i = 0; i < c.Entries.size(); ++i)
            EXPECT_EQ(Describe(items[i]), Describe(c.Entries[i])) << "entry " << i + 1;
    }
}

struct TOwnedListing {
    const char* Listing;
    const char* Owner;  // identifier of the parser the registry must pick
};

/// None of `parsers` claims a listing of `listings`, and the registry gives
/// each to its owner.
inline void ExpectListingsLeftToOwners(const std::vector<TOwnedListing>& listings,
                                       const std::vector<const TIdFTPListBase*>& parsers)
{
    for (const TOwnedListing& listing : listings) {
        SCOPED_TRACE(listing.Listing);
        const std::vector<std::string_view> lines = SplitListingLines(listing.Listing);
        for (const TIdFTPListBase* parser : parsers)
            EXPECT_FALSE(parser->CheckListing(lines, {}, true)) << parser->Identifier();
        TIdFTPListItems items = NewItems();
        const TIdFTPListBase* found = ParseListingText(listing.Listing, items);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->Identifier(), listing.Owner);
    }
}

}  // namespace family_cases
