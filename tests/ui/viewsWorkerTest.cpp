// The views driven by a real browsing worker against vsftpd on loopback:
// events reach the Qt thread through the pump, listings fill the list and
// the path box, the log shows the dialogue with the password masked, and
// navigation and in-place rename act on the server.

#include "viewsGuiApp.h"

#include "servers/ServerHost.h"
#include "servers/TestServers.h"
#include "session/FTPWorker.h"
#include "ui/LogPane.h"
#include "ui/QtEventPump.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// The fixture tree plus a file the test user may rename in upload/.
class RenameTree {
public:
    RenameTree()
    {
        WriteWholeFile(files_.Root() + "/upload/old name.txt", "x\n");
        if (const passwd* pw = ::getpwnam(kTestUser))
            (void)::lchown((files_.Root() + "/upload/old name.txt").c_str(), pw->pw_uid, pw->pw_gid);
    }
    const std::string& Root() const { return files_.Root(); }

private:
    FixtureTree files_;
};

/// The part of the main window's wiring these views need.
class BrowsingWindow {
public:
    TEventDispatcher Dispatcher;
    TQtEventPump Pump{Dispatcher};
    TRemoteListView View;
    TRemotePathBox PathBox;
    TLogPane Log;
    TStatusBar Status;
    TFTPWorker Worker{&Dispatcher};
    std::vector<std::string> Errors;
    int Listings = 0;

    BrowsingWindow()
    {
        const std::shared_ptr<TLogWriter> writer = Log.Writer();
        Worker.OnLog.Set([writer](TWorkerLogKind kind, const std::string& text) {
            writer->WriteLog(kind == wlkCommand ? lkCommand : lkReply, text);
        });
        Worker.OnBusy.Set([this](TFTPWorker& worker) {
            Status.WorkerBusy(QString::fromStdString(worker.StatusText()));
            View.SetWorkerBusy(true);
        });
        Worker.OnIdle.Set([this](TFTPWorker&) {
            Status.WorkerIdle();
            View.SetWorkerBusy(false);
        });
        Worker.OnLoggedIn.Set([](TFTPWorker& worker) { worker.RequestListing(); });
        Worker.OnListingReady.Set([this](TFTPWorker& worker) {
            PathBox.AddPath(worker.CurrentDir());
            View.Fill(worker.Listing(), worker.CurrentDir());
            ++Listings;
        });
        Worker.PendingError().SetOnErrorPending([this] {
            Dispatcher.Post([this] {
                if (auto error = Worker.PendingError().Take())
                    Errors.emplace_back(error->what());
            });
        });
        QObject::connect(&View, &TRemoteListView::EnterDirectoryRequested, [this](const std::string& name) {
            Worker.ChangeDir(name);
            Worker.RequestListing();
        });
        QObject::connect(&View, &TRemoteListView::ParentDirectoryRequested, [this] {
            Worker.ChangeDirUp();
            Worker.RequestListing();
        });
        QObject::connect(&PathBox, &TRemotePathBox::PathChosen, [this](const std::string& path) {
            Worker.ChangeDir(path);
            Worker.RequestListing();
        });
        View.Model().SetRenameHandler([this](const std::string& from, const std::string& to) {
            const std::size_t before = Errors.size();
            Worker.RenameEntry(from, to);
            Dispatcher.ProcessEvents();
            if (Errors.size() != before)
                return false;
            Worker.InvalidateListing(Worker.CurrentDir());
            return true;
        });
        View.resize(700, 400);
        View.show();
        Worker.Start();
    }
    ~BrowsingWindow() { Worker.Stop(); }

    /// Waits for the next listing and the idle event after it.
    bool WaitForListing(int before)
    {
        return WaitUntil([&] { return Listings > before && !Worker.Busy() && !Status.ActivityRunning(); });
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (int row = 0; row < View.Model().rowCount(); ++row)
            captions.push_back(View.Model().Caption(row).toStdString());
        return captions;
    }

