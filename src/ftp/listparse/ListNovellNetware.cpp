// NetWare server listings:
//   d [RWCEAFMS] owner            512 Jan 02 15:48 some folder
//   - [R----F--] rhesus        214059 Oct 20 15:27    cx.exe
// The type letter and the bracketed rights are separate words; names may
// hold blanks, and blanks between the time and the name are not part of it.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListMonthDayDate.h"

using namespace listparse;

namespace {

bool IsRightsWord(std::string_view word)
{
    return word.size() >= 2 && word.front() == '[' && word.back() == ']';
}

bool IsNetwareLine(std::string_view line)
{
    TIdWordCursor words(line);
    const std::string_view type = words.Next();
    return type.size() == 1 && (type[0] == 'd' || type[0] == '-' || type[0] == 'D')
           && IsRightsWord(words.Next());
}

} // namespace

class TIdFTPLPNovellNetware : public TIdFTPLineOwnedList {
public:
    std::string_view Identifier() const override { return "Novell Netware"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        const std::string_view line = FirstEntryLine(lines);
        return !line.empty() && IsNetwareLine(line);
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
        if (!IsNetwareLine(line))
            return false;
        TIdWordCursor words(line);
        const std::string_view type = words.Next();
        words.Next();  // rights
        const std::string_view owner = words.Next();
        const std::string_view size = words.Next();
        TDateTime modified = 0;
        const bool dated = ReadMonthDayTimeOrYear(words, item.ListStore().NowParts(), modified);
        const std::string_view name = TrimRight(words.Rest());
        if (name.empty())
            return false;
        if (auto* owned = dynamic_cast<TIdOwnerFTPListItem*>(&item))
            owned->SetOwnerName(owner);
        item.SetItemKind(UpCase(type[0]) == 'D' ? dkDirectory : dkFile);
        item.SetSize(ToInt64(size));
        item.SetModifiedDate(modified);
        item.SetModifiedKnown(dated);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserNovellNetware()
{
    static const TIdFTPLPNovellNetware parser;
    return parser;
}
