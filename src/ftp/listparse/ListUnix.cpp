#include "ftp/listparse/ListUnix.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"

#include <array>

using namespace listparse;

namespace {

constexpr std::size_t kMaxWords = 12;

// The first words of a line, for the shape tests (no allocation).
struct TWords {
    std::array<std::string_view, kMaxWords> w{};
    std::size_t count = 0;  // words seen, up to kMaxWords + 1 ("more")
    bool more = false;

    explicit TWords(std::string_view line)
    {
        TIdWordCursor cursor(line);
        for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
            if (count == kMaxWords) {
                more = true;
                break;
            }
            w[count++] = word;
        }
    }
    // 1-based; empty when absent.
    std::string_view operator()(std::size_t n) const { return n >= 1 && n <= count ? w[n - 1] : std::string_view{}; }
    bool MoreThan(std::size_t n) const { return count > n || more; }
};

bool IsAmPm(std::string_view w)
{
    return SameText(w, "AM") || SameText(w, "PM");
}

bool StartsWithMonth(std::string_view w)
{
    return w.size() >= 3 && MonthOf(w.substr(0, 3)) != 0;
}

// The short form has no owner and group columns: after up to two leading
// numbers (inode, block count) a month name sits in the fourth word.
bool IsShortForm(std::string_view line)
{
    const TWords words(line);
    std::size_t skip = 0;
    while (skip < 2 && IsNumeric(words(skip + 1)))
        ++skip;
    if (!(words.count > skip + 5 || words.more))
        return false;
    const std::string_view w6 = words(skip + 6);
    return MonthOf(words(skip + 4)) != 0 && IsNumeric(words(skip + 5))
           && (IsNumeric(w6) || w6.find(':') != std::string_view::npos);
}

// IsShortForm for a line that starts with permissions and link count, from
// the cursor after the link count (saves a second pass over the line).
bool IsShortFormAfterLinks(TIdWordCursor cursor)
{
    cursor.Next();
    if (MonthOf(cursor.Next()) == 0)
        return false;
    if (!IsNumeric(cursor.Next()))
        return false;
    const std::string_view w6 = cursor.Next();
    return IsNumeric(w6) || w6.find(':') != std::string_view::npos;
}

// Date words come from the line, but a word such as "2006-01-31" or
// "01/31/06" counts as several.
class TDateWords {
public:
    explicit TDateWords(TIdWordCursor& cursor) : cursor_(cursor) {}

    std::string_view Next()
    {
        if (partIndex_ < partCount_)
            return parts_[partIndex_++];
        return cursor_.Next();
    }
    // Splits the first date word at "-" and "/".
    std::string_view First()
    {
        const std::string_view word = cursor_.Next();
        std::size_t start = 0;
        for (std::size_t i = 0; i <= word.size() && partCount_ < parts_.size(); ++i) {
            if (i == word.size() || word[i] == '-' || word[i] == '/') {
                if (i > start)
                    parts_[partCount_++] = word.substr(start, i - start);
                start = i + 1;
            }
        }
        return Next();
    }
    // Gives a word back when it turned out not to be part of the date.
    void Unread(std::string_view word)
    {
        if (partIndex_ > 0 && partIndex_ <= partCount_ && parts_[partIndex_ - 1] == word)
            --partIndex_;
        else
            cursor_.PushBack(word);
    }
    bool PartsLeft() const { return partIndex_ < partCount_; }

private:
    TIdWordCursor& cursor_;
    std::array<std::string_view, 4> parts_{};
    std::size_t partCount_ = 0;
    std::size_t partIndex_ = 0;
};

struct TParsedDate {
    int year = 0;  // 0: not shown
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 999;
    bool timeShown = false;
};

// Hours, minutes and optional seconds and milliseconds of "12:34[:56[:789]]".
bool ReadTime(std::string_view word, TParsedDate& d, bool& hadSeconds)
{
    int parts[4] = {};
    std::size_t n = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= word.size(); ++i) {
        if (i == word.size() || word[i] == ':') {
            if (n == 4)
                return false;
            parts[n++] = ToInt(word.substr(start, i - start));
            start = i + 1;
        }
    }
    d.hour = parts[0];
    d.minute = parts[1];
    d.second = n >= 3 ? parts[2] : 0;
    d.millisecond = n >= 4 ? parts[3] : 999;
    hadSeconds = n >= 3;
    d.timeShown = true;
    return true;
}

