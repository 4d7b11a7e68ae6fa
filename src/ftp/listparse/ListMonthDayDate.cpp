#include "ftp/listparse/ListMonthDayDate.h"

namespace listparse {

namespace {

// Up to `maxDigits` digits followed by the end of `word` or `stop`.
bool ReadNumber(std::string_view& word, std::size_t maxDigits, int& value)
{
    std::size_t i = 0;
    value = 0;
    while (i < word.size() && IsDigit(word[i]) && i < maxDigits) {
        value = value * 10 + (word[i] - '0');
        ++i;
    }
    if (i == 0)
        return false;
    word.remove_prefix(i);
    return true;
}

} // namespace

bool ReadClockTime(std::string_view word, int& hour, int& minute, int& second)
{
    second = 0;
    if (!ReadNumber(word, 2, hour) || word.empty() || word[0] != ':')
        return false;
    word.remove_prefix(1);
    if (!ReadNumber(word, 2, minute))
        return false;
    if (!word.empty()) {
        if (word[0] != ':')
            return false;
        word.remove_prefix(1);
        if (!ReadNumber(word, 2, second) || !word.empty())
            return false;
    }
    return hour < 24 && minute < 60 && second < 60;
}

bool ReadMonthDayTimeOrYear(TIdWordCursor& words, const TIdDateParts& now, TDateTime& out)
{
    out = 0;
    const int month = MonthOf(words.Next());
    const std::string_view dayWord = words.Next();
    const std::string_view last = words.Next();
    if (month == 0 || !IsNumeric(dayWord) || dayWord.size() > 2 || last.empty())
        return false;
    TIdDateParts parts;
    parts.Month = month;
    parts.Day = ToInt(dayWord);
    if (last.find(':') != std::string_view::npos) {
        if (!ReadClockTime(last, parts.Hour, parts.Minute, parts.Second))
            return false;
        parts.Year = YearOfMonthDay(month, parts.Day, now);
    } else {
        if (!IsNumeric(last) || last.size() > 4)
            return false;
        parts.Year = ExpandYear(ToInt(last), now.Year);
    }
    if (TryEncodeDateTime(parts, out))
        return true;
    out = 0;
    return false;
}

bool SplitDate3(std::string_view word, int& a, int& b, int& c)
{
    if (word.empty())
        return false;
    const char sep = [&word] {
        for (char ch : word)
            if (!IsDigit(ch))
                return ch;
        return '\0';
    }();
    if (sep != '/' && sep != '-' && sep != '.')
        return false;
    if (!ReadNumber(word, 4, a) || word.empty() || word[0] != sep)
        return false;
    word.remove_prefix(1);
    if (!ReadNumber(word, 4, b) || word.empty() || word[0] != sep)
        return false;
    word.remove_prefix(1);
    return ReadNumber(word, 4, c) && word.empty();
}

} // namespace listparse
