#pragma once
// TDesktopSwitches: the three desktop switches of the settings, as the
// freedesktop desktop knows them:
// - browser integration: "tovrel-ftp.desktop" is the default application
//   for "x-scheme-handler/ftp" (mimeapps.list). Writing True installs the
//   desktop file in "$XDG_DATA_HOME/applications" when no installed one is
//   found and makes it the user's default; False takes it out of the user's
//   defaults.
// - file-manager context menu: the "Upload to <host>" entries of
//   TFileManagerEntries; writing True writes them for the current hosts.
// - start with the system: "$XDG_CONFIG_HOME/autostart/tovrel-ftp.desktop",
//   which reads True whatever program path it names, unless the entry is
//   hidden or disabled.
//
// Contract: reads inspect the files at that moment and never create
// anything; writes that fail (no rights, disk full) are skipped silently and
// the switch then reads back unchanged. HostsSaved() is the hook for the
// host tree's save: it rewrites the file-manager entries when they are on.
// Any thread; calls are serialised.

#include "store/RegistrySwitches.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TMainConfig;
class THosts;
class TRegistry;
struct TUploadEntry;

class TDesktopSwitches final : public IRegistrySwitches {
public:
    static constexpr const char* DesktopId = "tovrel-ftp.desktop";
    static constexpr const char* FtpScheme = "x-scheme-handler/ftp";

    /// `executable`: the program's full path; `uploadEntries` answers the
    /// entries for the current hosts when the context menu is switched on.
    TDesktopSwitches(std::string executable, std::function<std::vector<TUploadEntry>()> uploadEntries);

    /// The desktop program's set-up: switches for `executable` (empty: this
    /// process's program) whose upload entries list the hosts of the
    /// settings' data directory, installed on `config` and as the host
    /// tree's saved hook. Uninstall() undoes both (before `config` goes).
    static std::shared_ptr<TDesktopSwitches> Install(TMainConfig& config, std::string executable = {});
    static void Uninstall(TMainConfig& config);

    static std::string AutostartPath();
    static std::string UserDesktopFilePath();

    bool BrowserIntegration() const override;
    void SetBrowserIntegration(bool value) override;
    bool ExplorerContextMenu() const override;
    void SetExplorerContextMenu(bool value) override;
    bool StartWithSystem() const override;
    void SetStartWithSystem(bool value) override;

    /// After the host tree was saved: rewrites the entries if they exist.
    void HostsSaved(const THosts& hosts, const TRegistry& registry);

    /// The program's application entry (with `%u`), as installed.
    static std::string ApplicationEntryText(const std::string& executable);

private:
    mutable std::mutex lock_;
    std::string executable_;
    std::function<std::vector<TUploadEntry>()> uploadEntries_;
};
