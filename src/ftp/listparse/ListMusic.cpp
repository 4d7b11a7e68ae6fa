// MUSIC/SP listings: a title line
//   File name         RlenRf  Size  Read     Write    By       Attrbs  #Recs
// then one file per line, the name first (names have no blanks; a name
// ending in "\" or "/" is a folder). Of the two dates the last-write one is
// the modification date; dates appear as "12Mar07"/"12-Mar-07" or
// "yy/mm/dd". The size column counts storage units, not bytes, so no byte
// size is given.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsMusicHeader(std::string_view line)
{
    static constexpr std::string_view kTitles[] = {"File", "name", "RlenRf", "Size", "Read",
                                                   "Write", "By", "Attrbs", "#Recs"};
    TIdWordCursor words(line);
    if (!SameText(words.Peek(), "File"))
        return false;
    std::size_t next = 0;
    for (std::string_view word = words.Next(); !word.empty() && next < std::size(kTitles);
         word = words.Next())
        if (SameText(word, kTitles[next]))
            ++next;
    return next == std::size(kTitles);
}

// "12Mar07", "12-Mar-07", "07/03/12" (yy/mm/dd).
bool ReadMusicDate(std::string_view word, int currentYear, TIdDateParts& parts)
{
    int a = 0, b = 0, c = 0;
    if (SplitDate3(word, a, b, c)) {
        parts.Year = ExpandYear(a, currentYear);
        parts.Month = b;
        parts.Day = c;
        return true;
    }
    std::size_t i = 0;
    while (i < word.size() && IsDigit(word[i]))
        ++i;
    if (i == 0 || i > 2)
        return false;
    std::string_view rest = word.substr(i);
    if (!rest.empty() && rest[0] == '-')
        rest.remove_prefix(1);
    if (rest.size() < 4)
        return false;
    const int month = MonthOf(rest.substr(0, 3));
    rest.remove_prefix(3);
    if (!rest.empty() && rest[0] == '-')
        rest.remove_prefix(1);
    if (month == 0 || !IsNumeric(rest) || rest.size() > 4)
        return false;
    parts.Day = ToInt(word.substr(0, i));
    parts.Month = month;
    parts.Year = ExpandYear(ToInt(rest), currentYear);
    return true;
}

} // namespace

class TIdFTPLPMusic : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "MUSIC/SP"; }

    bool IsHeader(std::string_view line) const override { return IsMusicHeader(line); }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsMusicHeader(line))
            return false;
        TIdWordCursor words(line);
        std::string_view name = words.Next();
        if (name.empty())
            return false;
        const bool folder = name.size() > 1 && (name.back() == '\\' || name.back() == '/');
        if (folder)
            name.remove_suffix(1);
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetSizeKnown(false);

        TIdDateParts last;
        bool dated = false;
        const int year = item.ListStore().NowParts().Year;
        for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
            TIdDateParts parts;
            if (ReadMusicDate(word, year, parts)) {
                last = parts;
                dated = true;
            }
        }
        TDateTime modified = 0;
        dated = dated && TryEncodeDateTime(last, modified);
        item.SetModifiedDate(dated ? modified : 0);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserMusic()
{
    static const TIdFTPLPMusic parser;
    return parser;
}
