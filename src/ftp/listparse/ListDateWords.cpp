#include "ftp/listparse/ListDateWords.h"

#include "ftp/listparse/ListHelpers.h"

namespace listparse {

bool SplitDateWord(std::string_view word, std::string_view parts[3])
{
    int n = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= word.size(); ++i) {
        if (i == word.size() || word[i] == '-' || word[i] == '/' || word[i] == '.') {
            if (n == 3)
                return false;
            parts[n++] = word.substr(start, i - start);
            start = i + 1;
        }
    }
    return n == 3;
}

namespace {

bool ValidDay(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1
           && day <= DaysInMonth(year, month);
}

} // namespace

bool ReadMonthDayYear(std::string_view word, int currentYear, TIdDateParts& out)
{
    std::string_view p[3];
    if (!SplitDateWord(word, p) || !IsNumeric(p[0]) || !IsNumeric(p[1]) || !IsNumeric(p[2])
        || p[0].size() > 2 || p[1].size() > 2 || p[2].size() > 4)
        return false;
    const int year = ExpandYear(ToInt(p[2]), currentYear);
    const int month = ToInt(p[0]);
    const int day = ToInt(p[1]);
    if (!ValidDay(year, month, day))
        return false;
    out.Year = year;
    out.Month = month;
    out.Day = day;
    return true;
}

bool ReadNamedMonthDate(std::string_view word, int currentYear, TIdDateParts& out)
{
    std::string_view p[3];
    if (!SplitDateWord(word, p) || !IsNumeric(p[2]) || p[2].size() > 4)
        return false;
    int month = MonthOf(p[1]);
    int day = 0;
    if (month != 0 && IsNumeric(p[0]) && p[0].size() <= 2) {
        day = ToInt(p[0]);
    } else {
        month = MonthOf(p[0]);
        if (month == 0 || !IsNumeric(p[1]) || p[1].size() > 2)
            return false;
        day = ToInt(p[1]);
    }
    const int year = ExpandYear(ToInt(p[2]), currentYear);
    if (!ValidDay(year, month, day))
        return false;
    out.Year = year;
    out.Month = month;
    out.Day = day;
    return true;
}

bool ReadClockTime(std::string_view word, TIdDateParts& out)
{
    int meridiem = 0;  // 1 AM, 2 PM
    if (EndsText(word, "AM") || EndsText(word, "PM")) {
        meridiem = UpCase(word[word.size() - 2]) == 'A' ? 1 : 2;
        word.remove_suffix(2);
    }
    const std::size_t c1 = word.find(':');
    if (c1 == std::string_view::npos)
        return false;
    const std::string_view hours = word.substr(0, c1);
    std::string_view rest = word.substr(c1 + 1);
    std::string_view minutes = rest;
    std::string_view seconds;
    if (const std::size_t c2 = rest.find(':'); c2 != std::string_view::npos) {
        minutes = rest.substr(0, c2);
        seconds = rest.substr(c2 + 1);
        if (const std::size_t dot = seconds.find('.'); dot != std::string_view::npos) {
            if (!IsNumeric(seconds.substr(dot + 1)))
                return false;
            seconds = seconds.substr(0, dot);
        }
        if (!IsNumeric(seconds) || seconds.size() > 2)
            return false;
    }
    if (!IsNumeric(hours) || hours.size() > 2 || !IsNumeric(minutes) || minutes.size() > 2)
        return false;
    int h = ToInt(hours);
    const int m = ToInt(minutes);
    const int s = seconds.empty() ? 0 : ToInt(seconds);
    if (meridiem != 0) {
        if (h < 1 || h > 12)
            return false;
        if (meridiem == 2 && h < 12)
            h += 12;
        else if (meridiem == 1 && h == 12)
            h = 0;
    }
    if (h > 23 || m > 59 || s > 59)
        return false;
    out.Hour = h;
    out.Minute = m;
    out.Second = s;
    out.Millisecond = 0;
    return true;
}

void ApplyMeridiem(std::string_view word, TIdDateParts& out)
{
    if (SameText(word, "PM") && out.Hour < 12)
        out.Hour += 12;
    else if (SameText(word, "AM") && out.Hour == 12)
        out.Hour = 0;
}

void SetItemDate(TIdFTPListItem& item, const TIdDateParts& parts)
{
    SetItemDate(item, true, parts);
}

void SetItemDate(TIdFTPListItem& item, bool read, const TIdDateParts& parts)
{
    TDateTime value = 0;
    if (read && TryEncodeDateTime(parts, value)) {
        item.SetModifiedDate(value);
        item.SetModifiedKnown(true);
    } else {
        item.SetModifiedDate(0);
        item.SetModifiedKnown(false);
    }
}

} // namespace listparse
