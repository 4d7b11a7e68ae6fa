// tovrel-ftp: process start and shutdown.
//
// Order: assertion handler, application object, the single-instance check
// (a link or files for a program that already runs are handed to it and
// this start ends), termination signals, the settings (data directory and
// "Config.xml"), the selection filters, then the main window, which creates
// everything else. The filters and the settings outlive the window and are
// destroyed last, the settings writing any change made after the window's
// own save. A request this start brought along is acted on once the
// window's delayed start-up has run.

#include "app/Application.h"
#include "app/TerminationSignals.h"
#include "hosts/Filters.h"
#include "integration/SingleInstance.h"
#include "i18n/Format.h"
#include "i18n/LanguageManager.h"
#include "platform/DesktopSwitches.h"
#include "platform/KeyringSecretStore.h"
#include "store/Assertions.h"
#include "store/DataDirectory.h"
#include "store/MainConfig.h"
#include "ui/AppIcons.h"
#include "ui/DialogHooks.h"
#include "ui/HandOffHandler.h"
#include "ui/LogWriter.h"
#include "ui/MainForm.h"

#include <QDir>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kExitStartFailed = 1;
constexpr int kExitRequestFailed = 2;

void ReportStartFailure(const char* what)
{
    std::fprintf(stderr, "Tovrel FTP could not start: %s\n", what);
    QMessageBox::critical(nullptr, QStringLiteral("Tovrel FTP"), QString::fromUtf8(what));
}

std::vector<std::string> ProgramArguments()
{
    // Qt has taken its own options out already.
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i)
        arguments.push_back(all[i].toStdString());
    return arguments;
}

// Answers whether this start goes on as the running program; `exitCode`
// is the process's result when it does not.
bool StartsHere(TSingleInstance& instance, int& exitCode)
{
    std::string error;
    switch (instance.Start(ProgramArguments(), QDir::currentPath().toStdString(), error)) {
    case tsRunHere:
        return true;
    case tsHandedOver:
        exitCode = 0;
        return false;
    case tsAlreadyRunning:
        // Two programs on the same data files would overwrite each other's
        // saves: the running one shows its window instead.
        std::fprintf(stderr, "Tovrel FTP is already running.\n");
        exitCode = 0;
        return false;
    case tsFailed:
        break;
    }
    std::fprintf(stderr, "Tovrel FTP: %s\n", error.c_str());
    QMessageBox::warning(nullptr, QStringLiteral("Tovrel FTP"), QString::fromStdString(error));
    exitCode = kExitRequestFailed;
    return false;
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

    std::string dataDirectory;
    try {
        dataDirectory = ResolveDataDirectory();
    } catch (const std::exception& e) {
        ReportStartFailure(e.what());
        return kExitStartFailed;
    }
    TSingleInstance instance(dataDirectory);
    if (int exitCode = 0; !StartsHere(instance, exitCode))
        return exitCode;

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
    std::unique_ptr<THandOffHandler> handOff;
    const auto detachHandOff = [&instance, &handOff] {
        // Message boxes run the event loop: nothing may reach a gone handler.
        instance.Server().OnURL = nullptr;
        instance.Server().OnFiles = nullptr;
        instance.Server().OnRefused = nullptr;
        instance.Server().OnActivate = nullptr;
        handOff.reset();
    };
    // Passwords live in the desktop's keyring where there is one; the
    // settings read theirs back as they load.
    auto keyring = std::make_shared<TKeyringSecretStore>();
    ISecretStore::SetInstance(keyring);
    try {
        config = std::make_unique<TMainConfig>(dataDirectory);
        TMainConfig::SetInstance(config.get());
        TDesktopSwitches::Install(*config);
        filters = std::make_unique<TFilters>(config->DataDirectory());
        window = std::make_unique<TMainForm>(*config, *filters);
        InstallDialogHooks(*window, *config);
        TMainConfig& settings = *config;
        window->Hooks().IsDefaultFtpProgram = [&settings] { return settings.BrowserIntegration(); };
        window->Hooks().MakeDefaultFtpProgram = [&settings] { settings.SetBrowserIntegration(true); };
        keyring->SetNoticeSlot([log = QPointer<TMainForm>(window.get())](const std::string& reason) {
            if (log)
                log->WriteLog(lkStatus, Format(LoadStr("MainForm_strKeyringUnavailable"), reason));
        });
        handOff = std::make_unique<THandOffHandler>(*window, dataDirectory);
        handOff->Attach(instance.Server());
        window->Hooks().AfterStartup = [&instance, &handOff] {
            instance.DeliverPending();  // this start's own request first
            handOff->Ready();
        };
    } catch (const std::exception& e) {
        // A damaged store is left as it is for the user to look at.
        detachHandOff();
        window.reset();
        filters.reset();
        ReportStartFailure(e.what());
        if (config)
            TDesktopSwitches::Uninstall(*config);
        TMainConfig::SetInstance(nullptr);
        ISecretStore::SetInstance(nullptr);
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
    detachHandOff();
    window.reset();
    filters.reset();
    keyring->SetNoticeSlot(nullptr);
    TDesktopSwitches::Uninstall(*config);
    TMainConfig::SetInstance(nullptr);
    config.reset();
    ISecretStore::SetInstance(nullptr);
    return result;
}
