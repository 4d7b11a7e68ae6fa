#include "ftp/listparse/ListVMS.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

#include <cstdint>
#include <limits>
#include <string>

using namespace listparse;

namespace {

// "NAME.EXT;12": a name, ";" and a numeric version.
bool IsVersionedName(std::string_view word)
{
    const std::size_t semi = word.rfind(';');
    return semi != std::string_view::npos && semi > 0 && IsNumeric(word.substr(semi + 1));
}

// "Directory DISK$USER:[ANONYMOUS]" (also "<...>" directories).
bool IsDirectoryHeader(std::string_view line)
{
    TIdWordCursor cursor(line);
    if (!SameText(cursor.Next(), "Directory"))
        return false;
    const std::string_view spec = cursor.Next();
    return !spec.empty() && cursor.AtEnd()
           && ((spec.back() == ']' && spec.find('[') != std::string_view::npos)
               || (spec.back() == '>' && spec.find('<') != std::string_view::npos));
}

bool IsTotalFooter(std::string_view line)
{
    const std::string_view text = TrimLeft(line);
    return StartsText(text, "TOTAL OF ") || StartsText(text, "GRAND TOTAL OF ");
}

// Used blocks of "9/12", "9" or "******"; false when not a block count.
bool ReadBlocks(std::string_view word, bool& known, std::int64_t& bytes)
{
    if (!word.empty() && word.find_first_not_of('*') == std::string_view::npos) {
        known = false;
        bytes = 0;
        return true;
    }
    const std::size_t slash = word.find('/');
    const std::string_view used = word.substr(0, slash);
    if (!IsNumeric(used)
        || (slash != std::string_view::npos && !IsNumeric(word.substr(slash + 1))))
        return false;
    const std::int64_t blocks = ToInt64(used);
    known = true;
    bytes = blocks > std::numeric_limits<std::int64_t>::max() / 512 ? 0 : blocks * 512;
    return true;
}

} // namespace

TIdFTPListItem& TIdFTPLPVMS::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdVMSFTPListItem>();
}

bool TIdFTPLPVMS::CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                               bool /*detailed*/) const
{
    for (std::string_view line : lines) {
        if (IsBlankLine(line))
            continue;
        if (IsDirectoryHeader(line))
            return true;
        TIdWordCursor cursor(line);
        const std::string_view first = cursor.Next();
        if (!IsVersionedName(first))
            return false;
        // A lone name continues on the next line; otherwise the block
        // count (or the owner) follows it.
        const std::string_view second = cursor.Next();
        bool known = false;
        std::int64_t bytes = 0;
        return second.empty() || ReadBlocks(second, known, bytes)
               || (second.front() == '[' && second.back() == ']');
    }
    return false;
}

bool TIdFTPLPVMS::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (IsBlankLine(line) || IsDirectoryHeader(line) || IsTotalFooter(line))
            continue;
        TIdWordCursor cursor(line);
        const std::string_view first = cursor.Next();
        if (!IsVersionedName(first))
            continue;  // other header or footer text
        if (cursor.AtEnd() && i + 1 < lines.size() && !IsBlankLine(lines[i + 1])
            && !IsVersionedName(Word(lines[i + 1], 1))) {
            // The entry goes on on the next line.
            std::string joined(first);
            joined += ' ';
            joined += TrimLeft(lines[i + 1]);
            ++i;
            AddLine(items, joined, {});
            continue;
        }
        AddLine(items, line, {});
    }
    return true;
}

bool TIdFTPLPVMS::ParseLine(TIdFTPListItem& item, std::string_view line,
                            std::string_view /*path*/) const
{
    TIdWordCursor cursor(line);
    std::string_view name = cursor.Next();
    if (!IsVersionedName(name))
        return false;
    const std::size_t semi = name.rfind(';');
    const std::string_view bare = name.substr(0, semi);
    if (EndsText(bare, ".DIR")) {
        item.SetItemKind(dkDirectory);
        name = bare.substr(0, bare.size() - 4);
        if (name.empty())
            return false;
    } else {
        item.SetItemKind(dkFile);
    }
    item.SetFileName(name);
    if (item.ItemKind() == dkFile) {
        // The local copy is named without the version.
        std::string local;
        bool upper = true;
        for (char c : bare)
            upper = upper && !(c >= 'a' && c <= 'z');
        for (char c : bare)
            local.push_back(upper ? LowCase(c) : c);
        item.SetLocalFileName(local);
    }

    bool sizeSeen = false;
    bool dateSeen = false;
    bool timeSeen = false;
    item.SetSizeKnown(false);
    TIdDateParts parts;
    const int currentYear = item.ListStore().NowParts().Year;
    for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
        if (word.front() == '[') {
            std::string_view owner = word.substr(1);
            if (!owner.empty() && owner.back() == ']')
                owner.remove_suffix(1);
            if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
                owned->SetOwnerName(owner);
            continue;
        }
        if (word.front() == '(')
            continue;  // protection
        bool known = false;
        std::int64_t bytes = 0;
        if (!sizeSeen && !dateSeen && ReadBlocks(word, known, bytes)) {
            sizeSeen = true;
            item.SetSizeKnown(known);
            item.SetSize(bytes);
        } else if (!dateSeen && word.find('-') != std::string_view::npos) {
            dateSeen = ReadNamedMonthDate(word, currentYear, parts);
        } else if (dateSeen && !timeSeen && word.find(':') != std::string_view::npos) {
            timeSeen = ReadClockTime(word, parts);
        }
    }
    SetItemDate(item, dateSeen, parts);
    return true;
}

const TIdFTPListBase& ListParserVMS()
{
    static const TIdFTPLPVMS parser;
    return parser;
}
