// The remote list with a large folder: 100 000 entries listed by vsftpd on
// loopback and shown, re-sorted by every column, the peak memory of the
// process; and 100 000 lines appended to the log pane. Figures go to
// standard output; the longest time the event loop stood still shows
// whether the window kept repainting.
//
//   bench_ui [entries]     (default 100000; needs root for vsftpd)

#include "servers/TestServers.h"
#include "session/FTPWorker.h"
#include "ui/LogPane.h"
#include "ui/QtEventPump.h"
#include "ui/RemoteListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTimer>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

// Longest gap between two turns of the event loop while a stopwatch runs.
class StallMeter {
public:
    StallMeter()
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void Start()
    {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double StopMs()
    {
        timer_.stop();
        return static_cast<double>(longest_) / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

void RunUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

long PeakMemoryKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Files of varied size and date and a folder every hundred entries, owned
// by the test user like the rest of the tree.
void MakeFolder(const std::string& folder, int entries)
{
    ::mkdir(folder.c_str(), 0755);
    const passwd* pw = ::getpwnam(kTestUser);
    char name[64];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(name, sizeof name, i % 100 == 0 ? "/folder %06d" : "/file_%06d.%s", i,
                      i % 3 == 0 ? "txt" : (i % 3 == 1 ? "bin" : "jpg"));
        const std::string path = folder + name;
        if (i % 100 == 0) {
            ::mkdir(path.c_str(), 0755);
        } else {
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
            (void)::ftruncate(fd, static_cast<off_t>((static_cast<long long>(i) * 7919) % 5000000));
            ::close(fd);
        }
        const timespec when[2] = {{1500000000 + (i * 7919L) % 200000000, 0}, {1500000000 + (i * 7919L) % 200000000, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), when, 0);
        if (pw)
            (void)::lchown(path.c_str(), pw->pw_uid, pw->pw_gid);
    }
}

double Seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void BenchListing(int entries)
{
    FixtureTree tree;
    std::printf("creating %d entries...\n", entries);
    MakeFolder(tree.Root() + "/many", entries);
    VsftpdServer server(tree.Root());

    {
        // The server's own pace, for comparison: curl lists the same folder.
        const std::string command = "curl -s -o /dev/null 'ftp://" + server.User() + ":" + server.Password() +
                                    "@127.0.0.1:" + std::to_string(server.Port()) + "/many/'";
        QElapsedTimer curl;
        curl.start();
        const int status = std::system(command.c_str());
        std::printf("curl lists the folder in %.3f s (exit %d)\n", Seconds(curl), status);
    }

    TEventDispatcher dispatcher;
    TQtEventPump pump(dispatcher);
    TRemoteListView view;
    view.resize(900, 600);
    view.show();
    TFTPWorker worker(&dispatcher);
    int listings = 0;
    bool loggedIn = false;
    QElapsedTimer fill;
    double fillSeconds = 0;
    worker.OnLoggedIn.Set([&](TFTPWorker&) { loggedIn = true; });
    // When the server's part ends: the reply that closes the listing.
    QElapsedTimer total;
    std::atomic<qint64> listedAt{0};
    worker.OnLog.Set([&](TWorkerLogKind kind, const std::string& text) {
        if (kind == wlkReply && text.rfind("226", 0) == 0 && total.isValid())
            listedAt = total.nsecsElapsed();
    });
    qint64 readyNs = 0;
    worker.OnListingReady.Set([&](TFTPWorker& w) {
        readyNs = total.isValid() ? total.nsecsElapsed() : 0;
        fill.start();
        view.Fill(w.Listing(), w.CurrentDir());
        view.repaint();
        fillSeconds = Seconds(fill);
        ++listings;
    });
    worker.Start();
    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = server.User();
    host.Password = server.Password();
    worker.SetHost(host);
    RunUntil([&] { return loggedIn && !worker.Busy(); });
    worker.ChangeDir("/many");

    StallMeter stall;
    stall.Start();
    total.start();
    worker.RequestListing();
    RunUntil([&] { return listings == 1; });
    const double shown = Seconds(total);
    const double listingStall = stall.StopMs();
    std::printf("listing of %d rows: %.3f s from request to filled view (server done at %.3f s, worker's "
                "listing ready at %.3f s, filling the view %.3f s); longest event-loop stall while the worker "
                "listed %.1f ms\n",
                view.Model().rowCount() - 1, shown, static_cast<double>(listedAt) / 1e9,
                static_cast<double>(readyNs) / 1e9, fillSeconds, listingStall);

    {
        // The best of five, since other work on the machine blurs one run.
        double best = 1e9;
        for (int run = 0; run < 5; ++run) {
            TRemoteListModel model;
            QElapsedTimer alone;
            alone.start();
            model.Fill(worker.Listing());
            best = std::min(best, Seconds(alone));
        }
        std::printf("the model alone fills and sorts by name in %.3f s (best of 5)\n", best);
    }

    {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer again;
            again.start();
            view.Fill(worker.Listing(), worker.CurrentDir());
            view.repaint();
            best = std::min(best, Seconds(again));
        }
        std::printf("refilling the shown view with the same listing: %.3f s (best of 3)\n", best);
    }

    const char* names[] = {"Filename", "Size", "Type", "Date", "Permissions", "User", "Group"};
    for (int column : {1, 2, 3, 4, 5, 6, 0}) {
        for (int pass = 0; pass < 2; ++pass) {
            QElapsedTimer sort;
            sort.start();
            emit view.header()->sectionClicked(column);
            view.repaint();
            std::printf("re-sort by %-11s (state %d): %.3f s\n", names[column], view.Model().SortState(),
                        Seconds(sort));
        }
    }
    worker.Stop();
    std::printf("peak memory after listing and sorting: %.1f MB\n", static_cast<double>(PeakMemoryKiB()) / 1024);
}

void BenchLog(int lines)
{
    TLogPane pane;
    pane.resize(900, 300);
    pane.show();
    StallMeter stall;
    stall.Start();
    QElapsedTimer total;
    total.start();
    std::thread writer([&] {
        for (int i = 0; i < lines; ++i)
            pane.WriteLog(i % 2 ? 5 : 4, "200 line number " + std::to_string(i) + " of the log benchmark");
    });
    QElapsedTimer wrote;
    wrote.start();
    writer.join();
    const double writing = Seconds(wrote);
    RunUntil([&] { return pane.Writer()->Waiting() == 0; });
    pane.repaint();
    std::printf("log: %d lines written from a thread in %.3f s, all shown after %.3f s; "
                "longest event-loop stall %.1f ms\n",
                lines, writing, Seconds(total), stall.StopMs());
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    BenchLog(entries);
    BenchListing(entries);
    return 0;
}
