// NetWare server listings:
//   d [RWCEAFMS] owner            512 Jan 02 15:48 some folder
//   - [R----F--] rhesus        214059 Oct 20 15:27    cx.exe
// The type letter and the bracketed rights are separate words; names may
// hold blanks, and blanks between the time and the name are not part of it.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListNetwareStyle.h"

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

class TIdFTPLPNovellNetware : public TIdFTPLPNetwareStyle {
public:
    std::string_view Identifier() const override { return "Novell Netware"; }

    bool IsEntryLine(std::string_view line) const override { return IsNetwareLine(line); }

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
        return FinishEntry(item, words, owner, UpCase(type[0]) == 'D', size);
    }
};

const TIdFTPListBase& ListParserNovellNetware()
{
    static const TIdFTPLPNovellNetware parser;
    return parser;
}
