// HellSoft's NetWare server: the type letter is glued to the rights and a
// link count follows:
//   d[RWCEMFA]  1 cyp           512 Jul 01 11:49 htdocs
//   -[RWCEMFA]  1 *unknown    13312 May 27  1997 19calit.doc

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsHellSoftLine(std::string_view line)
{
    const std::string_view first = Word(line, 1);
    return first.size() >= 3 && (first[0] == 'd' || first[0] == '-' || first[0] == 'D')
           && first[1] == '[' && first.back() == ']';
}

} // namespace

class TIdFTPLPHellSoft : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "Hellsoft"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view line = FirstEntryLine(lines);
        return !line.empty() && IsHellSoftLine(line);
    }

    bool ParseListing(TIdListingLines lines, TIdFTPListItems& items) const override
    {
        for (std::string_view line : lines)
            if (!IsBlankLine(line) && !IsTotalLine(line))
                AddLine(items, line, {});
        return true;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (!IsHellSoftLine(line))
            return false;
        TIdWordCursor words(line);
        const std::string_view rights = words.Next();
        std::string_view owner = words.Next();
        if (IsNumeric(owner) && !IsNumeric(words.Peek()))  // link count
            owner = words.Next();
        const std::string_view size = words.Next();
        TDateTime modified = 0;
        const bool dated = ReadMonthDayTimeOrYear(words, item.ListStore().NowParts(), modified);
        const std::string_view name = TrimRight(words.Rest());
        if (name.empty())
            return false;
        if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
            owned->SetOwnerName(owner);
        item.SetItemKind(UpCase(rights[0]) == 'D' ? dkDirectory : dkFile);
        item.SetSize(ToInt64(size));
        item.SetModifiedDate(modified);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserHellSoft()
{
    static const TIdFTPLPHellSoft parser;
    return parser;
}
