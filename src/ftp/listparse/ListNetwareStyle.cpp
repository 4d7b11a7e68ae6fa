#include "ftp/listparse/ListNetwareStyle.h"

#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

bool TIdFTPLPNetwareStyle::CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                                        bool /*detailed*/) const
{
    const std::string_view line = FirstEntryLine(lines);
    return !line.empty() && IsEntryLine(line);
}

bool TIdFTPLPNetwareStyle::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    for (std::string_view line : lines)
        if (!IsBlankLine(line) && !IsTotalLine(line))
            AddLine(items, line, {});
    return true;
}

bool TIdFTPLPNetwareStyle::FinishEntry(TIdFTPListItem& item, TIdWordCursor& words,
                                       std::string_view owner, bool directory, std::string_view size)
{
    TDateTime modified = 0;
    const bool dated = ReadMonthDayTimeOrYear(words, item.ListStore().NowParts(), modified);
    const std::string_view name = TrimRight(words.Rest());
    if (name.empty())
        return false;
    if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
        owned->SetOwnerName(owner);
    item.SetItemKind(directory ? dkDirectory : dkFile);
    item.SetSize(ToInt64(size));
    item.SetModifiedDate(modified);
    item.SetModifiedKnown(dated);
    item.SetFileName(name);
    return true;
}
