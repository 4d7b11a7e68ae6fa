#include "ftp/listparse/ListDateTime.h"

#include <cmath>
#include <cstdio>

namespace {

// Days between 1970-01-01 and 1899-12-30.
constexpr std::int64_t kUnixEpochDay = 25569;

// Day number since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1
        || day > DaysInMonth(year, month))
        return false;
    out = static_cast<TDateTime>(DaysFromCivil(year, static_cast<unsigned>(month),
                                               static_cast<unsigned>(day))
                                 + kUnixEpochDay);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59
        || millisecond < 0 || millisecond > 999)
        return false;
    const std::int64_t ms = ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000
                            + millisecond;
    out = static_cast<TDateTime>(ms) / 86400000.0;
    return true;
}

bool TryEncodeDateTime(const TIdDateParts& parts, TDateTime& out)
{
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(parts.Year, parts.Month, parts.Day, date)
        || !TryEncodeTime(parts.Hour, parts.Minute, parts.Second, parts.Millisecond, time))
        return false;
    out = date >= 0 ? date + time : date - time;
    return true;
}

TDateTime EncodeDateTimeOrZero(const TIdDateParts& parts)
{
    TDateTime value = 0;
    return TryEncodeDateTime(parts, value) ? value : 0;
}

TIdDateParts DecodeDateTime(TDateTime value)
{
    TIdDateParts parts;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return parts;
    const double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * 86400000.0));
    auto days = static_cast<std::int64_t>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += value >= 0 ? 1 : -1;
    }
    CivilFromDays(days - kUnixEpochDay, parts.Year, parts.Month, parts.Day);
    parts.Millisecond = static_cast<int>(ms % 1000);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Hour = static_cast<int>(ms / 3600000);
    return parts;
}

std::string FormatIsoDateTime(TDateTime value)
{
    const TIdDateParts p = DecodeDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second);
    return text;
}

std::optional<TDateTime> ParseIsoDateTime(std::string_view text)
{
    auto number = [&text](std::size_t pos, std::size_t len, int& out) {
        if (pos + len > text.size())
            return false;
        out = 0;
        for (std::size_t i = pos; i < pos + len; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    TIdDateParts p;
    if (!number(0, 4, p.Year) || text.size() < 10 || text[4] != '-' || !number(5, 2, p.Month)
        || text[7] != '-' || !number(8, 2, p.Day))
        return std::nullopt;
    p.Hour = p.Minute = p.Second = 0;
    if (text.size() > 10) {
        if ((text[10] != 'T' && text[10] != ' ') || !number(11, 2, p.Hour) || text.size() < 16
            || text[13] != ':' || !number(14, 2, p.Minute))
            return std::nullopt;
        if (text.size() > 16 && (text[16] != ':' || text.size() != 19 || !number(17, 2, p.Second)))
            return std::nullopt;
    }
    TDateTime value = 0;
    if (!TryEncodeDateTime(p, value))
        return std::nullopt;
    return value;
}
