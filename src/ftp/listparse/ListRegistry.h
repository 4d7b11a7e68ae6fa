#pragma once
// TIdFTPRegParseList: the ordered list of listing parsers and the one way
// the engine turns LIST output into entries.
//
// Usage (engine):
//   TIdFTPListItems items;                             // "now" = local clock
//   const TIdFTPListBase* parser = ParseListingText(rawBytes, items);
//   // or, with lines already split (views without CR/LF):
//   //   TIdFTPRegParseList::Instance().ParseListing(lines, items);
//   // parser == nullptr: no format matched, items empty, no error.
//   // parser->Identifier(): "Unix", "Windows NT", ...
//
// Contract: the list is filled in a fixed order on first use (thread-safe);
// Register() appends and is meant for start-up only. Detection and parsing
// are const and may run on several threads at once on different
// collections. Parsing raises nothing for any input except std::bad_alloc
// and std::length_error (a listing of 4 GiB text or more).

#include "ftp/listparse/ListBase.h"

#include <string_view>
#include <vector>

class TIdFTPRegParseList {
public:
    static TIdFTPRegParseList& Instance();

    /// Appends a parser (start-up only).
    void Register(const TIdFTPListBase& parser) { parsers_.push_back(&parser); }
    const std::vector<const TIdFTPListBase*>& Parsers() const { return parsers_; }
    /// The registered parser with this identifier, or nullptr.
    const TIdFTPListBase* Find(std::string_view identifier) const;

    /// The first parser whose check answers true (detailed listing, empty
    /// system description), or nullptr.
    const TIdFTPListBase* Detect(TIdListingLines lines) const;
    /// Detect, then let the match parse into `items`. Returns the match or
    /// nullptr (items left as they were).
    const TIdFTPListBase* ParseListing(TIdListingLines lines, TIdFTPListItems& items) const;

private:
    TIdFTPRegParseList();
    std::vector<const TIdFTPListBase*> parsers_;
};

/// SplitListingLines + TIdFTPRegParseList::Instance().ParseListing: the
/// whole job for raw LIST bytes. Returns the matching parser or nullptr.
const TIdFTPListBase* ParseListingText(std::string_view bytes, TIdFTPListItems& items);

/// Raw listing bytes cut into lines: LF-separated, a CR before the LF (or at
/// the very end) dropped; a final line without LF is kept, a final empty one
/// is not. The views point into `bytes`, which must outlive the lines.
std::vector<std::string_view> SplitListingLines(std::string_view bytes);
