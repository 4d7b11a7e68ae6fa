#pragma once
// Dates of listing entries: a day count since 1899-12-30 with the time of
// day as the fraction (12:00 is .5), in the server's local time. One double
// per entry keeps entries small and arithmetic trivial.
//
// Contract: the encoders answer false for dates and times that do not exist
// (month 13, 31 February, 25:00) and never throw. Years 1..9999.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using TDateTime = double;

struct TIdDateParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

/// Day number of a calendar date; false when the date does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
/// Fraction of a day; false when the time does not exist (24:00 included).
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
/// Both at once: date + time (for days before 1899-12-30 the time is
/// subtracted, so the fraction always reads as the time of day).
bool TryEncodeDateTime(const TIdDateParts& parts, TDateTime& out);
TDateTime EncodeDateTimeOrZero(const TIdDateParts& parts);

TIdDateParts DecodeDateTime(TDateTime value);

/// "YYYY-MM-DDTHH:MM:SS" (milliseconds dropped).
std::string FormatIsoDateTime(TDateTime value);
/// Reads "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a blank
/// may stand for the "T"); nullopt when the text is not such a date.
std::optional<TDateTime> ParseIsoDateTime(std::string_view text);

/// The local wall-clock time of this computer.
TDateTime NowLocal();
