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
// Inside those folders the entries are files, one a line, name first:
//
// A sublibrary (TIdFTPLPVSESubLibrary, "VSE:  Sublibrary") lists members as
// NAME.TYPE with a count and the date of the last change:
//   PAYROLL.PHASE        12   12/08/26 10:32
//   STARTUP.PROC          3   01/31/06
// A POWER queue (TIdFTPLPVSEPowerQueue, "VSE:  PowerQueue") lists jobs with
// job number, suffix, class and disposition (D, H, K, L, X or Y), then
// optionally the record count and a date:
//   PAYROLL   01234   0  A  K    1520  12/08/26 10:32
// A VSAM catalog (TIdFTPLPVSEVSAMCatalog, "VSE:  VSAM Catalog") lists
// clusters with their type: E (entry-sequenced), K (key-sequenced) or R
// (relative record):
//   PAYROLL.MASTER.FILE   K   12/08/26
// A VTOC (TIdFTPLPVSEVTOC, "VSE:  VTOC") lists the files of a volume with
// their type: S (sequential), D (direct), V (VSAM space), I (indexed) or U
// (undefined):
//   VSE.DUMP.FILE   S   12/08/26
// The counts are not byte sizes, so sizes stay unknown. A format is taken
// only when its first line has exactly its layout: names in capitals, the
// type letter of its own set, and nothing after it but numbers, dates and
// times. A member line has the words of a KA9Q line too, and that format is
// asked first: through the registry a sublibrary listing is read as KA9Q.
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

