// Listings of CONNECT:Enterprise for UNIX mailbox servers.
//
// Batches of a mailbox (TIdFTPLPSterCommEntUx, "CONNECT:Enterprise for
// UNIX"): status flags and the protocol in one 13-character word, the
// batch's origin letter, owner, batch number, size, month, day, time or
// year, name.
//   -C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST
//   Total Number of batches listed: 1
// The same lines under a "Total Number of ..." footer with other flag
// words (TIdFTPLPSterCommEntUxNS, "CONNECT:Enterprise for UNIX$$").
// The list of mailboxes (TIdFTPLPSterCommEntUxRoot, "CONNECT:Enterprise for
// UNIX ROOT") ends with "Total number of Mailboxes = n"; each mailbox is a
// folder.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

constexpr std::size_t kMaxWords = 12;

// "-C--E-----FTP": ten flag characters and a protocol of capitals.
bool IsFlagWord(std::string_view word)
{
    if (word.size() != 13)
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        const bool capital = c >= 'A' && c <= 'Z';
        if (i < 10 ? !(capital || c == '-') : !capital)
            return false;
    }
    return true;
}

struct TBatchLine {
    std::string_view Flags;
    std::string_view Owner;
    std::string_view Size;
    std::string_view Month;
    std::string_view Day;
    std::string_view TimeOrYear;
    std::string_view Name;
};

// Words up to the month name: flags, [origin,] owner, [number,] size.
bool SplitBatchLine(std::string_view line, TBatchLine& out)
{
    TIdWordCursor cursor(line);
    std::string_view words[kMaxWords];
    std::size_t n = 0;
    while (n < kMaxWords) {
        words[n] = cursor.Next();
        if (words[n].empty())
            return false;
        if (n >= 2 && MonthOf(words[n]) != 0 && IsNumeric(words[n - 1]))
            break;
        ++n;
    }
    if (n == kMaxWords)
        return false;
    out.Flags = words[0];
    out.Month = words[n];
    out.Size = words[n - 1];
    out.Owner = n >= 4 ? words[n - 3] : words[1];
    out.Day = cursor.Next();
    out.TimeOrYear = cursor.Next();
    out.Name = cursor.Rest();
    return IsNumeric(out.Day) && !out.TimeOrYear.empty() && !out.Name.empty();
}

bool ParseBatchLine(TIdFTPListItem& item, std::string_view line, bool folders)
{
    TBatchLine parts;
    if (!SplitBatchLine(line, parts))
        return false;
    item.SetFileName(parts.Name);
    item.SetItemKind(folders || parts.Flags.front() == 'd' || parts.Flags.front() == 'D'
                         ? dkDirectory
                         : dkFile);
    item.SetSize(ToInt64(parts.Size));
    if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
        owned->SetOwnerName(parts.Owner);
    const TIdDateParts& now = item.ListStore().NowParts();
    TIdDateParts date;
    date.Month = MonthOf(parts.Month);
    date.Day = ToInt(parts.Day);
    date.Hour = date.Minute = date.Second = 0;
    if (parts.TimeOrYear.find(':') != std::string_view::npos) {
        date.Year = YearOfMonthDay(date.Month, date.Day, now);
        if (!ReadClockTime(parts.TimeOrYear, date))
            date.Month = 0;
    } else {
        date.Year = IsNumeric(parts.TimeOrYear) ? ToInt(parts.TimeOrYear) : 0;
    }
    SetItemDate(item, date);
    return true;
}

std::string_view LastLine(TIdListingLines lines)
{
    for (std::size_t i = lines.size(); i > 0; --i)
        if (!IsBlankLine(lines[i - 1]))
            return TrimLeft(lines[i - 1]);
    return {};
}

std::string_view FirstLine(TIdListingLines lines)
{
    for (std::string_view line : lines)
        if (!IsBlankLine(line))
            return line;
    return {};
}

bool IsBatchFooter(std::string_view line)
{
    return StartsText(TrimLeft(line), "Total Number of ");
}

class TIdFTPLPSterCommEntUx : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "CONNECT:Enterprise for UNIX"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view first = FirstLine(lines);
        TBatchLine parts;
        return IsFlagWord(Word(first, 1)) && SplitBatchLine(first, parts);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return !IsBatchFooter(line) && ParseBatchLine(item, line, false);
    }
};

class TIdFTPLPSterCommEntUxNS : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "CONNECT:Enterprise for UNIX$$"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        // The footer is needed: the lines alone look like many others.
        const std::string_view last = LastLine(lines);
        if (!StartsWith(last, "Total Number of ") || StartsText(last, "Total number of Mailboxes"))
            return false;
        const std::string_view first = FirstLine(lines);
        TBatchLine parts;
        return first == last || SplitBatchLine(first, parts);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return !IsBatchFooter(line) && ParseBatchLine(item, line, false);
    }

private:
    static bool StartsWith(std::string_view text, std::string_view prefix)
    {
        return text.substr(0, prefix.size()) == prefix;
    }
};

class TIdFTPLPSterCommEntUxRoot : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "CONNECT:Enterprise for UNIX ROOT"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        return StartsText(LastLine(lines), "Total number of Mailboxes = ");
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (StartsText(TrimLeft(line), "Total number of "))
            return false;
        if (ParseBatchLine(item, line, true))
            return true;
        // A bare mailbox name.
        const std::string_view name = Word(line, 1);
        if (name.empty())
            return false;
        item.SetFileName(name);
        item.SetItemKind(dkDirectory);
        item.SetSizeKnown(false);
        item.SetModifiedKnown(false);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserSterCommEntUx()
{
    static const TIdFTPLPSterCommEntUx parser;
    return parser;
}

const TIdFTPListBase& ListParserSterCommEntUxNS()
{
    static const TIdFTPLPSterCommEntUxNS parser;
    return parser;
}

const TIdFTPListBase& ListParserSterCommEntUxRoot()
{
    static const TIdFTPLPSterCommEntUxRoot parser;
    return parser;
}