// East-Asian servers write "3月 2日 2003年" (or the Korean 월/일/년): the
// number before the sign is the month, day or year.
std::string_view WithoutDateSign(std::string_view word, char& sign)
{
    static constexpr std::string_view kSigns[][2] = {
        {"\xE6\x9C\x88", "m"}, {"\xEC\x9B\x94", "m"},  // month
        {"\xE6\x97\xA5", "d"}, {"\xEC\x9D\xBC", "d"},  // day
        {"\xE5\xB9\xB4", "y"}, {"\xEB\x85\x84", "y"},  // year
    };
    sign = 0;
    for (const auto& [text, kind] : kSigns) {
        if (word.size() > text.size() && word.substr(word.size() - text.size()) == text
            && IsNumeric(word.substr(0, word.size() - text.size()))) {
            sign = kind[0];
            return word.substr(0, word.size() - text.size());
        }
    }
    return word;
}

bool ReadSignedDate(TDateWords& words, std::string_view first, TParsedDate& d)
{
    char sign = 0;
    std::string_view w = WithoutDateSign(first, sign);
    if (sign == 0)
        return false;
    // Year first ("2005년 1월 6일") or month first ("3月 2日 [2003年]").
    for (int i = 0; i < 3 && sign != 0; ++i) {
        if (sign == 'y')
            d.year = ToInt(w);
        else if (sign == 'm')
            d.month = ToInt(w);
        else
            d.day = ToInt(w);
        const std::string_view next = words.Next();
        w = WithoutDateSign(next, sign);
        if (sign == 0) {
            words.Unread(next);
            break;
        }
    }
    return true;
}

void ReadDate(TIdWordCursor& cursor, TParsedDate& d)
{
    TDateWords words(cursor);
    std::string_view w = words.First();
    bool dayRead = false;
    if (ReadSignedDate(words, w, d)) {
        dayRead = d.day != 0;
    } else {
        if (w.size() > 3 && IsNumeric(w)) {
            d.year = ToInt(w);
            w = words.Next();
        }
        if (IsNumeric(w)) {
            const int value = ToInt(w);
            const std::string_view following = words.Next();
            // A month name after a number ("01-jun-99", "29 Jul"): the
            // number is the day.
            if (value > 12 || (MonthOf(following) != 0 && d.year == 0)) {
                d.day = value;
                d.month = IsNumeric(following) ? ToInt(following) : MonthOf(following);
                dayRead = true;
            } else {
                d.month = value;
                words.Unread(following);
            }
        } else {
            d.month = MonthOf(w);
        }
    }
    if (!dayRead)
        d.day = ToInt(words.Next());

    // Time of day (the year then follows from today) or the year. A word
    // that is neither stays: it is the start of the name.
    const std::string_view t = words.Next();
    if (t.find(':') != std::string_view::npos) {
        bool hadSeconds = false;
        ReadTime(t, d, hadSeconds);
        if (hadSeconds && !words.PartsLeft() && IsNumeric(cursor.Peek()))
            d.year = ToInt(cursor.Next());
    } else if (d.year == 0 && IsNumeric(t)) {
        d.year = ToInt(t);
    } else {
        char sign = 0;
        const std::string_view year = WithoutDateSign(t, sign);
        if (sign == 'y' && d.year == 0)
            d.year = ToInt(year);
        else
            words.Unread(t);
    }
}

// Date + time; false for an impossible date (the entry then has none).
bool EncodeParsedDate(TParsedDate d, const TIdDateParts& now, TDateTime& out)
{
    if (d.month < 1 || d.month > 12 || d.day < 1)
        return false;
    if (d.year == 0)
        d.year = YearOfMonthDay(d.month, d.day, now);
    else
        d.year = ExpandYear(d.year, now.Year);
    bool nextDay = false;
    if (d.hour == 24 && d.minute == 0 && d.second == 0) {
        // Some servers write midnight as 24:00 of the day before.
        d.hour = 0;
        nextDay = true;
    }
    if (d.millisecond > 999)
        d.millisecond = 999;
    if (!TryEncodeDateTime({d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond}, out))
        return false;
    if (nextDay)
        out += 1;
    return true;
}

