// Listings of TSX+ servers (TIdFTPLPTSXPlus, "TSX+"), RT-11 style: name
// and type (padded, as in "SWAP  .SYS"), size in blocks of 512 bytes and
// the date; a line may hold several entries. A summary line names the
// directory:
//   SWAP  .SYS    27  01-Jan-80    RT11SJ.SYS    79  01-Jan-80
//   PIP   .SAV    30  12-Mar-93
//   Directory [ DK:FTP ] / 3 Files   136 Blocks
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

#include <limits>
#include <string>

using namespace listparse;

namespace {

bool IsSummary(std::string_view line)
{
    const std::string_view text = TrimLeft(line);
    if (!StartsText(text, "Directory"))
        return false;
    const std::size_t open = text.find('[');
    const std::size_t close = text.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return false;
    const std::string_view tail = text.substr(close + 1);
    return TrimLeft(tail).substr(0, 1) == "/" && ContainsText(tail, "Files")
           && ContainsText(tail, "Block");
}

bool IsDateWord(std::string_view word)
{
    std::string_view parts[3];
    return word.find('-') != std::string_view::npos && SplitDateWord(word, parts)
           && MonthOf(parts[1]) != 0;
}

class TIdFTPLPTSXPlus : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "TSX+"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        // The summary closes the listing; some servers put it first.
        for (std::string_view line : lines) {
            if (IsBlankLine(line))
                continue;
            if (IsSummary(line))
                return true;
            break;
        }
        for (std::size_t i = lines.size(); i > 0; --i)
            if (!IsBlankLine(lines[i - 1]))
                return IsSummary(lines[i - 1]);
        return false;
    }

    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line) || IsSummary(line))
                continue;
            // Cut the line into entries, each ending with its date word.
            TIdWordCursor cursor(line);
            const char* start = nullptr;
            std::string_view previous;
            for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
                if (start == nullptr)
                    start = word.data();
                if (IsNumeric(previous) && IsDateWord(word)) {
                    AddLine(items,
                            std::string_view(start, static_cast<std::size_t>(
                                                        word.data() + word.size() - start)),
                            {});
                    start = nullptr;
                    previous = {};
                    continue;
                }
                previous = word;
            }
        }
        return true;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        // Name words, block count, date.
        TIdWordCursor cursor(line);
        std::string name;
        std::string_view previous;
        std::string_view date;
        for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
            if (IsNumeric(previous) && IsDateWord(word)) {
                date = word;
                break;
            }
            name += previous;
            previous = word;
        }
        if (date.empty() || name.empty())
            return false;
        item.SetFileName(name);
        item.SetItemKind(dkFile);
        const std::int64_t blocks = ToInt64(previous);
        item.SetSize(blocks > std::numeric_limits<std::int64_t>::max() / 512 ? 0 : blocks * 512);
        TIdDateParts parts;
        if (ReadNamedMonthDate(date, item.ListStore().NowParts().Year, parts)) {
            parts.Hour = parts.Minute = parts.Second = parts.Millisecond = 0;
            SetItemDate(item, parts);
        } else {
            item.SetModifiedDate(0);
            item.SetModifiedKnown(false);
        }
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserTSXPlus()
{
    static const TIdFTPLPTSXPlus parser;
    return parser;
}
