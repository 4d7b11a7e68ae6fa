// The main window wired to the desktop, against vsftpd and a loopback web
// server: links and files handed over by another start of the program,
// "Check for updates" with its three message boxes, and "Open" of a remote
// file in an editor (a script) that changes it or leaves it alone.

#include "ui/mainformHarness.h"

#include "hosts/QuickHosts.h"
#include "integration/HandOffServer.h"
#include "platform/RemoteEditing.h"
#include "queue/QueueManager.h"
#include "session/FTPWorker.h"
#include "store/MainConfig.h"
#include "ui/DestinationDirectoryForm.h"
#include "ui/DialogHooks.h"
#include "ui/HandOffHandler.h"
#include "ui/MainForm.h"
#include "ui/RemoteListView.h"
#include "ui/SuppressibleDialog.h"
#include "ui/UpdateCheckDialogs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTcpSocket>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// FixtureTree plus a file to edit in upload/, all owned by the test user.
class EditableTree {
public:
    EditableTree()
    {
        WriteFile(Root() + "/upload/edit.txt", "original\n");
        if (const passwd* pw = ::getpwnam(kTestUser))
            for (const auto& entry : fs::recursive_directory_iterator(Root()))
                (void)::lchown(entry.path().c_str(), pw->pw_uid, pw->pw_gid);
    }
    const std::string& Root() const { return files_.Root(); }

private:
    FixtureTree files_;
};

// Answers every request with one fixed response.
class FixedHttpServer {
public:
    explicit FixedHttpServer(std::string response) : response_(std::move(response))
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                    request_ += socket->readAll().toStdString();
                    if (request_.find("\r\n\r\n") == std::string::npos)
                        return;
                    socket->write(response_.data(), static_cast<qint64>(response_.size()));
                    socket->disconnectFromHost();
                });
        });
    }
    std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }

private:
    QTcpServer server_;
    std::string response_;
    std::string request_;
};

std::string Response(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// A port nobody listens on.
std::uint16_t ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

class DesktopWiring : public ::testing::Test {
protected:
    void SetUp() override { server = std::make_unique<VsftpdServer>(tree.Root()); }

    // The message box (or dialog) that shows next: its text, then the button clicked.
    struct TSeen {
        QString Title;
        QString Text;
        bool Clicked = false;
    };
    void Answer(const QString& button, std::shared_ptr<TSeen> seen)
    {
        window.OnNextModal([button, seen](QWidget* modal) {
            seen->Title = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                seen->Text = box->text();
            else
                for (const QLabel* label : modal->findChildren<QLabel*>())
                    seen->Text += label->text();
            seen->Clicked = ClickButton(modal, button);
        });
    }

    EditableTree tree;
    std::unique_ptr<VsftpdServer> server;
    TMainWindowHarness window;
};

TEST_F(DesktopWiring, LinkFromTheBrowserConnectsListsItsFolderAndJoinsTheHistory)
{
    window.Open();
    THandOffHandler handOff(window.Form(), window.DataDir());
    THandOffServer socket(window.DataDir() + "/unused-socket");
    handOff.Attach(socket);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server->Port()) + "/sub/";
    // Until the window has started, requests wait.
    socket.OnURL(url);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Form().QuickHosts().Count(), 0);
    EXPECT_FALSE(window.Form().IsConnected());
    handOff.Ready();
    ASSERT_TRUE(window.WaitForListing("/sub")) << window.LogText().toStdString() << server->Log();
    EXPECT_TRUE(window.RemoteCaptions().contains(QStringLiteral("inner.txt")));
    EXPECT_EQ(window.Form().CurrentHost().Hostname, "127.0.0.1");

    const TQuickHosts& history = window.Form().QuickHosts();
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(history.Items()[0]->Port, server->Port());
    EXPECT_EQ(history.Items()[0]->HostID, window.Form().CurrentHost().HostID);
    // Stored: a later start offers it again.
    EXPECT_EQ(TQuickHosts(window.DataDir()).Count(), 1);

    // Links that cannot be read change nothing and are logged.
    for (const char* bad : {"http://127.0.0.1/", "ftp://", "not a link at all"}) {
        handOff.OpenURL(bad);
        EXPECT_TRUE(window.LogText().contains(QString::fromLatin1(bad) + QStringLiteral(" cannot be opened")))
            << bad;
    }
    EXPECT_EQ(history.Count(), 1);
    EXPECT_TRUE(window.Form().IsAuthenticated());
}

