#include "platform/MimeApps.h"

#include "platform/DesktopFile.h"
#include "platform/XdgPaths.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>

namespace {

bool IsInstalled(const std::string& path)
{
    const auto file = TDesktopFile::Load(path);
    return file && file->Value("Desktop Entry", "Hidden").value_or("false") != "true";
}

std::string FirstInstalled(const std::vector<std::string>& ids)
{
    for (const auto& id : ids)
        if (TMimeApps::FindDesktopFile(id))
            return id;
    return {};
}

} // namespace

std::string TMimeApps::UserListPath() { return TXdgPaths::ConfigHome() + "/mimeapps.list"; }

std::vector<std::string> TMimeApps::ApplicationDirs()
{
    std::vector<std::string> dirs{TXdgPaths::DataHome() + "/applications"};
    for (const auto& dir : TXdgPaths::DataDirs())
        dirs.push_back(dir + "/applications");
    return dirs;
}

std::vector<std::string> TMimeApps::ListFiles()
{
    std::vector<std::string> folders{TXdgPaths::ConfigHome()};
    for (const auto& dir : TXdgPaths::ConfigDirs())
        folders.push_back(dir);
    const auto appDirs = ApplicationDirs();
    folders.insert(folders.end(), appDirs.begin(), appDirs.end());

    std::vector<std::string> files;
    const auto desktops = TXdgPaths::CurrentDesktops();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        for (const auto& desktop : desktops)
            files.push_back(folders[i] + "/" + desktop + "-mimeapps.list");
        files.push_back(folders[i] + "/mimeapps.list");
        if (i > TXdgPaths::ConfigDirs().size()) // the older name, in application folders only
            files.push_back(folders[i] + "/defaults.list");
    }
    return files;
}

std::optional<std::string> TMimeApps::FindDesktopFile(std::string_view desktopId)
{
    if (desktopId.empty() || desktopId.find('/') != std::string_view::npos)
        return std::nullopt;
    for (const auto& dir : ApplicationDirs()) {
        // "kde-foo.desktop" may also live in "kde/foo.desktop".
        std::string id(desktopId);
        std::vector<std::string> candidates{dir + "/" + id};
        for (std::size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
            std::string sub = id;
            sub[dash] = '/';
            candidates.push_back(dir + "/" + sub);
        }
        for (const auto& path : candidates)
            if (QFileInfo(QString::fromStdString(path)).isFile())
                return IsInstalled(path) ? std::optional<std::string>(path) : std::nullopt;
    }
    return std::nullopt;
}

std::string TMimeApps::DefaultApplication(std::string_view mimeType)
{
    for (const auto& path : ListFiles()) {
        const auto list = TDesktopFile::Load(path);
        if (!list)
            continue;
        const auto value = list->Value(DefaultGroup, mimeType);
        if (!value)
            continue;
        const std::string id = FirstInstalled(TDesktopFile::SplitList(*value));
        if (!id.empty())
            return id;
    }
    return {};
}

std::string TMimeApps::PreferredApplication(std::string_view mimeType, const std::vector<std::string>& parentTypes)
{
    std::vector<std::string> types{std::string(mimeType)};
    types.insert(types.end(), parentTypes.begin(), parentTypes.end());
    for (const auto& type : types) {
        if (std::string id = DefaultApplication(type); !id.empty())
            return id;
        for (const auto& path : ListFiles())
            if (const auto list = TDesktopFile::Load(path))
                if (const auto added = list->Value("Added Associations", type))
                    if (std::string id = FirstInstalled(TDesktopFile::SplitList(*added)); !id.empty())
                        return id;
        for (const auto& dir : ApplicationDirs())
            if (const auto cache = TDesktopFile::Load(dir + "/mimeinfo.cache"))
                if (const auto ids = cache->Value("MIME Cache", type))
                    if (std::string id = FirstInstalled(TDesktopFile::SplitList(*ids)); !id.empty())
                        return id;
    }
    return {};
}

void TMimeApps::SetUserDefault(std::string_view mimeType, std::string_view desktopId)
{
    const std::string path = UserListPath();
    TDesktopFile list = TDesktopFile::Load(path).value_or(TDesktopFile::Parse(""));
    std::vector<std::string> ids = TDesktopFile::SplitList(list.Value(DefaultGroup, mimeType).value_or(""));
    std::erase(ids, std::string(desktopId));
    ids.insert(ids.begin(), std::string(desktopId));
    list.SetValue(DefaultGroup, mimeType, TDesktopFile::JoinList(ids));
    // A removal listed by the user would hide the entry again.
    if (const auto removed = list.Value("Removed Associations", mimeType)) {
        std::vector<std::string> rest = TDesktopFile::SplitList(*removed);
        if (std::erase(rest, std::string(desktopId)) > 0) {
            if (rest.empty())
                list.RemoveKey("Removed Associations", mimeType);
            else
                list.SetValue("Removed Associations", mimeType, TDesktopFile::JoinList(rest));
        }
    }
    list.Save(path);
}

void TMimeApps::RemoveUserDefault(std::string_view mimeType, std::string_view desktopId)
{
    const std::string path = UserListPath();
    auto list = TDesktopFile::Load(path);
    if (!list)
        return;
    const auto value = list->Value(DefaultGroup, mimeType);
    if (!value)
        return;
    std::vector<std::string> ids = TDesktopFile::SplitList(*value);
    if (std::erase(ids, std::string(desktopId)) == 0)
        return;
    if (ids.empty())
        list->RemoveKey(DefaultGroup, mimeType);
    else
        list->SetValue(DefaultGroup, mimeType, TDesktopFile::JoinList(ids));
    list->Save(path);
}
