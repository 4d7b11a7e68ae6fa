// Directory listings come straight from the server: any bytes must go
// through detection and every parser without a crash, a hang or a blow-up.
// Each parser also parses the input directly, so formats that would reject
// it in detection are exercised too.

#include "ftp/listparse/ListRegistry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Touch(const TIdFTPListItems& items)
{
    std::size_t sum = 0;
    for (const TIdFTPListItem& item : items) {
        sum += item.FileName().size() + item.LocalFileName().size() + item.RawLine().size();
        sum += static_cast<std::size_t>(item.Size()) + static_cast<std::size_t>(item.ItemKind());
        DecodeDateTime(item.ModifiedDate());
        if (const auto* u = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item))
            sum += u->OwnerName().size() + u->GroupName().size() + u->LinkTarget().size()
                   + u->UserPermissions().size();
    }
    volatile std::size_t sink = sum;
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitListingLines(bytes);
    const TDateTime now = *ParseIsoDateTime("2026-01-15T12:00:00");
    {
        TIdFTPListItems items;
        items.SetNow(now);
        TIdFTPRegParseList::Instance().ParseListing(lines, items);
        Touch(items);
    }
    for (const TIdFTPListBase* parser : TIdFTPRegParseList::Instance().Parsers()) {
        parser->CheckListing(lines, {}, true);
        TIdFTPListItems items;
        items.SetNow(now);
        parser->ParseListing(lines, items);
        Touch(items);
    }
    return 0;
}
