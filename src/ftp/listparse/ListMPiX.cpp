// HP MPE/iX LISTF listings. The classic form lists one group:
//   ACCOUNT=  SYS         GROUP=  PUB
//   FILENAME  CODE  ------------LOGICAL RECORD-----------  ----SPACE----
//                     SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX
//   CATALOG         128W  FBA         240        240   1      256  1  1
// The POSIX form names the path and puts the name last (folders end in "/"):
//    PATH= /FTPGUEST/PUB/
//    CODE  ------------LOGICAL RECORD-----------  ----SPACE----  FILENAME
//            SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX
//             1B  BA         115 2147483647   1       16  1  *  testfile
// The byte size is the record size ("128W": words of 2 bytes, "80B":
// bytes) times the end-of-file record count. No dates are shown.

#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"
#include "ftp/listparse/ListHelpers.h"

#include <array>
#include <limits>

using namespace listparse;

namespace {

bool IsMPiXHeader(std::string_view line)
{
    const std::string_view text = Trim(line);
    return StartsText(text, "ACCOUNT=") || StartsText(text, "GROUP=") || StartsText(text, "PATH=")
           || StartsText(text, "FILENAME") || StartsText(text, "CODE")
           || StartsText(text, "SIZE") || ContainsText(text, "LOGICAL RECORD");
}

// Bytes of `records` records of the size "128W" / "80B" / "-80"; 0 when
// the words are malformed.
std::int64_t RecordBytes(std::string_view recordSize, std::string_view records)
{
    std::int64_t unit = 2;  // a plain positive count is in words
    if (!recordSize.empty() && (UpCase(recordSize.back()) == 'W' || UpCase(recordSize.back()) == 'B')) {
        unit = UpCase(recordSize.back()) == 'B' ? 1 : 2;
        recordSize.remove_suffix(1);
    } else if (!recordSize.empty() && recordSize.front() == '-') {
        unit = 1;  // negative: bytes
        recordSize.remove_prefix(1);
    }
    const std::int64_t size = ToInt64(recordSize) * unit;
    const std::int64_t count = ToInt64(records);
    if (size != 0 && count > std::numeric_limits<std::int64_t>::max() / size)
        return 0;
    return size * count;
}

constexpr std::size_t kColumns = 8;  // SIZE TYP EOF LIMIT R/B SECTORS #X MX

// The eight columns of an entry, given its words without the name; false
// when there are too few. An optional file CODE may come first.
bool EntryColumns(TIdWordCursor words, std::array<std::string_view, kColumns + 1>& out,
                  std::size_t& count)
{
    count = 0;
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
        if (count == out.size())
            return false;
        out[count++] = word;
    }
    return count >= kColumns;
}

class TIdFTPLPMPiXBase : public TIdFTPListBaseHeader {
public:
    bool IsHeader(std::string_view line) const override { return IsMPiXHeader(line); }

protected:
    static void Fill(TIdFTPListItem& item, const std::array<std::string_view, kColumns + 1>& cols,
                     std::size_t count)
    {
        const std::size_t first = count - kColumns;  // skip the CODE column
        item.SetSize(RecordBytes(cols[first], cols[first + 2]));
        item.SetModifiedKnown(false);
    }
};

} // namespace

class TIdFTPLPMPiX : public TIdFTPLPMPiXBase {
public:
    std::string_view Identifier() const override { return "MPE/iX: "; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line) || IsSeparatorLine(line))
                continue;
            const std::string_view text = TrimLeft(line);
            return StartsText(text, "ACCOUNT=") || StartsText(text, "GROUP=")
                   || (StartsText(text, "FILENAME") && ContainsText(text, "CODE"));
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsHeader(line))
            return false;
        TIdWordCursor words(line);
        const std::string_view name = words.Next();
        std::array<std::string_view, kColumns + 1> cols;
        std::size_t count = 0;
        if (name.empty() || !EntryColumns(words, cols, count))
            return false;
        Fill(item, cols, count);
        item.SetItemKind(dkFile);
        item.SetFileName(name);
        return true;
    }
};

class TIdFTPLPMPiXWithPOSIX : public TIdFTPLPMPiXBase {
public:
    std::string_view Identifier() const override { return "With POSIX"; }

    bool CheckListing(TIdListingLines lines, std::string_view /*systemDescription*/,
                      bool /*detailed*/) const override
    {
        for (std::string_view line : lines) {
            if (IsBlankLine(line) || IsSeparatorLine(line))
                continue;
            return StartsText(TrimLeft(line), "PATH=");
        }
        return false;
    }

    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view /*path*/) const override
    {
        if (IsHeader(line))
            return false;
        const std::string_view text = TrimRight(line);
        std::size_t cut = text.find_last_of(" \t");
        if (cut == std::string_view::npos)
            return false;
        std::string_view name = text.substr(cut + 1);
        std::array<std::string_view, kColumns + 1> cols;
        std::size_t count = 0;
        if (!EntryColumns(TIdWordCursor(text.substr(0, cut)), cols, count))
            return false;
        Fill(item, cols, count);
        const bool folder = name.size() > 1 && name.back() == '/';
        if (folder) {
            name.remove_suffix(1);
            item.SetSizeKnown(false);
            item.SetSize(0);
        }
        item.SetItemKind(folder ? dkDirectory : dkFile);
        item.SetFileName(name);
        return true;
    }
};

const TIdFTPListBase& ListParserMPiX()
{
    static const TIdFTPLPMPiX parser;
    return parser;
}

const TIdFTPListBase& ListParserMPiXWithPOSIX()
{
    static const TIdFTPLPMPiXWithPOSIX parser;
    return parser;
}
