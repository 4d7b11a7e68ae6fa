#include "platform/DesktopSwitches.h"

#include "hosts/Hosts.h"
#include "platform/DesktopFile.h"
#include "platform/FileManagerEntries.h"
#include "platform/MimeApps.h"
#include "platform/Registry.h"
#include "platform/XdgPaths.h"
#include "store/MainConfig.h"

#include <QCoreApplication>

#include <QFile>
#include <QString>

#include <exception>

namespace {

constexpr const char* kEntry = "Desktop Entry";

TDesktopFile EntryFor(const std::string& executable, bool handlesLinks)
{
    TDesktopFile entry = TDesktopFile::Parse("");
    entry.SetValue(kEntry, "Type", "Application");
    entry.SetValue(kEntry, "Name", "Tovrel FTP");
    entry.SetValue(kEntry, "GenericName", "FTP Client");
    entry.SetValue(kEntry, "Comment", "Transfer files to and from FTP servers");
    entry.SetValue(kEntry, "Icon", "tovrel-ftp");
    const std::string program = TDesktopFile::QuoteExecArgument(executable);
    entry.SetValue(kEntry, "Exec", handlesLinks ? program + " %u" : program);
    entry.SetValue(kEntry, "Terminal", "false");
    entry.SetValue(kEntry, "Categories", "Network;FileTransfer;Qt;");
    if (handlesLinks)
        entry.SetValue(kEntry, "MimeType", "x-scheme-handler/ftp;");
    return entry;
}

// Writes that fail leave the switch as it was; the next read shows that.
template <typename F>
void Quietly(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

} // namespace

TDesktopSwitches::TDesktopSwitches(std::string executable, std::function<std::vector<TUploadEntry>()> uploadEntries)
    : executable_(std::move(executable)), uploadEntries_(std::move(uploadEntries))
{
}

std::string TDesktopSwitches::AutostartPath() { return TXdgPaths::ConfigHome() + "/autostart/tovrel-ftp.desktop"; }

std::string TDesktopSwitches::UserDesktopFilePath()
{
    return TXdgPaths::DataHome() + "/applications/" + DesktopId;
}

std::string TDesktopSwitches::ApplicationEntryText(const std::string& executable)
{
    return EntryFor(executable, true).ToText();
}

bool TDesktopSwitches::BrowserIntegration() const
{
    std::lock_guard guard(lock_);
    return TMimeApps::DefaultApplication(FtpScheme) == DesktopId;
}

void TDesktopSwitches::SetBrowserIntegration(bool value)
{
    std::lock_guard guard(lock_);
    Quietly([&] {
        if (!value) {
            TMimeApps::RemoveUserDefault(FtpScheme, DesktopId);
            return;
        }
        if (!TMimeApps::FindDesktopFile(DesktopId))
            EntryFor(executable_, true).Save(UserDesktopFilePath());
        TMimeApps::SetUserDefault(FtpScheme, DesktopId);
    });
}

bool TDesktopSwitches::ExplorerContextMenu() const
{
    std::lock_guard guard(lock_);
    return TFileManagerEntries(executable_).Exist();
}

void TDesktopSwitches::SetExplorerContextMenu(bool value)
{
    std::lock_guard guard(lock_);
    const TFileManagerEntries entries(executable_);
    Quietly([&] {
        if (value)
            entries.Write(uploadEntries_ ? uploadEntries_() : std::vector<TUploadEntry>{});
        else
            entries.Remove();
    });
}

bool TDesktopSwitches::StartWithSystem() const
{
    std::lock_guard guard(lock_);
    const auto entry = TDesktopFile::Load(AutostartPath());
    if (!entry)
        return false;
    return !entry->Value(kEntry, "Exec").value_or("").empty() && entry->Value(kEntry, "Hidden") != "true"
           && entry->Value(kEntry, "X-GNOME-Autostart-enabled") != "false";
}

void TDesktopSwitches::SetStartWithSystem(bool value)
{
    std::lock_guard guard(lock_);
    Quietly([&] {
        if (value)
            EntryFor(executable_, false).Save(AutostartPath());
        else
            QFile::remove(QString::fromStdString(AutostartPath()));
    });
}

void TDesktopSwitches::HostsSaved(const THosts& hosts, const TRegistry& registry)
{
    std::lock_guard guard(lock_);
    const TFileManagerEntries entries(executable_);
    if (entries.Exist())
        Quietly([&] { entries.Write(TFileManagerEntries::EntriesFor(hosts, registry)); });
}

std::shared_ptr<TDesktopSwitches> TDesktopSwitches::Install(TMainConfig& config, std::string executable)
{
    if (executable.empty())
        executable = QCoreApplication::applicationFilePath().toStdString();
    const std::string dataDirectory = config.DataDirectory();
    auto switches = std::make_shared<TDesktopSwitches>(std::move(executable), [dataDirectory] {
        const THosts hosts(dataDirectory);
        return TFileManagerEntries::EntriesFor(hosts, TRegistry(dataDirectory));
    });
    config.SetRegistrySwitches(switches);
    THosts::SetSavedHook([weak = std::weak_ptr<TDesktopSwitches>(switches)](const THosts& hosts,
                                                                            const TRegistry& registry) {
        if (const auto live = weak.lock())
            live->HostsSaved(hosts, registry);
    });
    return switches;
}

void TDesktopSwitches::Uninstall(TMainConfig& config)
{
    THosts::SetSavedHook(nullptr);
    config.SetRegistrySwitches(nullptr);
}
