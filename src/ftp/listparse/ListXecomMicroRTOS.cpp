// Listings of the Xercom Micro RTOS server (TIdFTPLPXecomMicroRTOS,
// "Xercom Micro RTOS"): start and end address, length, name.
//    Start      End    length  File name
//   00010000 0001FFFF   65536  BOOT.BIN
//   ** Total 1 files, 65536 bytes **
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

class TIdFTPLPXecomMicroRTOS : public TIdFTPListBaseHeader {
public:
    std::string_view Identifier() const override { return "Xercom Micro RTOS"; }

    bool IsHeader(std::string_view line) const override
    {
        TIdWordCursor cursor(line);
        return SameText(cursor.Next(), "Start") && SameText(cursor.Next(), "End")
               && SameText(cursor.Next(), "length") && SameText(cursor.Next(), "File")
               && SameText(cursor.Next(), "name");
    }

    bool IsFooter(std::string_view line) const override
    {
        TIdWordCursor cursor(line);
        return cursor.Next() == "**" && SameText(cursor.Next(), "Total");
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        TIdWordCursor cursor(line);
        cursor.Next();  // start address
        cursor.Next();  // end address
        const std::string_view length = cursor.Next();
        const std::string_view name = TrimRight(cursor.Rest());
        if (name.empty())
            return false;
        item.SetFileName(name);
        item.SetItemKind(dkFile);
        item.SetSize(ToInt64(length));
        item.SetModifiedKnown(false);
        return true;
    }
};

} // namespace

const TIdFTPListBase& ListParserXecomMicroRTOS()
{
    static const TIdFTPLPXecomMicroRTOS parser;
    return parser;
}
