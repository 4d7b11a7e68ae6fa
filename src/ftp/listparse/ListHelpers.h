#pragma once
// Small text tests and conversions shared by the listing parsers. All work
// on bytes (ASCII case rules), allocate nothing and never throw.

#include "ftp/listparse/ListDateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace listparse {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline char LowCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);                  // ignoring case
bool StartsText(std::string_view text, std::string_view prefix);        // ignoring case
bool EndsText(std::string_view text, std::string_view suffix);          // ignoring case
bool ContainsText(std::string_view text, std::string_view part);        // ignoring case

std::string_view Trim(std::string_view s);       // blanks and tabs, both ends
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);
/// Characters [from, from+count) with 1-based `from`, clipped to the text
/// (the fixed-column formats count columns from 1).
std::string_view Columns(std::string_view s, std::size_t from, std::size_t count);

/// Only decimal digits, at least one.
bool IsNumeric(std::string_view s);
/// Decimal value of a numeric text; 0 when it is not numeric or too large
/// (malformed numbers become 0).
std::int64_t ToInt64(std::string_view s);
int ToInt(std::string_view s);
/// Like ToInt64 after dropping every "," (sizes such as "1,234,567").
std::int64_t ToInt64NoCommas(std::string_view s);

/// Empty, or only blanks and tabs.
bool IsBlankLine(std::string_view line);
/// Only blanks, "+", "-" and the dash 0x96 (table rules), not empty.
bool IsSeparatorLine(std::string_view line);
/// Upper-cased, starts with "TOTAL" and does not end with ":".
bool IsTotalLine(std::string_view line);
/// Ends with ":" and does not start with a permission string: the header of
/// a sub-folder in a recursive listing.
bool IsSubDirHeader(std::string_view line);
/// The text before the final ":" of a sub-folder header.
std::string_view SubDirPrefix(std::string_view header);

/// Loose Unix permission test on the first 10 characters (case ignored).
bool IsUnixPermissions(std::string_view token);
/// Strict variant (lower case; 10th character may be blank).
bool IsStrictUnixPermissions(std::string_view token);

/// "JAN".."DEC" (whole token, case ignored) -> 1..12, else 0.
int MonthOf(std::string_view token);

/// Two-digit year window: years below 1000 get a century; above 50 the one
/// before the current century (99 -> 1999 in 2026), else the current one.
int ExpandYear(int year, int currentYear);
/// Year of a month and day shown without one: the current year, or the
/// previous one when that day lies after today.
int YearOfMonthDay(int month, int day, const TIdDateParts& now);

/// A cursor over blank-separated words of one line.
class TIdWordCursor {
public:
    explicit TIdWordCursor(std::string_view line) : rest_(line) {}
    /// Next word (leading blanks skipped); empty at the end.
    std::string_view Next();
    std::string_view Peek() const;
    /// The text after the current position with leading blanks skipped,
    /// inner and trailing blanks kept.
    std::string_view Rest() const;
    bool AtEnd() const { return Rest().empty(); }
    /// Makes `word` (a view into the same line) the next word again.
    void PushBack(std::string_view word);
    std::string_view Remaining() const { return rest_; }

private:
    std::string_view rest_;
};

/// Number of blank-separated words, and the n-th (1-based; empty if absent).
std::size_t WordCount(std::string_view line);
std::string_view Word(std::string_view line, std::size_t n);

} // namespace listparse
