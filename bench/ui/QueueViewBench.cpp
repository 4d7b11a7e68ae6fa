// The queue page with a long queue: rows added one by one (as the manager
// reports them) and in one bulk load, the time of one progress-refresh pass
// over the visible rows, a pass after scrolling to the end, and the peak
// memory of the process. Figures go to standard output.
//
//   bench_queueview [rows]     (default 100000; off screen)

#include "queue/QueueManager.h"
#include "session/EventDispatcher.h"
#include "ui/QueueListModel.h"
#include "ui/QueueListView.h"
#include "ui/QueuePage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long PeakMemoryKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

double Milliseconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    THost host(THostDefaults{});
    host.Hostname = "bench.invalid";
    TEventDispatcher dispatcher;
    TQueueManager manager(dispatcher);
    TQueuePage page(manager, nullptr, nullptr);
    page.resize(900, 300);
    page.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i)
        manager.AddDownload(host, "/", false, 0, 1000 + i, false, "/tmp/bench/",
                            "/folder/file" + std::to_string(i) + ".bin");
    QApplication::processEvents();
    std::printf("add %d rows one by one: %.1f ms\n", rows, Milliseconds(timer));

    timer.restart();
    page.RefreshVisibleRows();
    QApplication::processEvents();
    std::printf("first refresh pass (visible rows get their text): %.3f ms\n", Milliseconds(timer));
    constexpr int passes = 100;
    timer.restart();
    for (int i = 0; i < passes; ++i)
        page.RefreshVisibleRows();
    std::printf("steady refresh pass: %.3f ms\n", Milliseconds(timer) / passes);

    QScrollBar* bar = page.View()->verticalScrollBar();
    timer.restart();
    constexpr int steps = 200;
    for (int i = 1; i <= steps; ++i) {
        bar->setValue(bar->maximum() * i / steps);
        page.RefreshVisibleRows();
        page.View()->viewport()->repaint();
    }
    std::printf("scroll step with refresh and repaint: %.3f ms\n", Milliseconds(timer) / steps);

    timer.restart();
    page.Bulk([&] { manager.ClearQueue(); });
    std::printf("clear %d rows: %.1f ms\n", rows, Milliseconds(timer));
    std::printf("peak memory: %.1f MB\n", static_cast<double>(PeakMemoryKiB()) / 1024);
    return 0;
}
