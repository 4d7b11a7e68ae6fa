// HellSoft's NetWare server: the type letter is glued to the rights and a
// link count follows:
//   d[RWCEMFA]  1 cyp           512 Jul 01 11:49 htdocs
//   -[RWCEMFA]  1 *unknown    13312 May 27  1997 19calit.doc

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListHelpers.h"
#include "ftp/listparse/ListNetwareStyle.h"

using namespace listparse;

namespace {

bool IsHellSoftLine(std::string_view line)
{
    const std::string_view first = Word(line, 1);
    return first.size() >= 3 && (first[0] == 'd' || first[0] == '-' || first[0] == 'D')
           && first[1] == '[' && first.back() == ']';
}

} // namespace

class TIdFTPLPHellSoft : public TIdFTPLPNetwareStyle {
public:
    std::string_view Identifier() const override { return "Hellsoft"; }

    bool IsEntryLine(std::string_view line) const override { return IsHellSoftLine(line); }

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
        return FinishEntry(item, words, owner, UpCase(rights[0]) == 'D', size);
    }
};

const TIdFTPListBase& ListParserHellSoft()
{
    static const TIdFTPLPHellSoft parser;
    return parser;
}