TEST_F(DesktopWiring, FilesFromTheFileManagerAreQueuedForTheChosenHostAndUploaded)
{
    const THost stored = window.StoreHost(*server, "Loopback", true, "/upload");
    window.Open();
    TQueueManager& queue = window.Form().Queue();
    THandOffHandler handOff(window.Form(), window.DataDir());

    // The local side: five files, one of them a folder.
    FixtureTree local;
    std::vector<std::string> paths;
    for (int i = 1; i <= 4; ++i) {
        paths.push_back(local.Root() + "/handed" + std::to_string(i) + ".txt");
        WriteFile(paths.back(), "file " + std::to_string(i) + "\n");
    }
    paths.push_back(local.Root() + "/sub");

    // An index beyond the host index shows nothing and queues nothing.
    handOff.UploadFiles(1, paths);
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window.LogText().contains(QStringLiteral("name no stored host")));

    // Cancelled destination: nothing.
    auto seen = std::make_shared<TSeen>();
    Answer(QStringLiteral("Cancel"), seen);
    handOff.UploadFiles(0, paths);
    ASSERT_TRUE(seen->Clicked);
    EXPECT_EQ(seen->Title, QStringLiteral("Destination directory"));
    EXPECT_EQ(queue.Count(), 0u);

    // An empty destination means the host's initial folder.
    window.OnNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TDestinationDirectoryForm*>(modal);
        ASSERT_NE(form, nullptr);
        form->DirectoryBox()->setEditText(QString());
        ClickButton(modal, QStringLiteral("OK"));
    });
    handOff.UploadFiles(0, paths);
    ASSERT_TRUE(window.ModalAnswered());
    ASSERT_EQ(queue.Count(), paths.size());
    std::size_t i = 0;
    for (const auto& queued : queue.Items()) {
        const TQueueItem& item = *queued;
        EXPECT_EQ(item.TransferDirection, tdUpload);
        EXPECT_EQ(item.RemoteRoot, "/upload/");
        EXPECT_EQ(item.Host.HostID, stored.HostID);
        EXPECT_TRUE(item.Scheduled);
        EXPECT_EQ(item.IsDirectory, i == paths.size() - 1);
        ++i;
    }
    // Marked to run, not started: the queue's Play sends them.
    window.Form().Action("PlayQueueAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return queue.Count() == 0; })) << server->Log();
    EXPECT_EQ(ReadFile(tree.Root() + "/upload/handed3.txt"), "file 3\n");
    EXPECT_EQ(ReadFile(tree.Root() + "/upload/sub/inner.txt"), "inner\n");
}

