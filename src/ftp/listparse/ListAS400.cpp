// IBM i (AS/400) listings in the system's own layout:
//   owner  size  date  time  *TYPE  name
// e.g. "QSYS     131072 06/27/06 19:12:53 *DIR       QOpenSys/". Members of
// database files ("*MEM") carry neither size nor date. The date follows the
// server job's date format (yy/mm/dd, mm/dd/yy or dd/mm/yy), the same for
// every line, so the whole listing decides which one it is.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

enum TAS400DateOrder : unsigned { doYMD = 1, doMDY = 2, doDMY = 4 };

// Which orders a date word allows (bit set of TAS400DateOrder).
unsigned PossibleOrders(std::string_view word)
{
    int a = 0, b = 0, c = 0;
    if (!SplitDate3(word, a, b, c))
        return doYMD | doMDY | doDMY;
    unsigned orders = 0;
    const auto valid = [](int month, int day) {
        return month >= 1 && month <= 12 && day >= 1 && day <= 31;
    };
    if (valid(b, c))
        orders |= doYMD;
    if (valid(a, b) && c >= 0)
        orders |= doMDY;
    if (valid(b, a) && c >= 0)
        orders |= doDMY;
    return orders;
}

// "*FILE", "*STMF", "*DIR", "*MEM", "*USRSPC" ... (or a bare "DIR").
bool IsObjectType(std::string_view word)
{
    if (word == "DIR")
        return true;
    if (word.size() < 3 || word[0] != '*')
        return false;
    for (char c : word.substr(1))
        if (!(c >= 'A' && c <= 'Z') && !IsDigit(c))
            return false;
    return true;
}

// "owner size date time *TYPE name"; the owner is blank in anonymous
// sessions, and members ("*MEM") have no size, date or time.
bool IsAS400Line(std::string_view line)
{
    if (IsObjectType(Word(line, 5)))
        return true;
    if (!line.empty() && IsBlank(line[0]) && IsObjectType(Word(line, 4)))
        return true;
    const std::string_view second = Word(line, 2);
    return second == "*MEM" || (Word(line, 1) == "*MEM" && !Word(line, 2).empty());
}

bool IsFolderType(std::string_view type)
{
    return type == "*DIR" || type == "*DDIR" || type == "*FLR" || type == "*LIB" || type == "DIR";
}

} // namespace

class TIdFTPLPAS400 : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "AS400"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            return IsAS400Line(line);
        }
        return false;
    }

    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override
    {
        unsigned orders = doYMD | doMDY | doDMY;
        for (std::string_view line : lines) {
            if (orders == doYMD || orders == doMDY || orders == doDMY)
                break;
            TIdWordCursor words(line);
            for (int i = 0; i < 3; ++i) {
                const std::string_view word = words.Next();
                int a = 0, b = 0, c = 0;
                if (!SplitDate3(word, a, b, c))
                    continue;
                const unsigned allowed = orders & PossibleOrders(word);
                if (allowed != 0)
                    orders = allowed;
                break;
            }
        }
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            TIdFTPListItem& item = MakeNewItem(items);
            item.SetRawLine(line);
            if (!Parse(item, line, orders))
                items.RemoveLast();
        }
        return true;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return Parse(item, line, doYMD | doMDY | doDMY);
    }

private:
    // `orders`: the date orders the listing allows, the first one preferred.
    static bool Parse(TIdFTPListItem& item, std::string_view line, unsigned orders)
    {
        TIdWordCursor words(line);
        std::string_view owner = words.Next();
        std::string_view type;
        const bool anonymous = !line.empty() && IsBlank(line[0])
                               && (IsObjectType(owner) || IsObjectType(Word(line, 4)));
        if (anonymous && IsObjectType(owner)) {
            std::swap(owner, type);
        } else if (anonymous) {
            words = TIdWordCursor(line);
            owner = {};
        }
        if (type.empty())
            type = words.Next();
        std::string_view sizeWord;
        std::string_view dateWord;
        std::string_view timeWord;
        if (!IsObjectType(type)) {
            sizeWord = type;
            dateWord = words.Next();
            timeWord = words.Next();
            type = words.Next();
            if (!IsObjectType(type))
                return false;
        }
        std::string_view name = TrimRight(words.Rest());
        if (name.empty())
            return false;
        if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
            owned->SetOwnerName(owner);

        bool folder = IsFolderType(type);
        if (name.size() > 1 && name.back() == '/') {
            folder = true;
            name.remove_suffix(1);
        }
        // A full path names the object itself; a member keeps "FILE/MEMBER"
        // (its place below the listed folder) with the member as local name.
        std::string_view local = name;
        if (const std::size_t slash = name.rfind('/'); slash != std::string_view::npos) {
            local = name.substr(slash + 1);
            if (name.front() == '/')
                name = local;
        }
        if (name.empty())
            return false;
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetFileName(name);
        if (local != name)
            item.SetLocalFileName(local);

        item.SetSizeKnown(!sizeWord.empty());
        item.SetSize(ToInt64(sizeWord));
        TDateTime modified = 0;
        const bool known = !dateWord.empty()
                           && ReadDate(dateWord, timeWord, orders, item.ListStore().NowParts(),
                                       modified);
        item.SetModifiedKnown(known);
        item.SetModifiedDate(known ? modified : 0);
        return true;
    }

    static bool ReadDate(std::string_view dateWord, std::string_view timeWord, unsigned order,
                         const TIdDateParts& now, TDateTime& out)
    {
        TIdDateParts parts;
        int a = 0, b = 0, c = 0;
        if (SplitDate3(dateWord, a, b, c)) {
            const unsigned orders = order & PossibleOrders(dateWord);
            if (orders & doYMD) {
                parts.Year = a; parts.Month = b; parts.Day = c;
            } else if (orders & doMDY) {
                parts.Month = a; parts.Day = b; parts.Year = c;
            } else if (orders & doDMY) {
                parts.Day = a; parts.Month = b; parts.Year = c;
            } else {
                return false;
            }
            parts.Year = ExpandYear(parts.Year, now.Year);
        } else {
            // "mm/dd" without a year.
            const std::size_t sep = dateWord.find_first_of("/-.");
            if (sep == std::string_view::npos)
                return false;
            parts.Month = ToInt(dateWord.substr(0, sep));
            parts.Day = ToInt(dateWord.substr(sep + 1));
            parts.Year = YearOfMonthDay(parts.Month, parts.Day, now);
        }
        if (!timeWord.empty() && !ReadClockTime(timeWord, parts.Hour, parts.Minute, parts.Second))
            return false;
        return TryEncodeDateTime(parts, out);
    }
};

const TIdFTPListBase& ListParserAS400()
{
    static const TIdFTPLPAS400 parser;
    return parser;
}
