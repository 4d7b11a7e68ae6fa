#include "ftp/listparse/ListHelpers.h"

#include <limits>

namespace listparse {

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = UpCase(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpCase(a[i]) != UpCase(b[i]))
            return false;
    return true;
}

bool StartsText(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size()
           && SameText(text.substr(text.size() - suffix.size()), suffix);
}

bool ContainsText(std::string_view text, std::string_view part)
{
    if (part.empty())
        return true;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (SameText(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::string_view TrimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s)
{
    std::size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

std::string_view Columns(std::string_view s, std::size_t from, std::size_t count)
{
    if (from == 0 || from > s.size())
        return {};
    return s.substr(from - 1, count);
}

bool IsNumeric(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsDigit(c))
            return false;
    return true;
}

std::int64_t ToInt64(std::string_view s)
{
    if (!IsNumeric(s))
        return 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : s) {
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

int ToInt(std::string_view s)
{
    const std::int64_t v = ToInt64(s);
    return v > std::numeric_limits<int>::max() ? 0 : static_cast<int>(v);
}

std::int64_t ToInt64NoCommas(std::string_view s)
{
    char buffer[32];
    std::size_t n = 0;
    for (char c : s) {
        if (c == ',')
            continue;
        if (n == sizeof buffer)
            return 0;
        buffer[n++] = c;
    }
    return ToInt64(std::string_view(buffer, n));
}

bool IsBlankLine(std::string_view line)
{
    for (char c : line)
        if (!IsBlank(c))
            return false;
    return true;
}

bool IsSeparatorLine(std::string_view line)
{
    if (line.empty())
        return false;
    for (char c : line)
        if (c != ' ' && c != '+' && c != '-' && static_cast<unsigned char>(c) != 0x96)
            return false;
    return true;
}

bool IsTotalLine(std::string_view line)
{
    return StartsText(line, "TOTAL") && line.back() != ':';
}

bool IsSubDirHeader(std::string_view line)
{
    return !line.empty() && line.back() == ':' && !IsUnixPermissions(line);
}

std::string_view SubDirPrefix(std::string_view header)
{
    return header.empty() || header.back() != ':' ? header : header.substr(0, header.size() - 1);
}

namespace {

bool OneOf(char c, std::string_view set)
{
    return set.find(c) != std::string_view::npos;
}

} // namespace

bool IsUnixPermissions(std::string_view token)
{
    if (token.size() < 10)
        return false;
    static constexpr std::string_view kSets[10] = {
        "-BCDLPS", "-RSTWX", "-ARSTWX", "-RSTWX", "-HRSTWX",
        "-RSTWX",  "-RSTWXY", "-ARSTWX", "-RSTWX", "-RSTWX"};
    for (std::size_t i = 0; i < 10; ++i)
        if (!OneOf(UpCase(token[i]), kSets[i]))
            return false;
    return true;
}

bool IsStrictUnixPermissions(std::string_view token)
{
    if (token.size() < 10)
        return false;
    if (!OneOf(token[0], "-d"))
        return false;
    for (std::size_t i = 1; i < 9; ++i)
        if (!OneOf(token[i], "-rstwx"))
            return false;
    return OneOf(token[9], " -rstwx");
}

int MonthOf(std::string_view token)
{
    if (token.size() != 3)
        return 0;
    static constexpr std::string_view kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const char up[3] = {UpCase(token[0]), UpCase(token[1]), UpCase(token[2])};
    for (int m = 0; m < 12; ++m)
        if (kMonths[m] == std::string_view(up, 3))
            return m + 1;
    return 0;
}

int ExpandYear(int year, int currentYear)
{
    if (year >= 1000 || year < 0)
        return year;
    const int century = currentYear / 100 * 100;
    return year > 50 ? year + century - 100 : year + century;
}

int YearOfMonthDay(int month, int day, const TIdDateParts& now)
{
    if (month > now.Month || (month == now.Month && day > now.Day))
        return now.Year - 1;
    return now.Year;
}

std::string_view TIdWordCursor::Next()
{
    std::size_t i = 0;
    while (i < rest_.size() && rest_[i] == ' ')
        ++i;
    std::size_t j = i;
    while (j < rest_.size() && rest_[j] != ' ')
        ++j;
    const std::string_view word = rest_.substr(i, j - i);
    rest_.remove_prefix(j);
    return word;
}

std::string_view TIdWordCursor::Peek() const
{
    TIdWordCursor copy(*this);
    return copy.Next();
}

std::string_view TIdWordCursor::Rest() const
{
    std::size_t i = 0;
    while (i < rest_.size() && rest_[i] == ' ')
        ++i;
    return rest_.substr(i);
}

void TIdWordCursor::PushBack(std::string_view word)
{
    // `word` ends where the remaining text begins (or earlier in the line).
    const char* end = rest_.data() + rest_.size();
    if (word.data() != nullptr && word.data() <= rest_.data())
        rest_ = std::string_view(word.data(), static_cast<std::size_t>(end - word.data()));
}

std::size_t WordCount(std::string_view line)
{
    TIdWordCursor cursor(line);
    std::size_t n = 0;
    while (!cursor.Next().empty())
        ++n;
    return n;
}

std::string_view Word(std::string_view line, std::size_t n)
{
    TIdWordCursor cursor(line);
    std::string_view word;
    for (std::size_t i = 0; i < n; ++i) {
        word = cursor.Next();
        if (word.empty())
            return {};
    }
    return word;
}

} // namespace listparse
