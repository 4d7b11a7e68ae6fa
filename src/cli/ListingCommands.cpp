#include "cli/ListingCommands.h"

#include "ftp/listparse/ListRegistry.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    else
        return 0;
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90)
        || (c == 0xF4 && c1 > 0x8F))
        return 0;
    return n;
}

void AppendJsonString(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out.append(escape);
            ++i;
        } else if (const std::size_t n = Utf8Length(text, i); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            // Not UTF-8: the byte is a Latin-1 character.
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            ++i;
        }
    }
    out.push_back('"');
}

void AppendField(std::string& out, std::string_view key, std::string_view value)
{
    out.append(",\"").append(key).append("\":");
    AppendJsonString(out, value);
}

void AppendRaw(std::string& out, std::string_view key, std::string_view value)
{
    out.append(",\"").append(key).append("\":").append(value);
}

char TypeLetter(TIdDirItemType kind)
{
    switch (kind) {
    case dkDirectory: return 'd';
    case dkSymbolicLink:
    case dkSymbolicLinkDir: return 'l';
    case dkBlockDevice: return 'b';
    case dkCharDevice: return 'c';
    case dkFifo: return 'p';
    case dkSocket: return 's';
    default: return '-';
    }
}

std::string Permissions(const TIdUnixPermFTPListItem& item)
{
    std::string text(1, TypeLetter(item.ItemKind()));
    for (std::string_view part :
         {item.UserPermissions(), item.GroupPermissions(), item.OtherPermissions()}) {
        std::string p(part);
        p.resize(3, '-');
        text += p;
    }
    return text;
}

std::string DateText(const TIdFTPListItem& item)
{
    if (!item.ModifiedKnown())
        return "-";
    std::string iso = FormatIsoDateTime(item.ModifiedDate());
    iso[10] = ' ';
    return iso.substr(0, 16);
}

void Usage(std::ostream& err)
{
    err << "usage: tovrel-ftp-cli parse-listing [--now YYYY-MM-DDTHH:MM:SS] [--table]\n"
           "Reads raw directory-listing lines on standard input and prints one JSON\n"
           "object per entry (or a table with --table).\n";
}

} // namespace

std::string_view ListingKindText(TIdDirItemType kind)
{
    switch (kind) {
    case dkDirectory: return "dir";
    case dkFile: return "file";
    case dkSymbolicLink: return "link";
    case dkSymbolicLinkDir: return "linkdir";
    case dkBlockDevice: return "block";
    case dkCharDevice: return "char";
    case dkFifo: return "fifo";
    case dkSocket: return "socket";
    }
    return "file";
}

std::string ListingEntryJson(const TIdFTPListItem& item, std::string_view parserIdentifier)
{
    std::string out = "{\"parser\":";
    AppendJsonString(out, parserIdentifier);
    AppendField(out, "name", item.FileName());
    AppendField(out, "localName", item.LocalFileName());
    AppendField(out, "kind", ListingKindText(item.ItemKind()));
    AppendRaw(out, "size", std::to_string(item.Size()));
    AppendRaw(out, "sizeKnown", item.SizeKnown() ? "true" : "false");
    AppendField(out, "modified", FormatIsoDateTime(item.ModifiedDate()));
    AppendRaw(out, "modifiedKnown", item.ModifiedKnown() ? "true" : "false");
    if (const auto* owned = dynamic_cast<const TIdOwnerFTPListItem*>(&item))
        AppendField(out, "owner", owned->OwnerName());
    if (const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item)) {
        AppendField(out, "group", ux->GroupName());
        AppendField(out, "permissions", Permissions(*ux));
        AppendField(out, "linkTarget", ux->LinkTarget());
    }
    out.push_back('}');
    return out;
}

std::string ListingEntryJsonIn(std::string_view directory, const TIdFTPListItem& item,
                               std::string_view parserIdentifier)
{
    std::string out = "{\"directory\":";
    AppendJsonString(out, directory);
    out.push_back(',');
    out.append(ListingEntryJson(item, parserIdentifier), 1);
    return out;
}

void PrintListingJson(std::ostream& out, const TIdFTPListItems& items,
                      std::string_view parserIdentifier)
{
    for (const TIdFTPListItem& item : items)
        out << ListingEntryJson(item, parserIdentifier) << '\n';
}

void PrintListingTable(std::ostream& out, const TIdFTPListItems& items)
{
    for (const TIdFTPListItem& item : items) {
        std::string perms = "-";
        std::string owner;
        std::string group;
        std::string name(item.FileName());
        if (const auto* owned = dynamic_cast<const TIdOwnerFTPListItem*>(&item))
            owner = owned->OwnerName();
        if (const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item)) {
            perms = Permissions(*ux);
            group = ux->GroupName();
            if (!ux->LinkTarget().empty())
                name.append(" -> ").append(ux->LinkTarget());
        }
        const std::string size = item.SizeKnown() ? std::to_string(item.Size()) : "-";
        char line[160];
        std::snprintf(line, sizeof line, "%-7s %-10s %-10.10s %-10.10s %14s %-16s ",
                      std::string(ListingKindText(item.ItemKind())).c_str(), perms.c_str(),
                      owner.c_str(), group.c_str(), size.c_str(), DateText(item).c_str());
        out << line << name << '\n';
    }
}

int RunParseListing(int argc, char** argv, std::istream& in, std::ostream& out,
                    std::ostream& err)
{
    int i = argc > 0 ? 1 : 0;
    if (i < argc && std::string_view(argv[i]) == "parse-listing")
        ++i;
    bool table = false;
    TIdFTPListItems items;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--table") {
            table = true;
        } else if (arg == "--now" && i + 1 < argc) {
            const auto now = ParseIsoDateTime(argv[++i]);
            if (!now) {
                err << "parse-listing: --now wants a date such as 2026-01-31T12:00:00\n";
                return 2;
            }
            items.SetNow(*now);
        } else {
            Usage(err);
            return 2;
        }
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::string_view> lines = SplitListingLines(bytes);
    const TIdFTPListBase* parser = TIdFTPRegParseList::Instance().ParseListing(lines, items);
    if (parser == nullptr)
        return 0;
    if (table)
        PrintListingTable(out, items);
    else
        PrintListingJson(out, items, parser->Identifier());
    out.flush();
    return 0;
}

int RunParseListing(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    return RunParseListing(argc, argv, std::cin, std::cout, std::cerr);
}
