// tovrel-ftp: process start and shutdown.
//
// Order: assertion handler, application object, termination signals, the
// settings (data directory and "Config.xml"), the selection filters, then
// the main window, which creates everything else. The filters and the
// settings outlive the window and are destroyed last, the settings writing
// any change made after the window's own save.

#include "app/Application.h"
#include "app/TerminationSignals.h"
#include "hosts/Filters.h"
#include "platform/DesktopSwitches.h"
#include "store/Assertions.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/DialogHooks.h"
#include "ui/MainForm.h"

#include <QMessageBox>
#include <QPointer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

constexpr int kExitStartFailed = 1;

void ReportStartFailure(const char* what)
{
    std::fprintf(stderr, "Tovrel FTP could not start: %s\n", what);
    QMessageBox::critical(nullptr, QStringLiteral("Tovrel FTP"), QString::fromUtf8(what));
}

} // namespace

int main(int argc, char* argv[])
{
    InstallAssertionHandler();
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrel FTP"));
    QApplication::setDesktopFileName(QStringLiteral("tovrel-ftp"));
    TAppIcons::SetUpIconTheme();
    QApplication::setWindowIcon(TAppIcons::ApplicationIcon());

    QPointer<TMainForm> mainWindow;
    TTerminationSignals terminationSignals;
    terminationSignals.OnTerminate = [&mainWindow](int) {
        // Terminated by the session or the user: close in order, never ask.
        if (!mainWindow) {
            QCoreApplication::exit(kExitStartFailed);
            return;
        }
        // A question still open is answered as with Escape (nothing is
        // remembered); the window closes once it has returned.
        while (QWidget* modal = QApplication::activeModalWidget())
            if (!modal->close())
                break;
        QMetaObject::invokeMethod(mainWindow, [&mainWindow] {
            if (mainWindow)
                mainWindow->CloseWithoutQuestion();
        }, Qt::QueuedConnection);
    };

    std::unique_ptr<TMainConfig> config;
    std::unique_ptr<TFilters> filters;
    std::unique_ptr<TMainForm> window;
    try {
        config = std::make_unique<TMainConfig>();
        TMainConfig::SetInstance(config.get());
        TDesktopSwitches::Install(*config);
        filters = std::make_unique<TFilters>(config->DataDirectory());
        window = std::make_unique<TMainForm>(*config, *filters);
        InstallDialogHooks(*window, *config);
        TMainConfig& settings = *config;
        window->Hooks().IsDefaultFtpProgram = [&settings] { return settings.BrowserIntegration(); };
        window->Hooks().MakeDefaultFtpProgram = [&settings] { settings.SetBrowserIntegration(true); };
    } catch (const std::exception& e) {
        // A damaged store is left as it is for the user to look at.
        window.reset();
        filters.reset();
        ReportStartFailure(e.what());
        if (config)
            TDesktopSwitches::Uninstall(*config);
        TMainConfig::SetInstance(nullptr);
        return kExitStartFailed;
    }
    mainWindow = window.get();
    app.SetExceptionHandler([&mainWindow](std::exception_ptr error) {
        if (mainWindow)
            mainWindow->HandleException(error);
    });
    window->show();
    const int result = QApplication::exec();

    app.SetExceptionHandler(nullptr);
    window.reset();
    filters.reset();
    TDesktopSwitches::Uninstall(*config);
    TMainConfig::SetInstance(nullptr);
    config.reset();
    return result;
}
