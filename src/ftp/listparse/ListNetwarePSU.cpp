// Listings of NetWare Print Services for Unix, which shows 12-hour times.
//
// DOS name space (TIdFTPLPNetwarePSUDos, "Novell Netware Print Services for
// Unix:  DOS Namespace"): entry type, rights in brackets, owner, size,
// month, day, year, time, AM/PM, name.
//   d [RWCEAFMS] ADMIN          512 Jan 31 2006  3:04 PM PUBLIC
// NFS name space (TIdFTPLPNetwarePSUNFS, "Novell Netware Print Services
// for Unix:  NFS Namespace"): Unix permissions (lower case), links, owner,
// group, size, month, day, year, time, AM/PM, name.
//   -rw-r--r--  1 admin  staff  1234 Jan 31 2006  3:04 PM notes.txt
// The year may be missing (then the date lies within the last year), and
// "AM"/"PM" may be glued to the time.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

constexpr std::size_t kMaxWords = 10;

struct TPSULine {
    std::string_view Words[kMaxWords];
    std::size_t MonthIndex = 0;  // the month name; the size is just before it
    std::string_view Day;
    std::string_view Year;
    std::string_view Time;
    std::string_view Name;
};

bool IsMeridiem(std::string_view word)
{
    return SameText(word, "AM") || SameText(word, "PM");
}

// Splits the part after `firstOwner` words: owner words, size, date, time,
// name. False when the line does not have that shape.
bool SplitLine(std::string_view line, std::size_t firstOwner, TPSULine& out)
{
    TIdWordCursor cursor(line);
    std::size_t n = 0;
    for (;; ++n) {
        if (n == kMaxWords)
            return false;
        out.Words[n] = cursor.Next();
        if (out.Words[n].empty())
            return false;
        if (n > firstOwner && MonthOf(out.Words[n]) != 0 && IsNumeric(out.Words[n - 1]))
            break;
    }
    out.MonthIndex = n;
    out.Day = cursor.Next();
    std::string_view word = cursor.Next();
    if (IsNumeric(word)) {
        out.Year = word;
        word = cursor.Next();
    }
    out.Time = word;
    if (IsMeridiem(cursor.Peek())) {
        const std::string_view meridiem = cursor.Next();
        // Keep "3:04 PM" together for the time reader.
        out.Time = std::string_view(out.Time.data(),
                                    static_cast<std::size_t>(meridiem.data() + meridiem.size()
                                                             - out.Time.data()));
    }
    out.Name = cursor.Rest();
    return IsNumeric(out.Day) && out.Time.find(':') != std::string_view::npos
           && !out.Name.empty();
}

bool HasMeridiem(const TPSULine& parts)
{
    return EndsText(parts.Time, "AM") || EndsText(parts.Time, "PM");
}

void SetDate(TIdFTPListItem& item, const TPSULine& parts)
{
    const TIdDateParts& now = item.ListStore().NowParts();
    TIdDateParts date;
    date.Month = MonthOf(parts.Words[parts.MonthIndex]);
    date.Day = ToInt(parts.Day);
    date.Year = parts.Year.empty() ? YearOfMonthDay(date.Month, date.Day, now)
                                   : ExpandYear(ToInt(parts.Year), now.Year);
    // "3:04 PM" -> time word and meridiem word.
    const std::size_t blank = parts.Time.find(' ');
    const std::string_view clock = parts.Time.substr(0, blank);
    if (!ReadClockTime(clock, date)) {
        item.SetModifiedDate(0);
        item.SetModifiedKnown(false);
        return;
    }
    if (blank != std::string_view::npos)
        ApplyMeridiem(Trim(parts.Time.substr(blank)), date);
    SetItemDate(item, date);
}

// DOS name space: "d" or "-", then "[rights]".
bool IsDosLine(std::string_view line, TPSULine& parts)
{
    TIdWordCursor cursor(line);
    const std::string_view type = cursor.Next();
    const std::string_view rights = cursor.Next();
    return (type == "d" || type == "-" || type == "D") && rights.size() >= 2
           && rights.front() == '[' && rights.back() == ']' && SplitLine(line, 2, parts)
           && HasMeridiem(parts);
}

bool IsNFSLine(std::string_view line, TPSULine& parts)
{
    return IsStrictUnixPermissions(Columns(line, 1, 10))
           && (line.size() == 10 || IsBlank(line[10])) && SplitLine(line, 2, parts)
           && HasMeridiem(parts);
}

class TIdFTPLPNetwarePSUDos : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override
    {
        return "Novell Netware Print Services for Unix:  DOS Namespace";
    }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view line = FirstEntryLine(lines);
        TPSULine parts;
        return !line.empty() && IsDosLine(line, parts);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TPSULine parts;
        if (IsTotalLine(line) || !IsDosLine(line, parts))
            return false;
        item.SetItemKind(UpCase(parts.Words[0][0]) == 'D' ? dkDirectory : dkFile);
        item.SetFileName(parts.Name);
        item.SetSize(ToInt64(parts.Words[parts.MonthIndex - 1]));
        if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item); owned && parts.MonthIndex > 3)
            owned->SetOwnerName(parts.Words[2]);
        SetDate(item, parts);
        return true;
    }
};

class TIdFTPLPNetwarePSUNFS : public TIdFTPListBase {
public:
    std::string_view Identifier() const override
    {
        return "Novell Netware Print Services for Unix:  NFS Namespace";
    }

    TIdFTPListItem& MakeNewItem(TIdFTPListItems& items) const override
    {
        return items.Add<TIdUnixBaseFTPListItem>();
    }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view line = FirstEntryLine(lines);
        TPSULine parts;
        return !line.empty() && IsNFSLine(line, parts);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TPSULine parts;
        if (IsTotalLine(line) || !IsNFSLine(line, parts))
            return false;
        auto* unixItem = dynamic_cast<TIdUnixBaseFTPListItem*>(&item);
        if (unixItem == nullptr)
            return false;
        auto& unix = *unixItem;
        const std::string_view perms = parts.Words[0];
        unix.SetItemKind(perms[0] == 'd' ? dkDirectory : dkFile);
        unix.SetUserPermissions(Columns(perms, 2, 3));
        unix.SetGroupPermissions(Columns(perms, 5, 3));
        unix.SetOtherPermissions(Columns(perms, 8, 3));
        unix.SetLinkCount(ToInt(parts.Words[1]));
        // Owner and group when both are there; one name is the owner.
        if (parts.MonthIndex > 3)
            unix.SetOwnerName(parts.Words[2]);
        if (parts.MonthIndex > 4)
            unix.SetGroupName(parts.Words[3]);
        unix.SetSize(ToInt64(parts.Words[parts.MonthIndex - 1]));
        unix.SetFileName(parts.Name);
        SetDate(unix, parts);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserNetwarePSUDos()
{
    static const TIdFTPLPNetwarePSUDos parser;
    return parser;
}

const TIdFTPListBase& ListParserNetwarePSUNFS()
{
    static const TIdFTPLPNetwarePSUNFS parser;
    return parser;
}
