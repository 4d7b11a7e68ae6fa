// The main window against a real vsftpd on loopback: the Connect action on
// a stored host, browsing with the keyboard, refresh, delete, new folder
// with in-place naming, the log, and the error dialog of a refused folder.

#include "mainformHarness.h"

#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/FTPWorkerErrorForm.h"
#include "ui/LocalPane.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"
#include "ui/RemotePathBox.h"
#include "ui/StatusBar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <new>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// FixtureTree plus a tree to delete, all owned by the test user so that
// the server may change it, and a folder the user may not enter.
class BrowsingTree {
public:
    BrowsingTree()
    {
        const std::string root = files_.Root();
        fs::create_directories(root + "/deltree/inner/deeper");
        WriteWholeFile(root + "/deltree/a.txt", "a\n");
        WriteWholeFile(root + "/deltree/inner/b.txt", "b\n");
        WriteWholeFile(root + "/deltree/inner/deeper/c.txt", "c\n");
        fs::create_directories(root + "/locked");
        if (const passwd* pw = ::getpwnam(kTestUser))
            for (const auto& entry : fs::recursive_directory_iterator(root))
                (void)::lchown(entry.path().c_str(), pw->pw_uid, pw->pw_gid);
        // Owned by root and closed: the test user cannot change into it.
        (void)::lchown((root + "/locked").c_str(), 0, 0);
        fs::permissions(root + "/locked", fs::perms::none);
    }
    const std::string& Root() const { return files_.Root(); }

private:
    FixtureTree files_;
};

class MainFormSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<VsftpdServer>(tree.Root());
        host = window.StoreHost(*server, "Loopback vsftpd");
        window.Open();
    }

    TRemoteListView& List() { return *window.Form().RemoteList(); }
    void PressOnList(Qt::Key key)
    {
        List().setFocus();
        QTest::keyClick(&List(), key);
    }
    void SelectOnly(const QString& caption)
    {
        window.SelectRemote({caption});
        List().setCurrentIndex(List().Model().index(List().Model().RowOfCaption(caption), 0));
    }

    BrowsingTree tree;
    std::unique_ptr<VsftpdServer> server;
    TMainWindowHarness window;
    THost host;
};

void ExpectActionsFollowTheRules(TMainForm& form, const char* state)
{
    const TActionState now = form.ActionState();
    for (const TActionDef& def : MainFormActionDefs()) {
        if (def.Rule == TEnableRule::erRemotePopup || def.Rule == TEnableRule::erQueuePopup)
            continue;
        EXPECT_EQ(form.Action(def.Name)->isEnabled(), RuleAllows(def.Rule, now)) << def.Name << " " << state;
    }
}

} // namespace

