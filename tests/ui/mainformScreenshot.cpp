// tovrel-ftp-screenshot: pictures of the real main window for the README.
// Starts vsftpd on loopback with a small folder tree, opens the window in a
// private configuration home, and writes PNGs to the folder given:
//   main-disconnected.png  the window at start
//   main-connected.png     logged in, the server's folder listed
//   main-log.png           the same with the log page in front
// Run it through scripts/screenshot (under Xvfb when there is one).

#include "mainformHarness.h"

#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/LocalPane.h"
#include "ui/LogPane.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"
#include "ui/SuppressibleDialog.h"

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
        window.Close();
    }
    RemoveTree(root);
    return failures == 0 ? 0 : 1;
}