TIdDirItemType KindOf(char type)
{
    switch (UpCase(type)) {
    case 'D': return dkDirectory;
    case 'L': return dkSymbolicLink;
    case 'B': return dkBlockDevice;
    case 'C': return dkCharDevice;
    case 'P': return dkFifo;
    case 'S': return dkSocket;
    default: return dkFile;
    }
}

bool IsLetterStart(std::string_view text)
{
    return !text.empty() && (IsAlpha(text[0]) || static_cast<unsigned char>(text[0]) >= 0x80);
}

} // namespace

// ---------------------------------------------------------------- detection

bool TIdFTPLPUnix::IsUnixLine(std::string_view line)
{
    const TWords words(line);
    if (IsUnixPermissions(line)) {
        const char type = UpCase(line[0]);
        if (type == 'B' || type == 'C')
            return true;
        if (words.MoreThan(9)) {
            if (IsAmPm(words(10)))
                return false;
            if (words(9).find(':') == std::string_view::npos && StartsWithMonth(words(7)))
                return false;
        }
        return true;
    }
    if (IsNumeric(words(1)) && IsUnixPermissions(words(2)))
        return true;
    return IsNumeric(words(1)) && IsNumeric(words(2)) && IsUnixPermissions(words(3));
}

bool TIdFTPLPUnix::IsUnitreeBanner(std::string_view line)
{
    return !line.empty() && line.front() == '/' && line.size() >= 2
           && line.substr(line.size() - 2) == ")." && line.find('(') != std::string_view::npos;
}

bool TIdFTPLPUnix::IsUnitreeLine(std::string_view line)
{
    const TWords words(line);
    if (words.count >= 5 && (SameText(words(5), "AR") || SameText(words(5), "DK")))
        return true;
    return IsUnitreeBanner(line);
}

bool TIdFTPLPUnix::CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                                bool /*detailed*/) const
{
    for (std::string_view line : lines) {
        // Error lines of ls are skipped by the walk, so they must not decide.
        if (IsBlankLine(line) || IsTotalLine(line) || IsSubDirHeader(line)
            || line.find("/bin/ls:") != std::string_view::npos)
            continue;
        if (ForUnitree())
            return IsUnitreeLine(line);
        return IsUnixLine(line) && !IsUnitreeLine(line);
    }
    return false;
}

// ---------------------------------------------------------------- parsing

TIdFTPListItem& TIdFTPLPUnix::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdUnixFTPListItem>();
}

TIdFTPListItem& TIdFTPLPUnitree::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdUnitreeFTPListItem>();
}

bool TIdFTPLPUnix::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    std::string_view prefix;
    for (std::string_view line : lines) {
        if (IsBlankLine(line) || IsTotalLine(line) || line.find("/bin/ls:") != std::string_view::npos
            || IsUnitreeBanner(line))
            continue;
        if (IsSubDirHeader(line)) {
            prefix = SubDirPrefix(line);
            continue;
        }
        AddLine(items, line, prefix);
    }
    return true;
}