TEST_F(MainFormSession, ConnectActionLogsInListsAndBrowsesWithTheKeyboard)
{
    TMainForm& form = window.Form();
    EXPECT_EQ(form.HostSelector()->text(), QStringLiteral("Loopback vsftpd"));
    EXPECT_FALSE(List().isEnabled());
    EXPECT_FALSE(form.Action("RemoteRefreshAction")->isEnabled());
    EXPECT_FALSE(form.Action("DisconnectAction")->isEnabled());

    ASSERT_TRUE(window.Connect()) << server->Log();
    EXPECT_EQ(form.Worker().CurrentDir(), "/");
    const QStringList rows = window.RemoteCaptions();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.first(), QStringLiteral(".."));
    for (const char* name : {"sub", "upload", "deltree", "hello.txt", "data.bin", "empty.bin"})
        EXPECT_TRUE(rows.contains(QString::fromLatin1(name))) << name;
    // Folders first, then files.
    EXPECT_LT(rows.indexOf(QStringLiteral("upload")), rows.indexOf(QStringLiteral("data.bin")));
    EXPECT_TRUE(List().isEnabled());
    EXPECT_TRUE(form.windowTitle().contains(QStringLiteral("Loopback vsftpd")));
    EXPECT_EQ(form.StatusPanel()->StatusText(), QString());
    EXPECT_FALSE(form.StatusPanel()->ActivityVisible());
    EXPECT_TRUE(form.StatusPanel()->ResumeIconShown());
    EXPECT_EQ(window.Config().LastConnectedHostID(), host.HostID);
    ExpectActionsFollowTheRules(form, "logged in");
    EXPECT_TRUE(form.Action("RemoteRefreshAction")->isEnabled());
    EXPECT_FALSE(form.Action("StopAction")->isEnabled());

    const QString log = window.LogText();
    EXPECT_TRUE(log.contains(QStringLiteral("Status> Now connecting to 127.0.0.1..")));
    EXPECT_TRUE(log.contains(QStringLiteral("Status> Connected to 127.0.0.1")));
    EXPECT_TRUE(log.contains(QStringLiteral("Status> Logged in, now listing")));
    EXPECT_TRUE(log.contains(QStringLiteral("Command> PASS ******")));
    EXPECT_TRUE(log.contains(QStringLiteral("Reply> 230")));
    EXPECT_FALSE(log.contains(QString::fromLatin1(kTestPassword)));

    // Enter goes into the selected folder, Backspace back up, and the
    // folder left is selected again.
    SelectOnly(QStringLiteral("sub"));
    PressOnList(Qt::Key_Return);
    ASSERT_TRUE(window.WaitForListing("/sub"));
    EXPECT_EQ(window.RemoteCaptions(), (QStringList{"..", "inner.txt"}));
    EXPECT_EQ(form.RemotePathBox()->currentText(), QStringLiteral("/sub"));
    SelectOnly(QStringLiteral("inner.txt"));
    PressOnList(Qt::Key_Backspace);
    ASSERT_TRUE(window.WaitForListing("/"));
    ASSERT_EQ(List().SelectedRows().size(), 1u);
    EXPECT_EQ(List().Model().Caption(List().SelectedRows().front()), QStringLiteral("sub"));

    // Double click on ".." leaves a folder; Up does the same from the menu.
    SelectOnly(QStringLiteral("sub"));
    PressOnList(Qt::Key_Return);
    ASSERT_TRUE(window.WaitForListing("/sub"));
    form.Action("RemoteCDUPAction")->trigger();
    ASSERT_TRUE(window.WaitForListing("/"));

    // Refresh reads the folder again instead of the cached listing.
    WriteWholeFile(tree.Root() + "/arrived later.txt", "new\n");
    EXPECT_FALSE(window.RemoteCaptions().contains(QStringLiteral("arrived later.txt")));
    form.Action("RemoteRefreshAction")->trigger();
    EXPECT_TRUE(WaitUntil([&] { return window.RemoteCaptions().contains(QStringLiteral("arrived later.txt")); }));

    // Copy URL: host, folder and the selected row.
    SelectOnly(QStringLiteral("hello.txt"));
    form.Action("RemoteFileCopyURLAction")->trigger();
    const QString url = QStringLiteral("ftp://%1:@127.0.0.1:%2/hello.txt").arg(QString::fromLatin1(kTestUser)).arg(server->Port());
    EXPECT_EQ(form.SelectedRowURL(), url);
    EXPECT_EQ(QApplication::clipboard()->text(), url);

    form.Action("DisconnectAction")->trigger();
    EXPECT_TRUE(WaitUntil([&] { return !form.IsConnected() && !form.IsBusy(); }));
    EXPECT_EQ(List().Model().rowCount(), 0);
    EXPECT_FALSE(List().isEnabled());
    EXPECT_TRUE(window.LogText().contains(QStringLiteral("Status> Disconnected from 127.0.0.1")));
    ExpectActionsFollowTheRules(form, "disconnected");
}