    void DoubleClick(const char* caption)
    {
        const int row = View.Model().RowOfCaption(caption);
        QTest::mouseDClick(View.viewport(), Qt::LeftButton, {},
                           View.visualRect(View.Model().index(row, 0)).center());
    }
};

using Rows = std::vector<std::string>;

}  // namespace

TEST(ViewsWithWorker, BrowsesRenamesAndLogsAgainstVsftpd)
{
    RenameTree tree;
    VsftpdServer server(tree.Root());
    BrowsingWindow window;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.View));

    window.Worker.SetHost(HostFor(server));
    ASSERT_TRUE(window.WaitForListing(0)) << server.Log();
    EXPECT_EQ(window.Captions(), (Rows{"..", "sub", "upload", "big.sparse", "data.bin", "empty.bin", "hello.txt"}));
    EXPECT_EQ(window.PathBox.currentText(), "/");
    EXPECT_TRUE(window.Status.StatusText().isEmpty());
    EXPECT_FALSE(window.Status.ActivityVisible());

    window.Log.FlushPending();
    const QString log = window.Log.toPlainText();
    EXPECT_TRUE(log.contains("Command> PASS ******")) << log.toStdString();
    EXPECT_FALSE(log.contains(QString::fromStdString(server.Password())));
    EXPECT_TRUE(log.contains("Reply> 230 Login successful.")) << log.toStdString();
    EXPECT_TRUE(log.contains("Command> LIST -al"));

    // Into a folder and back up: the folder left is selected again.
    window.View.SelectCaptions({"sub"});
    window.DoubleClick("sub");
    ASSERT_TRUE(window.WaitForListing(1));
    EXPECT_EQ(window.Captions(), (Rows{"..", "inner.txt"}));
    EXPECT_EQ(window.PathBox.currentText(), "/sub");
    window.View.setFocus();
    QTest::keyClick(&window.View, Qt::Key_Backspace);
    ASSERT_TRUE(window.WaitForListing(2));
    EXPECT_EQ(window.PathBox.currentText(), "/");
    EXPECT_EQ(window.PathBox.count(), 2);
    ASSERT_EQ(window.View.SelectedRows().size(), 1U);
    EXPECT_EQ(window.View.Model().Caption(window.View.SelectedRows().front()), "sub");

    // A path the server refuses: the error, and the old folder again.
    window.PathBox.lineEdit()->setText("/no such folder");
    QTest::keyClick(window.PathBox.lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(window.WaitForListing(3));
    ASSERT_TRUE(WaitUntil([&] { return !window.Errors.empty(); }));
    EXPECT_EQ(window.Errors.back(), "Could not change to choosen directory.");
    EXPECT_EQ(window.PathBox.currentText(), "/");

    // Rename in place: refused names revert, accepted ones reach the disk.
    window.DoubleClick("upload");
    ASSERT_TRUE(window.WaitForListing(4));
    const auto rename = [&](const char* to) {
        window.View.SelectCaptions({"old name.txt"});
        window.View.setCurrentIndex(window.View.Model().index(window.View.SelectedRows().front(), 0));
        QTest::keyClick(&window.View, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromUtf8(to));
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return !window.View.IsEditing() && !window.Worker.Busy(); }));
    };
    const std::size_t errors = window.Errors.size();
    rename("missing folder/x.txt");
    ASSERT_TRUE(WaitUntil([&] { return window.Errors.size() > errors; }));
    EXPECT_EQ(window.Errors.back(), "Could not rename the remote file or directory.");
    EXPECT_EQ(window.Captions(), (Rows{"..", "old name.txt"}));
    rename("new näme.txt");
    EXPECT_EQ(window.Captions(), (Rows{"..", "new näme.txt"}));
    EXPECT_TRUE(fs::exists(tree.Root() + "/upload/new näme.txt"));
    EXPECT_FALSE(fs::exists(tree.Root() + "/upload/old name.txt"));
    EXPECT_FALSE(window.Worker.ListingCached("/upload"));
}
