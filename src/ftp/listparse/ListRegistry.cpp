#include "ftp/listparse/ListRegistry.h"

#include "ftp/listparse/Families.h"

#include <iterator>

namespace {

using TParserFactory = const TIdFTPListBase& (*)();

// The order matters: the first parser whose check answers true wins, so the
// formats with distinctive markers come first, Unix after the formats it
// could be mistaken for, and the DOS-style Windows NT listing near the end.
// Each format is one line; its factory lives in the format's own file.
constexpr TParserFactory kRegistryOrder[] = {
    &ListParserNList,
    &ListParserMList,
    &ListParserAS400,
    &ListParserGOS7,
    &ListParserGOS8,
    &ListParserCiscoIOS,
    &ListParserDistinctTCPIP,
    &ListParserEPLF,
    &ListParserNovellNetware,
    &ListParserHellSoft,
    &ListParserKA9Q,
    &ListParserMPiX,
    &ListParserMPiXWithPOSIX,
    &ListParserMVS,
    &ListParserMVSPartitionedDataSet,
    &ListParserMVSJESInterface1,
    &ListParserMVSJESInterface2,
    &ListParserMicrowareOS9,
    &ListParserMusic,
    &ListParserNCSAforDOS,
    &ListParserNetwarePSUDos,
    &ListParserNetwarePSUNFS,
    &ListParserOS2,
    &ListParserSterCommExpOS390,
    &ListParserSterCommEntUx,
    &ListParserSterCommEntUxNS,
    &ListParserSterCommEntUxRoot,
    &ListParserTOPS20,
    &ListParserTSXPlus,
    &ListParserUnix,
    &ListParserUnitree,
    &ListParserVirtualReader,
    &ListParserVMBFS,
    &ListParserVMCMS,
    &ListParserVMS,
    &ListParserVSELibrary,
    &ListParserVSEPowerQueue,
    &ListParserVSERootDir,
    &ListParserVSESubLibrary,
    &ListParserVSEVSAMCatalog,
    &ListParserVSEVTOC,
    &ListParserVxWorks,
    &ListParserWinQVNet,
    &ListParserWindowsNT,
    &ListParserXecomMicroRTOS,
};

} // namespace

TIdFTPRegParseList::TIdFTPRegParseList()
{
    parsers_.reserve(std::size(kRegistryOrder));
    for (TParserFactory factory : kRegistryOrder)
        parsers_.push_back(&factory());
}

TIdFTPRegParseList& TIdFTPRegParseList::Instance()
{
    static TIdFTPRegParseList registry;
    return registry;
}

const TIdFTPListBase* TIdFTPRegParseList::Find(std::string_view identifier) const
{
    for (const TIdFTPListBase* parser : parsers_)
        if (parser->Identifier() == identifier)
            return parser;
    return nullptr;
}

const TIdFTPListBase* TIdFTPRegParseList::Detect(TIdListingLines lines) const
{
    for (const TIdFTPListBase* parser : parsers_)
        if (parser->CheckListing(lines, {}, true))
            return parser;
    return nullptr;
}

const TIdFTPListBase* TIdFTPRegParseList::ParseListing(TIdListingLines lines,
                                                       TIdFTPListItems& items) const
{
    const TIdFTPListBase* parser = Detect(lines);
    if (parser == nullptr)
        return nullptr;
    std::size_t bytes = 0;
    for (std::string_view line : lines)
        bytes += line.size();
    items.ListStore().ReserveText(bytes + bytes / 8);
    items.Reserve(lines.size());
    parser->ParseListing(lines, items);
    return parser;
}

const TIdFTPListBase* ParseListingText(std::string_view bytes, TIdFTPListItems& items)
{
    const std::vector<std::string_view> lines = SplitListingLines(bytes);
    return TIdFTPRegParseList::Instance().ParseListing(lines, items);
}

std::vector<std::string_view> SplitListingLines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.push_back(bytes.substr(start, stop - start));
        start = next;
    }
    return lines;
}
