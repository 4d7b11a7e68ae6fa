#include "ui/DialogHooks.h"

#include "store/MainConfig.h"
#include "ui/AddHostWizard.h"
#include "ui/FirstRunWizardForm.h"
#include "ui/EditBookmarksForm.h"
#include "ui/EditFilterForm.h"
#include "ui/HostManagerForm.h"
#include "ui/MainForm.h"
#include "ui/QuickConnectForm.h"
#include "ui/RemoteFileDialogs.h"
#include "ui/SettingsForm.h"
#include "ui/TipOfTheDayForm.h"
#include "ui/UpdateCheckDialogs.h"

void InstallDialogHooks(TMainForm& window, TMainConfig& config)
{
    TMainForm* main = &window;
    window.Hooks().Properties = [main](QWidget* owner) { ShowFileProperties(*main, owner); };
    window.Hooks().AdvancedSearch = [main](QWidget* owner) { ShowAdvancedSearch(*main, owner); };
    window.Hooks().QuickConnect = [main, &config](QWidget* owner) -> std::optional<THost> {
        TQuickConnectForm form(config, main->QuickHosts(), owner);
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        return form.Host();
    };
    window.Hooks().HostManager = [main, &config](QWidget* owner) {
        THostManagerForm form(config, main->Hosts(), owner);
        std::optional<THost> chosen;
        form.OnConnect = [&chosen](const THost& host) { chosen = host; };
        form.exec();
        // Connect once the window is gone, with the menus rebuilt first.
        if (chosen)
            QMetaObject::invokeMethod(main, [main, host = *chosen] { main->ConnectToHost(host); }, Qt::QueuedConnection);
        // "&Apply" may have saved the tree even when the window was cancelled.
        return true;
    };
    window.Hooks().AddHostWizard = [main, &config](QWidget* owner) {
        TAddHostWizard wizard(config, main->Hosts(), owner);
        wizard.exec();
    };
    window.Hooks().EditBookmarks = [main](QWidget* owner, THost& host) {
        TEditBookmarksForm form(host, main->Hosts(), main->QuickHosts(), owner);
        form.exec();
    };
    window.Hooks().EditFilters = [main](QWidget* owner) {
        TEditFilterForm form(main->Filters(), owner);
        form.exec();
    };
    window.Hooks().TipOfTheDay = [&config](QWidget* owner) {
        TTipOfTheDayForm form(config, owner);
        form.exec();
    };
    window.Hooks().Settings = [main, &config](QWidget* owner) {
        TSettingsForm form(config, main->TransferTypes(), owner);
        form.OnHelp = [main](int topic) { main->ShowHelp(topic); };
        form.exec();
    };
    window.Hooks().FirstRunWizard = [&config](QWidget* owner) {
        TFirstRunWizardForm wizard(config, owner);
        if (wizard.exec() == QDialog::Accepted)
            return wizard.Choice();
        // Closed by the program (it is ending): act on nothing.
        TFirstRunChoice none;
        none.Language = config.Language();
        return none;
    };
    // A child of the window: it goes with it, a check still running too.
    auto* updateCheck = new TUpdateCheckDialogs(main);
    window.Hooks().CheckForUpdates = [updateCheck](QWidget*) { updateCheck->Run(); };
}
