#include "ftp/listparse/ListEPLF.h"

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

bool TIdFTPLPEPLF::CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                                bool /*detailed*/) const
{
    for (std::string_view line : lines) {
        if (IsBlankLine(line))
            continue;
        return line.size() > 1 && line[0] == '+' && line.find('\t') != std::string_view::npos;
    }
    return false;
}

bool TIdFTPLPEPLF::ParseLine(TIdFTPListItem& item, std::string_view line,
                             std::string_view /*path*/) const
{
    const std::size_t tab = line.find('\t');
    if (line.empty() || line[0] != '+' || tab == std::string_view::npos)
        return false;
    const std::string_view facts = line.substr(1, tab - 1);
    const std::string_view name = line.substr(tab + 1);
    if (name.empty())
        return false;
    item.SetSizeKnown(false);
    item.SetModifiedKnown(false);
    item.SetItemKind(dkFile);
    std::size_t start = 0;
    while (start <= facts.size()) {
        std::size_t end = facts.find(',', start);
        if (end == std::string_view::npos)
            end = facts.size();
        const std::string_view fact = facts.substr(start, end - start);
        start = end + 1;
        if (fact.empty())
            continue;
        const std::string_view value = fact.substr(1);
        switch (fact[0]) {
        case '/':
            item.SetItemKind(dkDirectory);
            break;
        case 's':
            item.SetSize(ToInt64(value));
            item.SetSizeKnown(true);
            break;
        case 'm': {
            const std::int64_t seconds = ToInt64(value);
            // Day 0 of TDateTime is 25569 days before 1970-01-01.
            item.SetModifiedDate(25569.0 + static_cast<double>(seconds) / 86400.0);
            item.SetModifiedKnown(IsNumeric(value) && seconds < 253402300800LL);
            if (!item.ModifiedKnown())
                item.SetModifiedDate(0);
            break;
        }
        default:
            break;
        }
    }
    item.SetFileName(name);
    return true;
}

const TIdFTPListBase& ListParserEPLF()
{
    static const TIdFTPLPEPLF parser;
    return parser;
}
