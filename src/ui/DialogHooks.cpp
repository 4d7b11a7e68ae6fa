#include "ui/DialogHooks.h"

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
}
