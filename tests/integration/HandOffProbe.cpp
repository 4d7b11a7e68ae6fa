// A stand-in for the program's start: it runs the single-instance start
// with its arguments in the data directory $PROBE_DATA_DIR and prints what
// happened, then, as the running instance, every request it receives
// (its own first), until $PROBE_MESSAGES requests arrived or 30 s passed.
#include "integration/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    TSingleInstance instance(qEnvironmentVariable("PROBE_DATA_DIR").toStdString());
    std::string error;
    switch (instance.Start(args, QDir::currentPath().toStdString(), error)) {
    case tsHandedOver: std::printf("handed over\n"); return 0;
    case tsAlreadyRunning: std::printf("already running\n"); return 0;
    case tsFailed: std::printf("failed: %s\n", error.c_str()); return 2;
    case tsRunHere: break;
    }
    std::printf("running\n");
    std::fflush(stdout);
    int wanted = qEnvironmentVariableIntValue("PROBE_MESSAGES");
    int received = 0;
    const auto count = [&] {
        std::fflush(stdout);
        if (++received >= wanted)
            QCoreApplication::quit();
    };
    instance.Server().OnURL = [&](const std::string& url) {
        std::printf("url %s\n", url.c_str());
        count();
    };
    instance.Server().OnFiles = [&](int index, const std::vector<std::string>& paths) {
        std::printf("files %d", index);
        for (const auto& path : paths)
            std::printf(" %s", path.c_str());
        std::printf("\n");
        count();
    };
    // As the window does after its delayed start-up.
    QTimer::singleShot(100, [&] { instance.DeliverPending(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(3); });
    return wanted > 0 ? QCoreApplication::exec() : 0;
}
