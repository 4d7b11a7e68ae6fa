// Listings of VSE servers. The top levels name their entries with a kind in
// angle brackets; each such entry is a folder one changes into.
//
// A library (TIdFTPLPVSELibrary, "VSE:  Library") lists its sublibraries:
//   CONFIG       <Sub Library>
//   PRD2         <Sub Library>
// The root (TIdFTPLPVSERootDir, "VSE:  Root Directory") lists libraries
// and the other file spaces:
//   PRD1         <Library>
//   POWER        <Power Queues>
// Any date and time on such a line (12/10/26 10:32) are read.
//
// The layouts of POWER queues, sublibrary members, VSAM catalogs and VTOCs
// are not read yet; those formats keep their place and never match.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListDateWords.h"
#include "ftp/listparse/ListHelpers.h"

using namespace listparse;

namespace {

// The "<...>" kind after the name, or empty.
std::string_view KindMarker(std::string_view line)
{
    TIdWordCursor cursor(line);
    if (cursor.Next().empty())
        return {};
    const std::string_view rest = cursor.Rest();
    if (rest.empty() || rest.front() != '<')
        return {};
    const std::size_t close = rest.find('>');
    return close == std::string_view::npos ? std::string_view() : rest.substr(0, close + 1);
}

bool IsSubLibraryLine(std::string_view line)
{
    return SameText(KindMarker(line), "<Sub Library>");
}

bool IsRootLine(std::string_view line)
{
    const std::string_view marker = KindMarker(line);
    return marker.size() > 2 && !SameText(marker, "<Sub Library>") && !SameText(marker, "<DIR>");
}

bool ParseFolderLine(TIdFTPListItem& item, std::string_view line)
{
    const std::string_view marker = KindMarker(line);
    const std::string_view name = Word(line, 1);
    if (marker.empty() || name.empty())
        return false;
    item.SetFileName(name);
    item.SetItemKind(dkDirectory);
    item.SetSizeKnown(false);
    item.SetModifiedKnown(false);
    const std::size_t after = static_cast<std::size_t>(marker.data() + marker.size() - line.data());
    TIdWordCursor cursor(line.substr(after));
    TIdDateParts parts;
    const int currentYear = item.ListStore().NowParts().Year;
    for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
        if (ReadMonthDayYear(word, currentYear, parts)) {
            if (!ReadClockTime(cursor.Next(), parts))
                parts.Hour = parts.Minute = parts.Second = parts.Millisecond = 0;
            SetItemDate(item, parts);
            break;
        }
    }
    return true;
}

std::string_view FirstLine(TIdListingLines lines)
{
    for (std::string_view line : lines)
        if (!IsBlankLine(line))
            return line;
    return {};
}

class TIdFTPLPVSELibrary : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "VSE:  Library"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        return IsSubLibraryLine(FirstLine(lines));
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return ParseFolderLine(item, line);
    }
};

class TIdFTPLPVSERootDir : public TIdFTPListBase {
public:
    std::string_view Identifier() const override { return "VSE:  Root Directory"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        return IsRootLine(FirstLine(lines));
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        return ParseFolderLine(item, line);
    }
};

} // namespace

const TIdFTPListBase& ListParserVSELibrary()
{
    static const TIdFTPLPVSELibrary parser;
    return parser;
}

const TIdFTPListBase& ListParserVSEPowerQueue()
{
    static const TIdFTPListPending parser("VSE:  PowerQueue");
    return parser;
}

const TIdFTPListBase& ListParserVSERootDir()
{
    static const TIdFTPLPVSERootDir parser;
    return parser;
}

const TIdFTPListBase& ListParserVSESubLibrary()
{
    static const TIdFTPListPending parser("VSE:  Sublibrary");
    return parser;
}

const TIdFTPListBase& ListParserVSEVSAMCatalog()
{
    static const TIdFTPListPending parser("VSE:  VSAM Catalog");
    return parser;
}

const TIdFTPListBase& ListParserVSEVTOC()
{
    static const TIdFTPListPending parser("VSE:  VTOC");
    return parser;
}
