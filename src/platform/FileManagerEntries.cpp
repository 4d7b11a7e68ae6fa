#include "platform/FileManagerEntries.h"

#include "hosts/Hosts.h"
#include "platform/DesktopFile.h"
#include "platform/Registry.h"
#include "platform/XdgPaths.h"
#include "store/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <set>

namespace {

// Every file the writers make carries this line, so Remove() and a later
// Write() never touch a file the user put there.
constexpr const char* kMarker = "# Made by Tovrel FTP; rewritten when the hosts change.";

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool IsOurs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(4096).contains(kMarker);
}

std::string ShellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A file name for a host caption: no "/" or NUL, not hidden, not "." or "..".
std::string ScriptName(const std::string& caption, std::set<std::string>& taken)
{
    std::string name = "Upload to ";
    for (char c : caption)
        name += (c == '/' || c == '\0' || c == '\n' || c == '\r') ? '_' : c;
    std::string unique = name;
    for (int n = 2; taken.contains(unique); ++n)
        unique = name + " (" + std::to_string(n) + ")";
    taken.insert(unique);
    return unique;
}

void WriteText(const std::string& path, const std::string& text, bool executable)
{
    QSaveFile file(Q(path));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        throw EInOutError("Could not write " + path + ": " + file.errorString().toStdString());
    auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner;
    file.setPermissions(permissions);
    if (!file.commit())
        throw EInOutError("Could not write " + path + ": " + file.errorString().toStdString());
}

void RemoveOurScripts(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (IsOurs(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
}

} // namespace

TFileManagerEntries::TFileManagerEntries(std::string executable) : executable_(std::move(executable)) {}

std::string TFileManagerEntries::ServiceMenuPath()
{
    return TXdgPaths::DataHome() + "/kio/servicemenus/tovrel-ftp-upload.desktop";
}

std::string TFileManagerEntries::ScriptFolder() { return TXdgPaths::DataHome() + "/nautilus/scripts/Tovrel FTP"; }

bool TFileManagerEntries::Exist() const
{
    return IsOurs(Q(ServiceMenuPath())) || QFileInfo(Q(ScriptFolder())).isDir();
}

void TFileManagerEntries::Write(const std::vector<TUploadEntry>& entries) const
{
    WriteServiceMenu(entries);
    WriteScripts(entries);
}

void TFileManagerEntries::WriteServiceMenu(const std::vector<TUploadEntry>& entries) const
{
    const std::string path = ServiceMenuPath();
    if (QFileInfo::exists(Q(path)) && !IsOurs(Q(path)))
        return; // the user's own file of that name stays
    TDesktopFile menu = TDesktopFile::Parse(std::string(kMarker) + "\n");
    const std::string group = "Desktop Entry";
    menu.SetValue(group, "Type", "Service");
    menu.SetValue(group, "ServiceTypes", "KonqPopupMenu/Plugin");
    menu.SetValue(group, "MimeType", "all/all;");
    menu.SetValue(group, "X-KDE-Submenu", "Tovrel FTP");
    menu.SetValue(group, "Icon", "tovrel-ftp");
    std::vector<std::string> actions;
    for (const auto& entry : entries)
        actions.push_back("upload" + std::to_string(entry.HostIndex));
    menu.SetValue(group, "Actions", TDesktopFile::JoinList(actions));
    for (const auto& entry : entries) {
        const std::string action = "Desktop Action upload" + std::to_string(entry.HostIndex);
        menu.SetValue(action, "Name", "Upload to " + entry.Caption);
        menu.SetValue(action, "Icon", "tovrel-ftp");
        menu.SetValue(action, "Exec",
                      TDesktopFile::QuoteExecArgument(executable_) + " --upload "
                          + std::to_string(entry.HostIndex) + " %F");
    }
    // Dolphin runs service menus from the user's folder only when executable.
    menu.Save(path, true);
}

void TFileManagerEntries::WriteScripts(const std::vector<TUploadEntry>& entries) const
{
    const QString folder = Q(ScriptFolder());
    if (!QDir().mkpath(folder))
        throw EInOutError("Could not create the folder " + ScriptFolder());
    RemoveOurScripts(folder);
    std::set<std::string> taken;
    for (const auto& entry : entries) {
        // Nautilus starts scripts in the selection's folder with the selected
        // names as arguments; the program makes them absolute.
        const std::string script = "#!/bin/sh\n" + std::string(kMarker) + "\nexec " + ShellQuote(executable_)
                                 + " --upload " + std::to_string(entry.HostIndex) + " \"$@\"\n";
        WriteText(ScriptFolder() + "/" + ScriptName(entry.Caption, taken), script, true);
    }
}

void TFileManagerEntries::Remove() const
{
    if (IsOurs(Q(ServiceMenuPath())))
        QFile::remove(Q(ServiceMenuPath()));
    const QString folder = Q(ScriptFolder());
    if (QFileInfo(folder).isDir()) {
        RemoveOurScripts(folder);
        QDir().rmdir(folder); // only when nothing else is left in it
    }
}

std::vector<TUploadEntry> TFileManagerEntries::EntriesFor(const THosts& hosts, const TRegistry& registry)
{
    const std::vector<std::string> ids = registry.SubKeyNames(THosts::RegistryKey);
    std::vector<TUploadEntry> entries;
    for (const auto& host : hosts.Items()) {
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (ids[i] == host->HostID) {
                entries.push_back(TUploadEntry{static_cast<int>(i), host->CommonName});
                break;
            }
    }
    return entries;
}
