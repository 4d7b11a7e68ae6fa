#pragma once
// Stateless helpers shared across the program: size texts, remote and
// local path handling and the local file-time query. Thread-safe.
//
// Texts are UTF-8 std::string. Remote paths always use "/"; local paths use
// the platform's separator ("/" here, "\" on Windows).

#include <QLocale>

#include <cstdint>
#include <string>
#include <string_view>

class QDateTime;

/// A point in time as days since 1899-12-30 00:00, the fraction being the
/// time of day; local time, no zone. 0 means "no time" (the same form as the
/// listing entries' modification dates).
using TDateTime = double;

/// ceil(bytes / 1024) with thousands separators and the unit: "1,024 KB".
/// Counts of 0 and below give "0 KB".
std::string FormatSizeKB(std::int64_t bytes, const QLocale& locale = QLocale::system());

/// "0 KB" for 0; "1 KB" for 1..1023 and for every negative count; otherwise
/// the value in KB, MB or GB (binary multiples) with exactly two decimals and
/// the locale's decimal separator, no thousands separators: "1.50 KB".
std::string FormatSize(std::int64_t bytes, const QLocale& locale = QLocale::system());

/// `path` with "/" appended unless it ends in one; "" gives "/".
std::string IncludeTrailingSlash(std::string_view path);
/// The same with the local separator, for local directories.
std::string IncludeTrailingBackslash(std::string_view path);
/// The text after the last "/" (all of it when there is none).
std::string RemoteFileName(std::string_view path);
/// The text up to and including the last "/"; "/" for a name right below
/// the root; "" when there is no "/".
std::string RemoteParentPath(std::string_view path);
/// Local separators turned into "/" (nothing to do where the local
/// separator already is "/": a "\" in a local name is part of the name).
std::string ToRemoteSeparators(std::string_view path);
/// "/" turned into the local separator.
std::string ToLocalSeparators(std::string_view path);

/// 0..15 for a hexadecimal digit (either letter case), otherwise -1.
int HexDigitValue(char c);
/// "%XX" escapes turned into their bytes; a "%" not followed by two
/// hexadecimal digits stays as it is.
std::string PercentDecode(std::string_view text);

/// Last-write time of the file or folder at `path`, local time, seconds
/// rounded down to even (the two-second resolution of the classic file date
/// format, years 1980-2107). 0 when nothing is there or the time falls
/// outside that range.
TDateTime FileModifiedTime(std::string_view path);

/// Conversions between TDateTime and Qt's local date-times. An invalid
/// QDateTime gives 0; 0 gives an invalid QDateTime.
TDateTime DateTimeFromQt(const QDateTime& value);
QDateTime DateTimeToQt(TDateTime value);
