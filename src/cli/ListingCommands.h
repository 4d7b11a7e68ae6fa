#pragma once
// Command-line output of parsed directory listings, and the
// "parse-listing" command: raw LIST lines on standard input, one JSON object
// per entry on standard output. Uses only the listing parsers (no engine).
//
//   tovrel-ftp-cli parse-listing [--now YYYY-MM-DDTHH:MM:SS] [--table]
//
// --now fixes "today" for dates shown without a year (default: the local
// clock). No recognised format prints nothing and exits 0. Exit code 2 on
// bad arguments.

#include "ftp/listparse/ListItem.h"

#include <iosfwd>
#include <string>
#include <string_view>

class TIdFTPListItems;

/// "dir", "file", "link", "linkdir", "block", "char", "fifo" or "socket".
std::string_view ListingKindText(TIdDirItemType kind);

/// One entry as a JSON object (one line, no line end): parser, name,
/// localName, kind, size, sizeKnown, modified, modifiedKnown, and where the
/// entry has them owner, group, permissions, linkTarget. Texts that are not
/// valid UTF-8 are read as Latin-1.
std::string ListingEntryJson(const TIdFTPListItem& item, std::string_view parserIdentifier);

/// ListingEntryJson() with the folder the entry is in as its first field,
/// "directory".
std::string ListingEntryJsonIn(std::string_view directory, const TIdFTPListItem& item,
                               std::string_view parserIdentifier);

/// Every entry as a JSON line.
void PrintListingJson(std::ostream& out, const TIdFTPListItems& items,
                      std::string_view parserIdentifier);

/// A readable table: kind, permissions, owner, group, size, date, name
/// ("name -> target" for links). "-" marks an unknown size or date.
void PrintListingTable(std::ostream& out, const TIdFTPListItems& items);

/// The parse-listing command. `argv` may start with the program name and
/// the word "parse-listing"; both are skipped.
int RunParseListing(int argc, char** argv);
int RunParseListing(int argc, char** argv, std::istream& in, std::ostream& out,
                    std::ostream& err);
