#include "ftp/listparse/ListMList.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

// "YYYYMMDDHHMMSS[.sss]" in UTC (RFC 3659 time-val).
bool ReadTimeVal(std::string_view value, TDateTime& out)
{
    if (value.size() < 14 || !IsNumeric(value.substr(0, 14)))
        return false;
    TIdDateParts p{ToInt(value.substr(0, 4)), ToInt(value.substr(4, 2)), ToInt(value.substr(6, 2)),
                   ToInt(value.substr(8, 2)), ToInt(value.substr(10, 2)), ToInt(value.substr(12, 2)),
                   0};
    if (value.size() > 15 && value[14] == '.') {
        std::string_view ms = value.substr(15, 3);
        int v = IsNumeric(ms) ? ToInt(ms) : 0;
        for (std::size_t i = ms.size(); i < 3; ++i)
            v *= 10;
        p.Millisecond = v;
    }
    return TryEncodeDateTime(p, out);
}

} // namespace

bool TIdFTPLPMList::ParseLine(TIdFTPListItem& item, std::string_view line,
                              std::string_view /*path*/) const
{
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return false;
    const std::string_view facts = line.substr(0, blank);
    const std::string_view name = line.substr(blank + 1);
    if (name.empty())
        return false;
    item.SetSizeKnown(false);
    item.SetModifiedKnown(false);
    std::size_t start = 0;
    while (start < facts.size()) {
        std::size_t end = facts.find(';', start);
        if (end == std::string_view::npos)
            end = facts.size();
        const std::string_view fact = facts.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = fact.substr(0, eq);
        const std::string_view value = fact.substr(eq + 1);
        if (SameText(key, "type")) {
            if (SameText(value, "dir") || SameText(value, "cdir") || SameText(value, "pdir"))
                item.SetItemKind(dkDirectory);
            else if (SameText(value, "link") || StartsText(value, "OS.unix=slink")
                     || StartsText(value, "OS.unix=symlink"))
                item.SetItemKind(dkSymbolicLink);
            else
                item.SetItemKind(dkFile);
        } else if (SameText(key, "size") || SameText(key, "sizd")) {
            item.SetSize(ToInt64(value));
            item.SetSizeKnown(true);
        } else if (SameText(key, "modify")) {
            TDateTime modified = 0;
            const bool known = ReadTimeVal(value, modified);
            item.SetModifiedDate(known ? modified : 0);
            item.SetModifiedKnown(known);
        }
    }
    item.SetFileName(name);
    return true;
}

const TIdFTPListBase& ListParserMList()
{
    static const TIdFTPLPMList parser;
    return parser;
}