bool TIdFTPLPUnix::ParseLine(TIdFTPListItem& baseItem, std::string_view line,
                             std::string_view path) const
{
    auto& item = static_cast<TIdUnixFTPListItem&>(baseItem);
    TIdWordCursor cursor(line);

    // Inode and block count columns before the permissions.
    std::string_view word = cursor.Next();
    bool plainColumns = true;  // permissions first, nothing glued
    if (!IsUnixPermissions(word)) {
        plainColumns = false;
        item.SetInode(ToInt64(word));
        word = cursor.Next();
        if (!IsUnixPermissions(word)) {
            item.SetBlockCount(ToInt64(word));
            word = cursor.Next();
        }
    }
    const char type = word.empty() ? '-' : word[0];
    item.SetUserPermissions(word.substr(std::min<std::size_t>(1, word.size()), 3));
    item.SetGroupPermissions(word.substr(std::min<std::size_t>(4, word.size()), 3));
    item.SetOtherPermissions(word.substr(std::min<std::size_t>(7, word.size()), 3));

    // Link count; "folder" stands in for it (and for owner and group) on
    // some servers, and some glue a zero link count to the owner ("0root").
    const std::string_view links = cursor.Next();
    bool ownerColumns = true;
    if (SameText(links, "folder")) {
        ownerColumns = false;
    } else if (links.size() >= 4 && links[0] == '0' && !IsNumeric(links)) {
        item.SetLinkCount(0);
        cursor.PushBack(links.substr(1));
        plainColumns = false;
    } else {
        item.SetLinkCount(ToInt(links));
    }
    if (ownerColumns && (plainColumns ? IsShortFormAfterLinks(cursor) : IsShortForm(line)))
        ownerColumns = false;

    std::string_view owner;
    std::string_view group;
    std::string joinedGroup;
    if (ownerColumns) {
        owner = cursor.Next();
        group = cursor.Next();
    }

    // Size, with the one-of-owner-or-group and group-with-blanks shapes.
    std::string_view sizeText;
    if (ownerColumns && !ForUnitree() && IsLetterStart(cursor.Rest())) {
        if (IsNumeric(group)) {
            sizeText = group;
            group = owner;
            owner = {};
        } else {
            joinedGroup.assign(group);
            for (std::string_view w = cursor.Next(); !w.empty(); w = cursor.Next()) {
                if (IsNumeric(w)) {
                    sizeText = w;
                    break;
                }
                joinedGroup.append(" ").append(w);
            }
            group = joinedGroup;
        }
    } else {
        sizeText = cursor.Next();
        if (ForUnitree() && (SameText(sizeText, "AR") || SameText(sizeText, "DK"))) {
            static_cast<TIdUnitreeFTPListItem&>(item).SetMigrated(SameText(sizeText, "AR"));
            static_cast<TIdUnitreeFTPListItem&>(item).SetFileFamily(cursor.Next());
            sizeText = cursor.Next();
        }
        if (sizeText.find(',') != std::string_view::npos) {
            // Device numbers "major, minor" ("1,   3"), or glued ("109,767").
            if (sizeText.back() == ',')
                cursor.Next();
            sizeText = {};
        }
    }
    item.SetOwnerName(owner);
    item.SetGroupName(group);
    item.SetSize(ToInt64(sizeText));

    TParsedDate date;
    ReadDate(cursor, date);
    TDateTime modified = 0;
    const bool known = EncodeParsedDate(date, item.ListStore().NowParts(), modified);
    item.SetModifiedDate(known ? modified : 0);
    item.SetModifiedKnown(known);

    std::string_view name = cursor.Rest();
    if (name.empty())
        return false;  // no name: nothing anyone could open
    TIdDirItemType kind = KindOf(type);
    if (kind == dkSymbolicLink) {
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) {
            std::string_view target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
            if (!target.empty() && target.back() == '/') {
                kind = dkSymbolicLinkDir;
                target.remove_suffix(1);
            }
            item.SetLinkTarget(target);
        }
    }
    if (!name.empty() && (name.back() == '*' || name.back() == '/'))
        name.remove_suffix(1);
    item.SetItemKind(kind);

    if (path.empty()) {
        item.SetFileName(name);
        return true;
    }
    std::string full;
    full.reserve(path.size() + 1 + name.size());
    full.append(path).append("/").append(name);
    std::string_view fullName = full;
    if (fullName.substr(0, 2) == "./")
        fullName.remove_prefix(2);
    if (!fullName.empty() && fullName.front() == '/')
        fullName.remove_prefix(1);
    item.SetLocalFileName(name);
    item.SetFileName(fullName);
    return true;
}

// ---------------------------------------------------------------- factories

const TIdFTPListBase& ListParserUnix()
{
    static const TIdFTPLPUnix parser;
    return parser;
}

const TIdFTPListBase& ListParserUnitree()
{
    static const TIdFTPLPUnitree parser;
    return parser;
}
