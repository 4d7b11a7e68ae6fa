// KA9Q NOS (and its descendants) list a DOS directory, one or two entries
// per line, and end with a count of files and the free space:
//   AUTOEXEC.BAT       1,234 12:34  1/02/96    SPOOL/            21:09  4/01/97
//   7 files. 123,456 bytes free. Disk size 1,234,567 bytes.
// Folder names end with "/" and have no size; files are followed by their
// size (with thousands commas). The time is 24-hour, the date m/d/yy.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsSizeWord(std::string_view word)
{
    if (word.empty() || !IsDigit(word[0]))
        return false;
    for (char c : word)
        if (!IsDigit(c) && c != ',')
            return false;
    return true;
}

bool IsTimeWord(std::string_view word)
{
    int h = 0, m = 0, s = 0;
    return ReadClockTime(word, h, m, s);
}

// "1/23/96": only "/" (dates with "-" belong to other DOS servers' layouts).
bool IsDateWord(std::string_view word)
{
    int a = 0, b = 0, c = 0;
    return word.find('/') != std::string_view::npos && SplitDate3(word, a, b, c);
}

bool IsFooter(std::string_view line)
{
    TIdWordCursor words(line);
    if (!IsSizeWord(words.Next()))
        return false;
    const std::string_view unit = words.Next();
    return unit == "files." || unit == "file." || unit == "files" || unit == "file";
}

// One entry: name, size for files, time and date in either order. Answers
// the entry's text (a view into the line) and advances `words`; empty when
// the words do not make an entry.
std::string_view NextEntry(TIdWordCursor& words)
{
    const std::string_view name = words.Next();
    if (name.empty())
        return {};
    const char* begin = name.data();
    if (name.back() != '/' && !IsSizeWord(words.Next()))
        return {};
    std::string_view a = words.Next();
    std::string_view b = words.Next();
    if (!((IsTimeWord(a) && IsDateWord(b)) || (IsDateWord(a) && IsTimeWord(b))))
        return {};
    return {begin, static_cast<std::size_t>(b.data() + b.size() - begin)};
}

} // namespace

class TIdFTPLPKA9Q : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "KA9Q"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            TIdWordCursor words(line);
            return IsFooter(line) || !NextEntry(words).empty();
        }
        return false;
    }

    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line) || IsFooter(line))
                continue;
            TIdWordCursor words(line);
            for (std::string_view entry = NextEntry(words); !entry.empty();
                 entry = NextEntry(words))
                AddLine(items, entry, {});
        }
        return true;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TIdWordCursor words(line);
        if (NextEntry(words).empty())
            return false;
        words = TIdWordCursor(line);
        std::string_view name = words.Next();
        const bool folder = name.back() == '/';
        if (folder) {
            name.remove_suffix(1);
            item.SetSizeKnown(false);
        } else {
            item.SetSize(ToInt64NoCommas(words.Next()));
        }
        if (name.empty())
            return false;
        std::string_view timeWord = words.Next();
        std::string_view dateWord = words.Next();
        if (!IsTimeWord(timeWord))
            std::swap(timeWord, dateWord);
        TIdDateParts parts;
        int month = 0, day = 0, year = 0;
        SplitDate3(dateWord, month, day, year);
        parts.Month = month;
        parts.Day = day;
        parts.Year = ExpandYear(year, item.ListStore().NowParts().Year);
        ReadClockTime(timeWord, parts.Hour, parts.Minute, parts.Second);
        TDateTime modified = 0;
        const bool dated = TryEncodeDateTime(parts, modified);
        item.SetModifiedDate(dated ? modified : 0);
        item.SetModifiedKnown(dated);
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserKA9Q()
{
    static const TIdFTPLPKA9Q parser;
    return parser;
}