// A name as these systems write it: capitals, digits, "$", "#", "@", "-",
// "_" and (where `dots`) "." between parts; 1 to `maxLength` characters.
bool IsHostName(std::string_view word, std::size_t maxLength, bool dots)
{
    if (word.empty() || word.size() > maxLength || word.front() == '.' || word.back() == '.')
        return false;
    for (char c : word) {
        const bool ok = (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '$' || c == '#' || c == '@'
                        || c == '-' || c == '_' || (dots && c == '.');
        if (!ok)
            return false;
    }
    return word.find("..") == std::string_view::npos;
}

// "MEMBER.TYPE": a member name and a type of 1 to 8 characters each.
bool IsMemberName(std::string_view word)
{
    const std::size_t dot = word.find('.');
    if (dot == std::string_view::npos || word.find('.', dot + 1) != std::string_view::npos)
        return false;
    return IsHostName(word.substr(0, dot), 8, false) && IsHostName(word.substr(dot + 1), 8, false);
}

// "mm/dd/yy" or "mm/dd/yyyy" by its shape (the date itself may not exist).
bool IsSlashDate(std::string_view word)
{
    std::string_view parts[3];
    if (word.find('/') == std::string_view::npos || !SplitDateWord(word, parts))
        return false;
    return IsNumeric(parts[0]) && parts[0].size() <= 2 && IsNumeric(parts[1])
           && parts[1].size() <= 2 && IsNumeric(parts[2]) && parts[2].size() >= 2
           && parts[2].size() <= 4;
}

// The words after the fixed columns: numbers first, then at most one date
// ("12/08/26") with at most one time after it. Reads the date into `item`
// (or marks it unknown). False when anything else follows.
bool ReadTail(TIdWordCursor& cursor, TIdFTPListItem* item, int currentYear)
{
    TIdDateParts parts;
    bool haveDate = false;
    bool dateExists = false;
    bool haveTime = false;
    for (std::string_view word = cursor.Next(); !word.empty(); word = cursor.Next()) {
        if (!haveDate && IsNumeric(word))
            continue;
        if (!haveDate && IsSlashDate(word)) {
            haveDate = true;
            dateExists = ReadMonthDayYear(word, currentYear, parts);
            parts.Hour = parts.Minute = parts.Second = parts.Millisecond = 0;
            continue;
        }
        if (haveDate && !haveTime && ReadClockTime(word, parts)) {
            haveTime = true;
            continue;
        }
        return false;
    }
    if (item != nullptr) {
        if (dateExists)
            SetItemDate(*item, parts);
        else
            item->SetModifiedKnown(false);
    }
    return true;
}

constexpr int kCheckYear = 2000;  // any year: detection only looks at shapes

// NAME.TYPE count date [time]
bool ReadMemberLine(std::string_view line, TIdFTPListItem* item, int currentYear)
{
    TIdWordCursor cursor(line);
    const std::string_view name = cursor.Next();
    const std::string_view count = cursor.Next();
    if (!IsMemberName(name) || !IsNumeric(count) || count.size() > 10)
        return false;
    if (!IsSlashDate(cursor.Peek()))
        return false;
    if (!ReadTail(cursor, item, currentYear))
        return false;
    if (item != nullptr)
        item->SetFileName(name);
    return true;
}

// JOBNAME number suffix class disposition [count] [date [time]]
bool ReadPowerLine(std::string_view line, TIdFTPListItem* item, int currentYear)
{
    TIdWordCursor cursor(line);
    const std::string_view name = cursor.Next();
    const std::string_view number = cursor.Next();
    const std::string_view suffix = cursor.Next();
    const std::string_view jobClass = cursor.Next();
    const std::string_view disposition = cursor.Next();
    if (!IsHostName(name, 8, false) || !IsNumeric(number) || number.size() > 5
        || !IsNumeric(suffix) || suffix.size() > 3 || jobClass.size() != 1
        || !IsHostName(jobClass, 1, false) || disposition.size() != 1
        || std::string_view("DHKLXY").find(disposition.front()) == std::string_view::npos)
        return false;
    if (!ReadTail(cursor, item, currentYear))
        return false;
    if (item != nullptr)
        item->SetFileName(name);
    return true;
}

// DATA.SET.NAME type [count] [date [time]], the type one of `types`.
bool ReadTypedLine(std::string_view line, std::string_view types, TIdFTPListItem* item,
                   int currentYear)
{
    TIdWordCursor cursor(line);
    const std::string_view name = cursor.Next();
    const std::string_view type = cursor.Next();
    if (!IsHostName(name, 44, true) || type.size() != 1
        || types.find(type.front()) == std::string_view::npos)
        return false;
    if (!ReadTail(cursor, item, currentYear))
        return false;
    if (item != nullptr)
        item->SetFileName(name);
    return true;
}

void SetMemberDefaults(TIdFTPListItem& item)
{
    item.SetItemKind(dkFile);
    item.SetSizeKnown(false);
}

constexpr std::string_view kVSAMTypes = "EKR";
constexpr std::string_view kVTOCTypes = "SDVIU";

using TMemberReader = bool (*)(std::string_view line, TIdFTPListItem* item, int currentYear);

// The VSE layouts differ only in the reader of their one line: it decides
// the listing from the first line (no entry given) and fills an entry from
// each. Entries of the member-like layouts (sublibrary members, POWER queue
// jobs, VSAM clusters, VTOC files) start as files of unknown size.
class TIdFTPLPVSEFormat : public TIdFTPListBase {
public:
    TIdFTPLPVSEFormat(std::string_view identifier, TMemberReader reader, bool members)
        : identifier_(identifier), reader_(reader), members_(members)
    {
    }

    std::string_view Identifier() const override { return identifier_; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        return reader_(FirstLine(lines), nullptr, kCheckYear);
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (members_)
            SetMemberDefaults(item);
        return reader_(line, &item, item.ListStore().NowParts().Year);
    }

private:
    std::string_view identifier_;
    TMemberReader reader_;
    bool members_;
};

bool ReadLibraryLine(std::string_view line, TIdFTPListItem* item, int /*currentYear*/)
{
    return item == nullptr ? IsSubLibraryLine(line) : ParseFolderLine(*item, line);
}

bool ReadRootLine(std::string_view line, TIdFTPListItem* item, int /*currentYear*/)
{
    return item == nullptr ? IsRootLine(line) : ParseFolderLine(*item, line);
}

bool ReadVSAMLine(std::string_view line, TIdFTPListItem* item, int currentYear)
{
    return ReadTypedLine(line, kVSAMTypes, item, currentYear);
}

bool ReadVTOCLine(std::string_view line, TIdFTPListItem* item, int currentYear)
{
    return ReadTypedLine(line, kVTOCTypes, item, currentYear);
}

} // namespace

const TIdFTPListBase& ListParserVSELibrary()
{
    static const TIdFTPLPVSEFormat parser("VSE:  Library", &ReadLibraryLine, false);
    return parser;
}

const TIdFTPListBase& ListParserVSEPowerQueue()
{
    static const TIdFTPLPVSEFormat parser("VSE:  PowerQueue", &ReadPowerLine, true);
    return parser;
}

const TIdFTPListBase& ListParserVSERootDir()
{
    static const TIdFTPLPVSEFormat parser("VSE:  Root Directory", &ReadRootLine, false);
    return parser;
}

const TIdFTPListBase& ListParserVSESubLibrary()
{
    static const TIdFTPLPVSEFormat parser("VSE:  Sublibrary", &ReadMemberLine, true);
    return parser;
}

const TIdFTPListBase& ListParserVSEVSAMCatalog()
{
    static const TIdFTPLPVSEFormat parser("VSE:  VSAM Catalog", &ReadVSAMLine, true);
    return parser;
}

const TIdFTPListBase& ListParserVSEVTOC()
{
    static const TIdFTPLPVSEFormat parser("VSE:  VTOC", &ReadVTOCLine, true);
    return parser;
}