TEST_F(MainFormSession, DeletesAFileAndATreeAndNamesANewFolderInPlace)
{
    TMainForm& form = window.Form();
    ASSERT_TRUE(window.Connect()) << server->Log();

    // Delete asks first; No keeps everything.
    window.SelectRemote({"hello.txt", "deltree", ".."});
    window.OnNextModal([](QWidget* dialog) { ClickButton(dialog, QStringLiteral("No")); });
    form.Action("RemoteDeleteFileAction")->trigger();
    EXPECT_TRUE(window.ModalAnswered());
    EXPECT_TRUE(fs::exists(tree.Root() + "/hello.txt"));

    // Yes deletes the file and the whole tree, never the folder above.
    window.SelectRemote({"hello.txt", "deltree", ".."});
    window.OnNextModal([](QWidget* dialog) { ClickButton(dialog, QStringLiteral("Yes")); });
    form.Action("RemoteDeleteFileAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] {
        const QStringList rows = window.RemoteCaptions();
        return !form.IsBusy() && !rows.contains(QStringLiteral("hello.txt")) && !rows.contains(QStringLiteral("deltree"));
    })) << window.RemoteCaptions().join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(fs::exists(tree.Root() + "/hello.txt"));
    EXPECT_FALSE(fs::exists(tree.Root() + "/deltree"));
    EXPECT_TRUE(fs::exists(tree.Root() + "/sub/inner.txt"));
    EXPECT_EQ(window.RemoteCaptions().first(), QStringLiteral(".."));

    // New directory: "New folder" appears with its name open for editing;
    // typing a name renames it on the server.
    form.activateWindow();
    form.Action("RemoteMakeDirAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return OpenEditor(&List()) != nullptr; }));
    EXPECT_TRUE(fs::is_directory(tree.Root() + "/New folder"));
    QLineEdit* editor = OpenEditor(&List());
    EXPECT_EQ(editor->text(), QStringLiteral("New folder"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Named in place"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return fs::is_directory(tree.Root() + "/Named in place"); }));
    EXPECT_FALSE(fs::exists(tree.Root() + "/New folder"));
    EXPECT_TRUE(WaitUntil([&] { return !form.IsBusy(); }));
    EXPECT_TRUE(window.RemoteCaptions().contains(QStringLiteral("Named in place")));
    EXPECT_EQ(form.Worker().CurrentDir(), "/") << "ending the edit with Return stays in the folder";

    // A second new folder takes the next free name.
    form.Action("RemoteMakeDirAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return OpenEditor(&List()) != nullptr; }));
    QTest::keyClick(OpenEditor(&List()), Qt::Key_Escape);
    EXPECT_TRUE(fs::is_directory(tree.Root() + "/New folder"));
}

TEST_F(MainFormSession, RefusedFolderShowsTheErrorDialogAndKeepsTheListing)
{
    TMainForm& form = window.Form();
    ASSERT_TRUE(window.Connect()) << server->Log();
    const QStringList before = window.RemoteCaptions();

    QString headline;
    QString explanation;
    window.OnNextModal([&](QWidget* dialog) {
        if (auto* error = qobject_cast<TFTPWorkerErrorForm*>(dialog)) {
            headline = error->Headline();
            explanation = error->Explanation();
            error->OkButton()->click();
        }
    });
    SelectOnly(QStringLiteral("locked"));
    PressOnList(Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return window.ModalAnswered(); }));
    EXPECT_EQ(headline, QStringLiteral("Could not change to choosen directory."));
    EXPECT_TRUE(explanation.contains(QStringLiteral("permissions")));
    EXPECT_TRUE(WaitUntil([&] { return !form.IsBusy(); }));
    EXPECT_EQ(form.Worker().CurrentDir(), "/");
    EXPECT_EQ(window.RemoteCaptions(), before);
    EXPECT_TRUE(form.IsAuthenticated());
}

TEST_F(MainFormSession, HostsInitialFoldersAreEnteredAndHomeReturnsThere)
{
    window.Destroy();
    TMainWindowHarness other;
    const THost stored = other.StoreHost(*server, "Starts in sub", true, "/sub");
    other.Open();
    const QString localStart = other.Form().LocalPane()->Directory();
    ASSERT_TRUE(other.Connect()) << server->Log();
    EXPECT_EQ(other.Form().Worker().CurrentDir(), "/sub");
    EXPECT_EQ(other.Form().HomeDirectory(), "/sub");
    // No initial local folder: the local pane stays where it was.
    EXPECT_EQ(other.Form().LocalPane()->Directory(), localStart);

    other.Form().Action("RemoteCDUPAction")->trigger();
    ASSERT_TRUE(other.WaitForListing("/"));
    other.Form().Action("RemoteCDHomeAction")->trigger();
    ASSERT_TRUE(other.WaitForListing("/sub"));
    EXPECT_EQ(other.RemoteCaptions(), (QStringList{"..", "inner.txt"}));
}

TEST_F(MainFormSession, DeadWorkerIsReplacedAndTheUserConnectsAgain)
{
    TMainForm& form = window.Form();
    ASSERT_TRUE(window.Connect()) << server->Log();
    // Memory running out in the middle of a listing ends the worker's thread.
    form.Worker().OnLog.Set([](TWorkerLogKind, const std::string&) { throw std::bad_alloc(); });

    QString message;
    window.OnNextModal([&](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            message = box->text();
        ClickButton(dialog, QStringLiteral("OK"));
    });
    form.Action("RemoteRefreshAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return window.ModalAnswered(); }));
    EXPECT_TRUE(message.contains(QStringLiteral("FTPWorker has terminated unexpectedly.")));
    EXPECT_FALSE(form.IsConnected());
    EXPECT_TRUE(window.RemoteCaptions().isEmpty());
    EXPECT_FALSE(form.Action("RemoteRefreshAction")->isEnabled());
    EXPECT_TRUE(window.LogText().contains(QStringLiteral("FTPWorker has terminated unexpectedly.")));

    // Only a new worker can connect: the dead one has no thread to do it.
    ASSERT_TRUE(window.Connect()) << server->Log();
    EXPECT_TRUE(window.RemoteCaptions().contains(QStringLiteral("hello.txt")));
}

TEST_F(MainFormSession, RemoteViewStylesShowTheSameRowsAndSelectionAndAreKept)
{
    TMainForm& form = window.Form();
    ASSERT_TRUE(window.Connect()) << server->Log();
    SelectOnly(QStringLiteral("sub"));
    auto* icons = form.findChild<QListView*>(QStringLiteral("RemoteIconView"));
    ASSERT_NE(icons, nullptr);
    EXPECT_FALSE(icons->isVisible());

    const struct {
        int Style;
        QListView::ViewMode Mode;
        QListView::Flow Flow;
    } styles[] = {{0, QListView::IconMode, QListView::LeftToRight},
                  {1, QListView::ListMode, QListView::LeftToRight},
                  {2, QListView::ListMode, QListView::TopToBottom}};
    for (const auto& style : styles) {
        SCOPED_TRACE(style.Style);
        form.findChild<QAction*>(QStringLiteral("RemoteViewStyle%1").arg(style.Style))->trigger();
        EXPECT_TRUE(icons->isVisible());
        EXPECT_FALSE(List().isVisible());
        EXPECT_EQ(icons->viewMode(), style.Mode);
        EXPECT_EQ(icons->flow(), style.Flow);
        EXPECT_EQ(icons->model(), &List().Model());
        EXPECT_EQ(window.Config().RemoteViewStyle(), static_cast<TViewStyle>(style.Style));
        EXPECT_TRUE(form.findChild<QAction*>(QStringLiteral("RemoteViewStyle%1").arg(style.Style))->isChecked());
        ASSERT_EQ(List().SelectedRows().size(), 1U);
        EXPECT_TRUE(icons->selectionModel()->isRowSelected(List().SelectedRows().front()));
    }

    // Enter on the selected folder in the names-only view opens it.
    icons->setFocus();
    QTest::keyClick(icons, Qt::Key_Return);
    ASSERT_TRUE(window.WaitForListing("/sub")) << server->Log();
    QTest::keyClick(icons, Qt::Key_Backspace);
    ASSERT_TRUE(window.WaitForListing("/")) << server->Log();

    form.findChild<QAction*>(QStringLiteral("RemoteViewStyle3"))->trigger();
    EXPECT_TRUE(List().isVisible());
    EXPECT_FALSE(icons->isVisible());
    EXPECT_FALSE(List().isHeaderHidden());
    EXPECT_EQ(window.Config().RemoteViewStyle(), vsReport);
}
