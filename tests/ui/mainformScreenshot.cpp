// tovrel-ftp-screenshot: pictures of the real main window for the README.
// Starts vsftpd on loopback with a small folder tree, opens the window in a
// private configuration home, and writes PNGs to the folder given:
//   main-disconnected.png  the window at start
//   main-connected.png     logged in, the server's folder listed
//   main-log.png           the same with the log page in front
//   queue.png              downloads of large files under way on the
//                          queue page
// Run it through scripts/screenshot (under Xvfb when there is one).

#include "mainformHarness.h"

#include "queue/QueueManager.h"
#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/MainForm.h"
#include "ui/QueueListModel.h"
#include "ui/QueueListView.h"
#include "ui/QueuePage.h"
#include "ui/RemoteListView.h"
#include "ui/SuppressibleDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QThread>

#include <cstdio>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void MakeTree(const std::string& root)
{
    for (const char* dir : {"docs", "images", "releases/1.0", "releases/1.1", "upload"})
        fs::create_directories(root + "/" + dir);
    const std::pair<const char*, std::size_t> files[] = {
        {"README.txt", 2400},         {"index.html", 8200},          {"changes.log", 51000},
        {"logo.png", 23000},          {"backup-2026.tar.gz", 7340000}, {"setup.exe", 1830000},
        {"notes.md", 900},            {"docs/manual.pdf", 420000},     {"images/photo.jpg", 310000}};
    for (const auto& [name, size] : files)
        WriteWholeFile(root + "/" + name, FixtureTree::Pattern(size));
    // Large but sparse: the downloads run long enough to be pictured.
    const std::pair<const char*, std::uintmax_t> releases[] = {
        {"releases/1.1/tovrel-1.1-amd64.iso", 3400ull << 20}, {"releases/1.1/tovrel-1.1-arm64.iso", 3100ull << 20},
        {"releases/1.1/tovrel-1.1-source.tar.xz", 2600ull << 20}, {"releases/1.1/debug-symbols.tar.xz", 900ull << 20},
        {"releases/1.1/SHA256SUMS", 512}};
    for (const auto& [name, size] : releases) {
        WriteWholeFile(root + "/" + name, {});
        fs::resize_file(root + "/" + name, size);
    }
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    if (const passwd* pw = ::getpwnam(kTestUser)) {
        (void)::lchown(root.c_str(), pw->pw_uid, pw->pw_gid);
        for (const auto& entry : fs::recursive_directory_iterator(root))
            (void)::lchown(entry.path().c_str(), pw->pw_uid, pw->pw_gid);
    }
}

bool Save(TMainForm& form, const QString& path)
{
    form.LogPane()->FlushPending();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    const bool saved = form.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    std::fflush(stdout);
    return saved;
}

/// Downloads the large files of releases/1.1 and pictures the queue page
/// while they run; stops them afterwards.
bool SaveQueue(TMainWindowHarness& window, const std::string& downloads, const QString& path)
{
    TMainForm& form = window.Form();
    form.LocalPane()->SetDirectory(QString::fromStdString(downloads));
    form.Worker().ChangeDir("/releases/1.1");
    form.Worker().RequestListing();
    if (!window.WaitForListing("/releases/1.1"))
        return false;
    window.SelectRemote({QStringLiteral("tovrel-1.1-amd64.iso"), QStringLiteral("tovrel-1.1-arm64.iso"),
                         QStringLiteral("tovrel-1.1-source.tar.xz"), QStringLiteral("debug-symbols.tar.xz"),
                         QStringLiteral("SHA256SUMS")});
    form.BottomPages()->setCurrentIndex(0);
    // Room for the long names and sizes of this picture.
    form.RemoteList()->setColumnWidth(1, 110);
    QTreeView* queue = form.QueueView()->View();
    for (const auto& [column, width] : {std::pair{0, 190}, std::pair{1, 100}, std::pair{2, 110}, std::pair{3, 120},
                                        std::pair{4, 200}})
        queue->setColumnWidth(column, width);
    form.Action("DownloadAction")->trigger();
    const TQueueListModel& rows = form.QueueView()->Model();
    const auto bar = [&](int row) {
        return rows.index(row, TQueueListModel::qcProgress).data(TQueueListModel::BarRole).toInt();
    };
    // Until the first bar is well along and the others have started.
    WaitUntil([&] { return rows.rowCount() >= 3 && bar(0) >= 30 && bar(1) > 0 && bar(2) > 0; }, 60000);
    form.QueueView()->RefreshVisibleRows();
    const bool saved = Save(form, path);
    form.Queue().StopAll();
    WaitUntil([&] { return form.Queue().ThreadCount() == 0; }, 30000);
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrel FTP"));
    EnsureTestApplication();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    const std::string root = MakeTempDir("tovrel-shot-");
    MakeTree(root);
    int failures = 0;
    {
        VsftpdServer server(root);
        TMainWindowHarness window;
        window.StoreHost(server, "Example server");
        window.Config().SetDialogDefault("IDS_53", mrYes);
        window.Config().SetMainFormWidth(1000);
        window.Config().SetMainFormHeight(680);
        window.Config().SetLocalPanelWidth(430);
        window.Config().SetBottomPanelHeight(170);
        window.Open();
        TMainForm& form = window.Form();
        form.LocalPane()->SetDirectory(QString::fromStdString(root));
        WaitUntil([&] { return form.LocalPane()->RowNames().size() > 5; }, 5000);
        failures += !Save(form, out + QStringLiteral("/main-disconnected.png"));

        if (!window.Connect()) {
            std::fprintf(stderr, "could not connect: %s\n", server.Log().c_str());
            return 1;
        }
        window.SelectRemote({QStringLiteral("releases")});
        form.RemoteList()->setFocus();
        failures += !Save(form, out + QStringLiteral("/main-connected.png"));
        form.BottomPages()->setCurrentIndex(1);
        failures += !Save(form, out + QStringLiteral("/main-log.png"));
        const std::string downloads = MakeTempDir("tovrel-shot-downloads-");
        failures += !SaveQueue(window, downloads, out + QStringLiteral("/queue.png"));
        form.Queue().ClearQueue();
        RemoveTree(downloads);
        window.Close();
    }
    RemoveTree(root);
    return failures == 0 ? 0 : 1;
}
