// The worker's recursive delete (command 4) and recursive walk (command 5),
// and the new-directory name.

#include "session/RemoteOperations.h"

#include "session/EngineErrorMapping.h"
#include "session/FTPWorker.h"

#include "ftp/IdExceptions.h"
#include "hosts/Host.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"

#include <algorithm>

std::string NewFolderName(const std::vector<std::string>& captions)
{
    const auto taken = [&](const std::string& candidate) {
        return std::any_of(captions.begin(), captions.end(),
                           [&](const std::string& caption) { return CompareTextNoCase(caption, candidate) == 0; });
    };
    std::string candidate = LoadStr("MainForm_IDS_15");
    const std::string numbered = LoadStr("MainForm_IDS_16");
    for (int n = 1; taken(candidate); ++n)
        candidate = Format(numbered, n);
    return candidate;
}

std::string JoinRemotePath(const std::string& parent, const std::string& name)
{
    if (parent.empty())
        return name;
    if (parent.back() == '/')
        return parent + name;
    return parent + "/" + name;
}

namespace {

bool IsDotEntry(std::string_view name)
{
    return name == "." || name == "..";
}

// A listing entry that is a symbolic link, also after the list command
// resolved it into a folder or a file (a Unix entry keeps its target).
bool IsLinkEntry(const TIdFTPListItem& item)
{
    if (item.ItemKind() == dkSymbolicLink || item.ItemKind() == dkSymbolicLinkDir)
        return true;
    const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item);
    return ux && !ux->LinkTarget().empty();
}

// `path` with "." and ".." components worked out; always absolute.
std::string NormalisedPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

// Whether a link in `directory` with `target` points at `directory` itself
// or one of the folders above it: walking into it would never end on a
// server that reports the path walked rather than the folder reached.
bool LinkLeadsUpward(const std::string& directory, std::string_view target)
{
    if (target.empty() || directory.empty() || directory.front() != '/')
        return false;
    const std::string resolved =
        NormalisedPath(target.front() == '/' ? std::string(target) : JoinRemotePath(directory, std::string(target)));
    const std::string here = NormalisedPath(directory);
    return resolved == "/" || here == resolved || here.rfind(resolved + "/", 0) == 0;
}

}  // namespace

void TFTPWorker::DoRecursiveDelete()
{
    BeginOperation("MainForm_strRSSTDeletingFilesandDirectories");
    TakeCommand();
    struct TIdle {
        TFTPWorker& Self;
        ~TIdle() { Self.EndOperation(); }
    } idle{*this};
    std::string start;
    try {
        start = engine_.QueryWorkingDirectory();
        for (;;) {
            std::string name;
            {
                std::lock_guard lock(mutex_);
                if (deletionList_.empty())
                    break;
                name = std::move(deletionList_.front());
                deletionList_.pop_front();
            }
            // A link anywhere below refuses the whole tree before anything
            // is deleted: deleting through it could reach files outside.
            // So does a folder row that is itself a link: the tree behind it
            // is not the user's to empty.
            if (ListedAsLink(start, name))
                throw EFTRemoteSymbolicLinkInRecursiveDelete();
            CheckTreeForLinks(name);
            engine_.ChangeWorkingDirectory(start);
            DeleteTree(name, start);
            engine_.ChangeWorkingDirectory(start);
        }
    } catch (const std::exception& failure) {
        if (!start.empty() && !DropIfOutOfStep(failure)) {
            try {
                engine_.ChangeWorkingDirectory(start);
            } catch (const std::exception&) {
            }
        }
        HandleFailure(TRemoteOperation::roRecursiveDelete);
        return;
    }
    Fire(OnDeleteDone);
}

bool TFTPWorker::ListedAsLink(const std::string& directory, const std::string& name)
{
    const auto find = [&](const TIdFTPListItems& listing) {
        for (const TIdFTPListItem& item : listing)
            if (item.FileName() == name)
                return IsLinkEntry(item);
        return false;
    };
    if (const TListing cached = cache_.Find(directory))
        return find(*cached);
    engine_.RetrieveListing(nullptr, "-al", true);
    return find(engine_.ListingItems());
}

