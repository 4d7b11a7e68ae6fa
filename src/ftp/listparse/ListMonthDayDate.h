#pragma once
// Date and time words shared by the NetWare-style, Distinct and AS/400-style
// listings: "Jan 16 18:53", "Dec 30  1999", "18:58:16", "04/03/24".

#include "ftp/listparse/ListDateTime.h"
#include "ftp/listparse/ListHelpers.h"

#include <string_view>

namespace listparse {

/// "HH:MM" or "HH:MM:SS" (hours and minutes of one or two digits). False
/// when the word is not such a time or the values are out of range.
bool ReadClockTime(std::string_view word, int& hour, int& minute, int& second);

/// Reads "Mon DD HH:MM" or "Mon DD YYYY" from the cursor (the month word
/// next). A time without a year takes the year from `now` (the previous one
/// when that day lies ahead). False, with `out` 0, when the words do not
/// make a valid date; the words are consumed either way.
bool ReadMonthDayTimeOrYear(TIdWordCursor& words, const TIdDateParts& now, TDateTime& out);

/// Splits "a/b/c" (or "a-b-c", "a.b.c") into three numbers; false when it
/// has another shape.
bool SplitDate3(std::string_view word, int& a, int& b, int& c);

} // namespace listparse
