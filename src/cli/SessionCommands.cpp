#include "cli/SessionCommands.h"

#include "cli/CliSession.h"
#include "cli/ListingCommands.h"
#include "hosts/FileMask.h"

#include <iostream>
#include <stdexcept>

namespace {

void NeedArguments(const TCliOptions& options, std::size_t count, const char* usage)
{
    if (options.Positional.size() != count)
        throw std::invalid_argument(usage);
}

// A name for one command line: the server would take a line break as the
// end of the command and run the rest as another.
void CheckName(const std::string& text)
{
    if (text.empty() || text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw std::invalid_argument("not a usable remote name: \"" + text + "\"");
}

/// The target's folder and its last name; the root has no name.
std::pair<std::string, std::string> ParentAndName(const TCliTarget& target)
{
    auto [parent, name] = SplitRemotePath(target.Path);
    if (name.empty() || name == "." || name == "..")
        throw std::invalid_argument("the URL must name an entry inside a folder: " + target.Path);
    return {parent, name};
}

const TIdFTPListItem* FindEntry(const TIdFTPListItems& listing, const std::string& name)
{
    for (const TIdFTPListItem& item : listing)
        if (item.FileName() == name)
            return &item;
    return nullptr;
}

bool IsLink(const TIdFTPListItem& item)
{
    if (item.ItemKind() == dkSymbolicLink || item.ItemKind() == dkSymbolicLinkDir)
        return true;
    const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item);
    return ux && !ux->LinkTarget().empty();
}

int RunRemove(const TCliOptions& options)
{
    NeedArguments(options, 1, "rm needs one URL");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    const auto [parent, name] = ParentAndName(target);
    TCliSession session(target, options);
    session.ChangeDir(parent);
    const TFTPWorker::TListing listing = session.List();
    const TIdFTPListItem* entry = FindEntry(*listing, name);
    // A link is removed itself, like a file, never the tree it leads to.
    if (entry && entry->ItemKind() == dkDirectory && !IsLink(*entry)) {
        if (!options.Recursive)
            throw std::invalid_argument(target.Path + " is a folder: rm -r deletes it with everything in it");
        session.DeleteTree(name);
    } else {
        session.Run([&, entry = name](TFTPWorker& worker) { worker.DeleteEntry(entry); });
    }
    session.Worker().InvalidateListing(session.Worker().CurrentDir());
    return 0;
}

int RunMakeDir(const TCliOptions& options)
{
    NeedArguments(options, 1, "mkdir needs one URL");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    const auto [parent, name] = ParentAndName(target);
    TCliSession session(target, options);
    session.ChangeDir(parent);
    session.Run([&, entry = name](TFTPWorker& worker) { worker.MakeDir(entry); });
    return 0;
}

int RunMove(const TCliOptions& options)
{
    NeedArguments(options, 2, "mv needs URL and NEWNAME");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    const auto [parent, name] = ParentAndName(target);
    const std::string& newName = options.Positional[1];
    CheckName(newName);
    TCliSession session(target, options);
    session.ChangeDir(parent);
    session.Run([&, entry = name](TFTPWorker& worker) { worker.RenameEntry(entry, newName); });
    return 0;
}

int RunChmod(const TCliOptions& options)
{
    NeedArguments(options, 2, "chmod needs MODE and URL");
    const std::string& mode = options.Positional[0];
    if (mode.empty() || mode.size() > 4 || mode.find_first_not_of("01234567") != std::string::npos)
        throw std::invalid_argument("chmod wants an octal MODE such as 644: " + mode);
    const TCliTarget target = ResolveCliTarget(options, options.Positional[1]);
    const auto [parent, name] = ParentAndName(target);
    TCliSession session(target, options);
    session.ChangeDir(parent);
    // The program leaves permission errors to its caller: the server's reply.
    session.Run([&, entry = name](TFTPWorker& worker) { worker.ChangeMode(entry, mode); });
    return 0;
}

int RunFind(const TCliOptions& options)
{
    NeedArguments(options, 2, "find needs URL and PATTERN");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    const TFileMask mask(options.Positional[1]);
    TCliSession session(target, options);
    TFTPWorker& worker = session.Worker();
    session.Walk(target.Path, [&](const TIdFTPListItems& listing) {
        const std::string directory = worker.CurrentDir();
        const std::string format = worker.ListingFormat();
        for (const TIdFTPListItem& item : listing) {
            const std::string name(item.FileName());
            if (name == "." || name == ".." || !mask.Matches(name))
                continue;
            std::cout << ListingEntryJsonIn(directory, item, format) << '\n';
        }
    });
    std::cout.flush();
    return 0;
}

int RunResolvedLs(const TCliOptions& options)
{
    NeedArguments(options, 1, "ls needs one URL");
    const TCliTarget target = ResolveCliTarget(options, options.Positional[0]);
    TCliSession session(target, options);
    // As the plain "ls": the bare address lists the folder the login left us in.
    if (target.Path != "/")
        session.ChangeDir(target.Path);
    const TFTPWorker::TListing listing = session.List();
    if (options.Json)
        PrintListingJson(std::cout, *listing, session.Worker().ListingFormat());
    else if (options.Raw)
        for (const TIdFTPListItem& item : *listing)
            std::cout << item.RawLine() << '\n';
    else
        PrintListingTable(std::cout, *listing);
    return 0;
}

}  // namespace

bool IsSessionCommand(const std::string& command, const TCliOptions& options)
{
    return command == "rm" || command == "mkdir" || command == "mv" || command == "chmod" || command == "find"
           || (command == "ls" && options.ResolveLinks);
}

int RunSessionCommand(const std::string& command, const TCliOptions& options)
{
    try {
        if (command == "rm")
            return RunRemove(options);
        if (command == "mkdir")
            return RunMakeDir(options);
        if (command == "mv")
            return RunMove(options);
        if (command == "chmod")
            return RunChmod(options);
        if (command == "find")
            return RunFind(options);
        if (command == "ls")
            return RunResolvedLs(options);
    } catch (const ECliSessionError& error) {
        PrintSessionError(error);
        return 1;
    }
    throw std::invalid_argument("unknown command: " + command);
}
