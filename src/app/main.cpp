// tovrel-ftp: process start and shutdown.
//
// Order: assertion handler, application object, termination signals, the
// settings (data directory and "Config.xml"), then the main window. The
// settings outlive every window and are destroyed last, writing any change
// made after the window's own save.

#include "app/PlaceholderMainWindow.h"
#include "app/TerminationSignals.h"
#include "store/Assertions.h"
#include "store/MainConfig.h"

#include <QApplication>
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrel FTP"));

    QPointer<QWidget> mainWindow;
    TTerminationSignals terminationSignals;
    terminationSignals.OnTerminate = [&mainWindow](int) {
        // Terminated by the session or the user: close in order, never ask.
        if (mainWindow)
            mainWindow->close();
        else
            QCoreApplication::exit(kExitStartFailed);
    };

    std::unique_ptr<TMainConfig> config;
    try {
        config = std::make_unique<TMainConfig>();
    } catch (const std::exception& e) {
        ReportStartFailure(e.what());
        return kExitStartFailed;
    }
    TMainConfig::SetInstance(config.get());

    int result = 0;
    {
        TPlaceholderMainWindow window(*config);
        mainWindow = &window;
        window.ShowWithStoredLayout();
        result = QApplication::exec();
    }
    TMainConfig::SetInstance(nullptr);
    config.reset();
    return result;
}