std::vector<std::string> TFTPWorker::ListForDelete(std::vector<std::string>* files)
{
    engine_.RetrieveListing(nullptr, "-al", true);
    std::vector<std::string> folders;
    for (const TIdFTPListItem& item : engine_.ListingItems()) {
        if (item.ItemKind() == dkSymbolicLink || item.ItemKind() == dkSymbolicLinkDir)
            throw EFTRemoteSymbolicLinkInRecursiveDelete();
        if (item.ItemKind() == dkFile && files)
            files->emplace_back(item.FileName());
        else if (item.ItemKind() == dkDirectory && !IsDotEntry(item.FileName()))
            folders.emplace_back(item.FileName());
    }
    return folders;
}

void TFTPWorker::CheckTreeForLinks(const std::string& name)
{
    if (name.empty())
        return;
    engine_.ChangeWorkingDirectory(name);
    for (const std::string& folder : ListForDelete(nullptr))
        CheckTreeForLinks(folder);
    engine_.ChangeToParentDirectory();
}

void TFTPWorker::DeleteTree(const std::string& name, const std::string& parentPath)
{
    if (name.empty())
        return;
    const std::string path = JoinRemotePath(parentPath, name);
    engine_.ChangeWorkingDirectory(name);
    std::vector<std::string> files;
    const std::vector<std::string> folders = ListForDelete(&files);
    for (const std::string& file : files)
        engine_.DeleteRemoteFile(file);
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        DeleteTree(*folder, path);
    engine_.ChangeToParentDirectory();
    try {
        engine_.RemoveRemoteDirectory(name);
    } catch (const EIdReplyError&) {
        // The server may keep hidden entries that the listing did not show.
    }
    cache_.Invalidate(path);
}

void TFTPWorker::DoRecursiveWalk()
{
    busy_ = true;
    TakeCommand();
    std::string start;
    std::string path;
    {
        std::lock_guard lock(mutex_);
        path = walkStart_;
    }
    walked_.clear();
    try {
        start = engine_.QueryWorkingDirectory();
        WalkPath(path);
    } catch (const std::exception& failure) {
        if (!DropIfOutOfStep(failure))
            DoChangeDir(start.empty() ? CurrentDir() : start);
        throw;
    }
    Fire(OnSearchDone);
    DoChangeDir(start);
}

void TFTPWorker::WalkPath(const std::string& path)
{
    if (path.empty())
        return;
    const std::string parent = engine_.QueryWorkingDirectory();
    engine_.ChangeWorkingDirectory(path);
    const std::string directory = engine_.QueryWorkingDirectory();
    // A folder reached a second time (through a link, on a server that
    // reports the folder reached) is not walked again.
    if (!walked_.insert(directory).second) {
        engine_.ChangeWorkingDirectory(parent);
        return;
    }
    SetCurrentDir(directory);
    engine_.RetrieveListing(nullptr, "-al", true);
    TIdFTPListItems& listing = engine_.ListingItems();
    {
        std::string format = engine_.ListingFormat();
        std::lock_guard lock(mutex_);
        listingFormat_ = std::move(format);
    }
    ResolveLinks(listing, directory, false);
    std::vector<std::string> folders;
    for (const TIdFTPListItem& item : listing) {
        if (item.ItemKind() != dkDirectory || IsDotEntry(item.FileName()))
            continue;
        const auto* ux = dynamic_cast<const TIdUnixBaseFTPListItem*>(&item);
        if (ux && LinkLeadsUpward(directory, ux->LinkTarget()))
            continue;  // a link back up would be walked for ever
        folders.emplace_back(item.FileName());
    }

    auto consumer = OnSearchListing.Get();
    if (!consumer)
        return;  // detached: the walk ends here
    if (dispatcher_)
        dispatcher_->Send([&] { consumer(listing); });
    else
        consumer(listing);
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        if (!OnSearchListing.Attached())
            return;
        WalkPath(*folder);
        if (!OnSearchListing.Attached())
            return;
    }
    engine_.ChangeWorkingDirectory(parent);
}
