// tovrel-ftp-settings-screenshot: pictures of the settings window and the
// first-run wizard, in English and in German, for the documentation.
//   tovrel-ftp-settings-screenshot <output dir>
// writes settings-startup.png, settings-startup-de.png, settings-types.png,
// settings-actions-de.png, first-run.png and first-run-language-de.png. Uses a
// private configuration home and the build tree's language files.

#include "ScreenshotSupport.h"
#include "hosts/FileTransferTypes.h"
#include "i18n/LanguageManager.h"
#include "store/ConfigTestSupport.h"
#include "store/MainConfig.h"
#include "ui/FirstRunWizardForm.h"
#include "ui/SettingsForm.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

namespace {

using shots::Shoot;

bool ShootSettings(TMainConfig& config, const QString& out)
{
    TFileTransferTypes types(config.DataDirectory());
    types.SetEntries({".txt=ASCII", ".html=ASCII", ".css=ASCII", ".php=ASCII", ".zip=Binary", ".jpg=Binary",
                      ".pl=ASCII", ".sh=ASCII"});
    types.SaveEntries();
    bool ok = true;
    {
        TSettingsForm form(config, types);
        form.SelectEntry(TSettingsForm::seStartup);
        ok &= Shoot(form, out + QStringLiteral("/settings-startup.png"));
        form.SelectEntry(TSettingsForm::seFileTypes);
        ok &= Shoot(form, out + QStringLiteral("/settings-types.png"));
    }
    LangManager().SetActiveLanguage(1031);
    {
        TSettingsForm form(config, types);
        form.SelectEntry(TSettingsForm::seStartup);
        ok &= Shoot(form, out + QStringLiteral("/settings-startup-de.png"));
        form.SelectEntry(TSettingsForm::seActions);
        ok &= Shoot(form, out + QStringLiteral("/settings-actions-de.png"));
    }
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    return ok;
}

bool ShootFirstRun(TMainConfig& config, const QString& out)
{
    bool ok = true;
    {
        TFirstRunWizardForm wizard(config);
        ok &= Shoot(wizard, out + QStringLiteral("/first-run.png"));
        wizard.NextButton()->click();
        // Choosing the language shows it at once.
        for (int i = 0; i < wizard.Languages()->count(); ++i)
            if (wizard.Languages()->item(i)->data(Qt::UserRole).toInt() == 1031)
                wizard.Languages()->setCurrentRow(i);
        ok &= Shoot(wizard, out + QStringLiteral("/first-run-language-de.png"));
    }
    LangManager().SetActiveLanguage(TLanguageManager::BuiltInLanguageId);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/dialogs");
    QDir().mkpath(out);
    TScopedConfigHome home;
    LangManager().ScanDirectory(TOVREL_BINARY_DIR "/Languages");
    TMainConfig config;
    const bool ok = ShootSettings(config, out) && ShootFirstRun(config, out);
    return ok ? 0 : 1;
}
