#include "ftp/listparse/ListWindowsNT.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

// "MM-DD-YY" or "MM/DD/YY" in the first 8 characters.
bool StartsWithMonthDayYear(std::string_view line)
{
    if (line.size() < 8)
        return false;
    const char sep = line[2];
    if ((sep != '-' && sep != '/') || line[5] != sep)
        return false;
    const std::string_view month = line.substr(0, 2);
    const std::string_view day = line.substr(3, 2);
    if (!IsNumeric(month) || !IsNumeric(day) || !IsNumeric(line.substr(6, 2)))
        return false;
    const int m = ToInt(month);
    const int d = ToInt(day);
    return m >= 1 && m <= 12 && d >= 1 && d <= 32;
}

// "YYYY-MM-DD" (any separator at characters 5 and 8).
bool StartsWithYearMonthDay(std::string_view line)
{
    return line.size() >= 10 && IsNumeric(line.substr(0, 4)) && IsNumeric(line.substr(5, 2))
           && IsNumeric(line.substr(8, 2)) && !IsDigit(line[4]) && !IsDigit(line[7]);
}

bool StartsWithDate(std::string_view line)
{
    return StartsWithMonthDayYear(line) || StartsWithYearMonthDay(line);
}

// Digits, possibly grouped with "," ("1,234,567").
bool IsSizeWord(std::string_view w)
{
    bool digit = false;
    for (char c : w) {
        if (IsDigit(c))
            digit = true;
        else if (c != ',')
            return false;
    }
    return digit;
}

bool IsTimeWord(std::string_view w)
{
    return !w.empty() && IsDigit(w[0]) && w.find(':') != std::string_view::npos;
}

// The fixed columns of the classic layout, or (for servers that do not pad
// their columns) the words after date and time: "<DIR>" or a size.
bool HasDirMarkOrSize(std::string_view line)
{
    const std::string_view mark = Trim(Columns(line, 25, 6));
    if (SameText(mark, "<DIR>"))
        return true;
    if (mark.empty() && IsSizeWord(Trim(Columns(line, 31, 8))))
        return true;
    TIdWordCursor cursor(line);
    cursor.Next();
    if (!IsTimeWord(cursor.Next()))
        return false;
    std::string_view w = cursor.Next();
    if (SameText(w, "AM") || SameText(w, "PM"))
        w = cursor.Next();
    return SameText(w, "<DIR>") || IsSizeWord(w);
}

// Hours and minutes, optional seconds, with "AM"/"PM" glued or separate.
bool ReadTime(TIdWordCursor& cursor, TIdDateParts& parts)
{
    std::string_view t = cursor.Next();
    bool pm = false;
    bool am = false;
    auto suffix = [&](std::string_view w) {
        if (EndsText(w, "PM"))
            pm = true;
        else if (EndsText(w, "AM"))
            am = true;
        else
            return false;
        return true;
    };
    if (suffix(t))
        t.remove_suffix(2);
    else if (suffix(cursor.Peek()) && cursor.Peek().size() == 2)
        cursor.Next();
    int values[3] = {-1, -1, 0};
    std::size_t n = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= t.size(); ++i) {
        if (i == t.size() || t[i] == ':') {
            const std::string_view part = t.substr(start, i - start);
            if (n == 3 || !IsNumeric(part))
                return false;
            values[n++] = ToInt(part);
            start = i + 1;
        }
    }
    if (n < 2)
        return false;
    parts.Hour = values[0];
    parts.Minute = values[1];
    parts.Second = values[2];
    if (pm && parts.Hour < 12)
        parts.Hour += 12;
    else if (am && parts.Hour == 12)
        parts.Hour = 0;
    return true;
}

} // namespace

bool TIdFTPLPWindowsNT::CheckListing(TIdListingLines lines,
                                     std::string_view /*systemDescription*/,
                                     bool /*detailed*/) const
{
    bool answer = false;
    for (std::string_view line : lines) {
        if (line.empty() || IsSubDirHeader(line))
            continue;
        if (!StartsWithDate(line) || !HasDirMarkOrSize(line))
            continue;
        // "F"/"D" as the third word belongs to the VM/BFS layout.
        const std::string_view third = Word(line, 3);
        const bool vmbfs = (SameText(third, "F") || SameText(third, "D")) && Word(line, 5) != "-";
        answer = !vmbfs;
    }
    return answer;
}

bool TIdFTPLPWindowsNT::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    std::string_view prefix;
    for (std::string_view line : lines) {
        if (IsBlankLine(line))
            continue;
        if (IsSubDirHeader(line)) {
            prefix = SubDirPrefix(line);
            continue;
        }
        AddLine(items, line, prefix);
    }
    return true;
}

bool TIdFTPLPWindowsNT::ParseLine(TIdFTPListItem& item, std::string_view line,
                                  std::string_view path) const
{
    // Summary lines of recursive listings ("  3 File(s) ...") are no entries.
    if (!StartsWithDate(line))
        return false;
    TIdDateParts parts;
    std::string_view rest;
    if (IsNumeric(line.substr(0, 4))) {
        parts.Year = ToInt(line.substr(0, 4));
        parts.Month = ToInt(line.substr(5, 2));
        parts.Day = ToInt(line.substr(8, 2));
        rest = Trim(line.substr(10));
    } else if (line.size() >= 10 && IsNumeric(line.substr(6, 4))) {
        // "08-07-2015": a four-digit year after month and day.
        parts.Month = ToInt(line.substr(0, 2));
        parts.Day = ToInt(line.substr(3, 2));
        parts.Year = ToInt(line.substr(6, 4));
        rest = Trim(line.substr(10));
    } else {
        parts.Month = ToInt(line.substr(0, 2));
        parts.Day = ToInt(line.substr(3, 2));
        parts.Year = ToInt(line.substr(6, 2));
        rest = Trim(line.substr(8));
    }

    TIdWordCursor cursor(rest);
    const bool timeRead = ReadTime(cursor, parts);
    parts.Year = ExpandYear(parts.Year, item.ListStore().NowParts().Year);
    TDateTime modified = 0;
    const bool known = timeRead && TryEncodeDateTime(parts, modified);
    item.SetModifiedDate(known ? modified : 0);
    item.SetModifiedKnown(known);

    const std::string_view sizeWord = cursor.Next();
    std::string_view name;
    if (SameText(sizeWord, "<DIR>")) {
        item.SetItemKind(dkDirectory);
        item.SetSizeKnown(false);
        // "<DIR>" is followed by ten blanks in the fixed layout; blanks
        // beyond those belong to the name.
        std::string_view after = cursor.Remaining();
        std::size_t skip = 0;
        while (skip < 10 && skip < after.size() && after[skip] == ' ')
            ++skip;
        name = after.substr(skip);
    } else {
        item.SetItemKind(dkFile);
        item.SetSize(ToInt64NoCommas(sizeWord));
        const std::string_view after = cursor.Remaining();
        name = after.empty() ? after : after.substr(1);
    }
    if (name.empty())
        return false;

    item.SetLocalFileName({});
    if (!path.empty()) {
        std::string full;
        full.append(path).append("\\").append(name);
        std::string_view fullName = full;
        if (fullName.substr(0, 2) == ".\\")
            fullName.remove_prefix(2);
        item.SetLocalFileName(name);
        item.SetFileName(fullName);
    } else {
        item.SetFileName(name);
    }
    return true;
}

const TIdFTPListBase& ListParserWindowsNT()
{
    static const TIdFTPLPWindowsNT parser;
    return parser;
}