TEST_F(DesktopWiring, CheckForUpdatesShowsEachOutcomeInItsMessageBox)
{
    window.Open();
    FixedHttpServer same(Response("200 OK", TUpdateCheck::ProgramVersion() + "\r\n"));
    FixedHttpServer older(Response("200 OK", "0.0.0.1"));
    FixedHttpServer missing(Response("404 Not Found", "gone"));
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort());
    struct TCase {
        std::string BaseURL;
        const char* Button;
        const char* Title;
        QString Text;
        bool Opens;
    };
    const std::vector<TCase> cases = {
        {same.BaseURL(), "OK", "Information", QStringLiteral("You already have the latest version."), false},
        {older.BaseURL(), "Yes", "Confirmation",
         QStringLiteral("You have version %1, the latest version is 0.0.0.1.")
             .arg(QString::fromStdString(TUpdateCheck::ProgramVersion())),
         true},
        {older.BaseURL(), "No", "Confirmation", QStringLiteral("the latest version is 0.0.0.1"), false},
        {missing.BaseURL(), "OK", "Error", QStringLiteral("\nEHTTPProtocolError: "), false},
        {refused, "OK", "Error", QStringLiteral("\nENetworkError: "), false},
    };
    for (const TCase& c : cases) {
        TUpdateCheckDialogs dialogs(&window.Form(), c.BaseURL);
        std::vector<std::string> opened;
        dialogs.OpenInstaller = [&opened](const std::string& url) {
            opened.push_back(url);
            return true;
        };
        auto seen = std::make_shared<TSeen>();
        Answer(QString::fromLatin1(c.Button), seen);
        ASSERT_TRUE(dialogs.Run());
        EXPECT_FALSE(dialogs.Run()) << "a second check while one runs";
        ASSERT_TRUE(WaitUntil([&] { return seen->Clicked && !dialogs.Running(); })) << c.BaseURL;
        EXPECT_EQ(seen->Title, QString::fromLatin1(c.Title)) << c.BaseURL;
        EXPECT_TRUE(seen->Text.contains(c.Text)) << seen->Text.toStdString();
        if (c.Title == std::string("Error")) {
            EXPECT_TRUE(seen->Text.startsWith(QStringLiteral("Could not get version information from ")));
        }
        EXPECT_EQ(opened, c.Opens ? std::vector<std::string>{c.BaseURL + "/tovrelftp/setup.exe"}
                                  : std::vector<std::string>{});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // The Help menu's action runs the program's own check (its address from the environment).
    qputenv("TOVREL_UPDATE_URL", QByteArray::fromStdString(same.BaseURL()));
    InstallDialogHooks(window.Form(), window.Config());
    qunsetenv("TOVREL_UPDATE_URL");
    auto seen = std::make_shared<TSeen>();
    Answer(QStringLiteral("OK"), seen);
    window.Form().Action("CheckForUpdatesAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return seen->Clicked; }));
    EXPECT_EQ(seen->Text, QStringLiteral("You already have the latest version."));
}

class RemoteEditingWindow : public DesktopWiring {
protected:
    void SetUp() override
    {
        // Copies go to a private folder under the temporary folder, named
        // after the remote file: tests running side by side get their own.
        ASSERT_TRUE(temp.isValid());
        qputenv("TMPDIR", temp.path().toUtf8());
        DesktopWiring::SetUp();
        window.StoreHost(*server, "Loopback", true, "/upload");
        window.Open();
        ASSERT_TRUE(window.Connect()) << server->Log();
        ASSERT_NE(window.Form().RemoteEditing(), nullptr);
    }

    void TearDown() override { qunsetenv("TMPDIR"); }

    TRemoteEditing& Editing() { return *window.Form().RemoteEditing(); }
    QTemporaryDir temp;

    // Opens edit.txt with `script` as its editor (run by sh with the copy as $1);
    // answers once the copy is open and its editor has ended (or asks).
    bool OpenWith(const std::string& script)
    {
        const std::size_t before = Editing().Files().size();
        Editing().CommandFor = [script](const std::string& copy) {
            return std::vector<std::string>{"/bin/sh", "-c", script, "editor", copy};
        };
        window.SelectRemote({QStringLiteral("edit.txt")});
        window.Form().Action("RemoteFileOpenAction")->trigger();
        return WaitUntil([this, before] {
            if (Editing().Files().size() <= before)
                return false;
            const TTempFile& opened = *Editing().Files().back();
            return !opened.Process || !opened.Process->Running() || QApplication::activeModalWidget();
        });
    }
    std::string Copy() { return Editing().Files().back()->LocalCopy; }
    std::string Remote() { return ReadFile(tree.Root() + "/upload/edit.txt"); }
};

TEST_F(RemoteEditingWindow, ChangedCopyIsUploadedOverTheRemoteFileOnYesAndDeletedAtClose)
{
    auto seen = std::make_shared<TSeen>();
    Answer(QStringLiteral("Yes"), seen);
    ASSERT_TRUE(OpenWith("printf 'edited\\n' >> \"$1\""));
    EXPECT_EQ(ReadFile(Copy()), "original\nedited\n");
    ASSERT_TRUE(WaitUntil([&] { return seen->Clicked; }));
    EXPECT_TRUE(seen->Text.contains(QString::fromStdString(Copy()))) << seen->Text.toStdString();
    EXPECT_TRUE(seen->Text.contains(QStringLiteral("was modified on your computer")));
    // Runs at once, no existing-file question.
    ASSERT_TRUE(WaitUntil([&] { return Remote() == "original\nedited\n"; })) << server->Log();
    ASSERT_TRUE(WaitUntil([&] { return window.Form().Queue().Count() == 0; }));

    const std::string copy = Copy();
    window.OnNextModal([](QWidget* modal) { ClickButton(modal, QStringLiteral("Yes")); });
    ASSERT_TRUE(window.Close());
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(RemoteEditingWindow, UnchangedOrSuppressedCopiesAreNotUploaded)
{
    // Closed without saving: no question.
    ASSERT_TRUE(OpenWith("exit 0"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.Form().Queue().Count(), 0u);
    ASSERT_TRUE(fs::remove(Copy()));  // else the next download asks about it

    // A remembered answer: changed, but neither asked nor uploaded.
    window.Config().SetDialogDefault("IDS_56", mrYes);
    const std::string before = Remote();
    ASSERT_TRUE(OpenWith("printf 'edited\\n' >> \"$1\""));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.Form().Queue().Count(), 0u);
    EXPECT_EQ(Remote(), before);
}

} // namespace
