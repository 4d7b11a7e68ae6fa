#include "ui/DialogHooks.h"

#include "ui/AddHostWizard.h"
#include "ui/HostManagerForm.h"
#include "ui/MainForm.h"
#include "ui/QuickConnectForm.h"

void InstallDialogHooks(TMainForm& window, TMainConfig& config)
{
    TMainForm* main = &window;
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
}
