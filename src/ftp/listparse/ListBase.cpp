#include "ftp/listparse/ListBase.h"

#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

std::string_view FirstEntryLine(TIdListingLines lines)
{
    for (std::string_view line : lines)
        if (!IsBlankLine(line) && !IsTotalLine(line))
            return line;
    return {};
}

TIdFTPListItem& TIdFTPListBase::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdFTPListItem>();
}

bool TIdFTPListBase::ParseLine(TIdFTPListItem& /*item*/, std::string_view /*line*/,
                               std::string_view /*path*/) const
{
    return true;
}

bool TIdFTPListBase::CheckListing(TIdListingLines /*lines*/,
                                  std::string_view /*systemDescription*/,
                                  bool /*detailed*/) const
{
    return false;
}

TIdFTPListItem* TIdFTPListBase::AddLine(TIdFTPListItems& items, std::string_view line,
                                        std::string_view path) const
{
    TIdFTPListItem& item = MakeNewItem(items);
    item.SetRawLine(line);
    if (!ParseLine(item, line, path)) {
        items.RemoveLast();
        return nullptr;
    }
    return &item;
}

bool TIdFTPListBase::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    for (std::string_view line : lines)
        if (!line.empty())
            AddLine(items, line, {});
    return true;
}

bool TIdFTPListBaseHeader::IsFooter(std::string_view /*line*/) const
{
    return false;
}

bool TIdFTPListBaseHeader::CheckListing(TIdListingLines lines,
                                        std::string_view /*systemDescription*/,
                                        bool /*detailed*/) const
{
    for (std::string_view line : lines) {
        if (IsBlankLine(line) || IsSeparatorLine(line))
            continue;
        return IsHeader(line);
    }
    return false;
}

bool TIdFTPListBaseHeader::ParseListing(TIdListingLines lines, TIdFTPListItems& items) const
{
    std::size_t i = 0;
    while (i < lines.size()
           && (IsBlankLine(lines[i]) || IsSeparatorLine(lines[i]) || IsHeader(lines[i])))
        ++i;
    for (; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (IsBlankLine(line) || IsSeparatorLine(line) || IsFooter(line))
            continue;
        AddLine(items, line, {});
    }
    return true;
}

TIdFTPListItem& TIdFTPLineOwnedList::MakeNewItem(TIdFTPListItems& items) const
{
    return items.Add<TIdOwnerFTPListItem>();
}
