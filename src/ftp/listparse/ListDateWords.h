#pragma once
// Date and time words shared by the listing formats that show dates as
// numbers ("04-23-03", "11/21/97", "Aug-19-1994", "2-JUN-1998") and clock
// times ("10:57", "10:30:08.59", "03:04PM"). Nothing here throws; a word
// that is not a date or time answers false.

#include "ftp/listparse/ListItem.h"

#include <string_view>

namespace listparse {

/// Splits `word` at "-", "/" or "." into exactly three parts.
bool SplitDateWord(std::string_view word, std::string_view parts[3]);

/// Month, day and year as numbers ("04-23-103", "11/21/97", "1/03/100");
/// two- and three-digit years are expanded with the usual window.
bool ReadMonthDayYear(std::string_view word, int currentYear, TIdDateParts& out);

/// Day, month name and year ("2-JUN-1998") or month name, day and year
/// ("Aug-19-1994").
bool ReadNamedMonthDate(std::string_view word, int currentYear, TIdDateParts& out);

/// "hh:mm", "hh:mm:ss" or "hh:mm:ss.cc", optionally with "AM"/"PM" glued
/// on. Answers false when the word is not such a time or the values do not
/// exist on a clock.
bool ReadClockTime(std::string_view word, TIdDateParts& out);

/// Applies "AM"/"PM" written as a word of its own to a 12-hour time.
void ApplyMeridiem(std::string_view word, TIdDateParts& out);

/// Sets ModifiedDate from `parts`, or date 0 and ModifiedKnown false when
/// the date does not exist.
void SetItemDate(TIdFTPListItem& item, const TIdDateParts& parts);
/// SetItemDate when the date and time words were `read`; otherwise date 0
/// and ModifiedKnown false.
void SetItemDate(TIdFTPListItem& item, bool read, const TIdDateParts& parts);

} // namespace listparse
