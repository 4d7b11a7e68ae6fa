#include "platform/RemoteEditing.h"

#include "queue/QueueHarness.h"
#include "queue/QueueManager.h"
#include "servers/TestServers.h"

#include "platform/XdgSandbox.h"
#include "QtCoreTestApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QCoreApplication& App()
{
    return TestCoreApp();
}

void SetExecutable(const std::string& path)
{
    ::chmod(path.c_str(), 0755);
}

// A file in the server's writable folder that the test user may overwrite.
void PutRemoteFile(const std::string& path, const std::string& text)
{
    WriteWholeFile(path, text);
    if (const passwd* user = ::getpwnam(kTestUser))
        ::chown(path.c_str(), user->pw_uid, user->pw_gid);
}

class RemoteEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        // The "editor": appends a line unless the file's name says to keep it,
        // and records each file it was given.
        script_ = xdg_.Path("bin/editor");
        log_ = xdg_.Path("editor.log");
        xdg_.Write(script_, "#!/bin/sh\ncase \"$1\" in *keep*) ;; *) printf 'edited\\n' >> \"$1\";; esac\n"
                            "printf '%s\\n' \"$1\" >> '" + log_ + "'\n");
        SetExecutable(script_);
        xdg_.Write(xdg_.DataHome() + "/applications/test-editor.desktop",
                   "[Desktop Entry]\nType=Application\nName=Editor\nExec=" + script_ + " %f\n");
        xdg_.Write(xdg_.ConfigHome() + "/mimeapps.list", "[Default Applications]\ntext/plain=test-editor.desktop;\n");
    }

    bool Spin(QueueHarness& harness, const std::function<bool()>& done)
    {
        QDeadlineTimer deadline(60000);
        while (!done() && !deadline.hasExpired()) {
            harness.Dispatcher.ProcessEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return done();
    }

    XdgSandbox xdg_;
    std::string script_;
    std::string log_;
};

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

} // namespace

TEST_F(RemoteEditingTest, ChangedCopyGoesBackOnlyWhenChangedAndConfirmed)
{
    FixtureTree tree;
    const std::string remote = tree.Root() + "/upload/";
    PutRemoteFile(remote + "notes.txt", "original\n");
    PutRemoteFile(remote + "keep.txt", "untouched\n");
    PutRemoteFile(remote + "declined.txt", "declined\n");
    VsftpdServer server(tree.Root());

    QueueHarness harness;
    QTemporaryDir temp;
    TRemoteEditing editing(*harness.Manager, temp.path().toStdString());
    std::vector<std::string> asked;
    editing.AskUpload = [&](const std::string& copy) {
        asked.push_back(copy);
        return copy.find("declined") == std::string::npos;
    };
    harness.Manager->OnItemDone = [&](TQueueItem& item) {
        if (item.OpenWhenDone)
            editing.OpenForEditing(item);
    };
    int uploads = 0;
    harness.Manager->OnItemRemoving = [&](TQueueItem& item) { uploads += item.TransferDirection == tdUpload; };

    THost host;
    host.Hostname = "127.0.0.1";
    host.Port = server.Port();
    host.Username = server.User();
    host.Password = server.Password();
    editing.Open(host, "/upload", {{"notes.txt", 9, -1, false}, {"keep.txt", 10, -1, false},
                                   {"declined.txt", 9, -1, false}, {"..", 0, -1, true}});
    EXPECT_EQ(harness.Manager->Count(), 3u);

    ASSERT_TRUE(Spin(harness, [&] { return Lines(XdgSandbox::Read(log_)) == 3 && asked.size() == 2 && uploads == 1; }))
        << XdgSandbox::Read(log_) << server.Log();
    ASSERT_TRUE(Spin(harness, [&] { return ReadWholeFile(remote + "notes.txt") == "original\nedited\n"; }))
        << server.Log();
    const std::string copies = temp.path().toStdString() + "/";
    std::sort(asked.begin(), asked.end()); // the editors end in any order
    EXPECT_EQ(asked, (std::vector<std::string>{copies + "declined.txt", copies + "notes.txt"}));
    EXPECT_EQ(ReadWholeFile(remote + "keep.txt"), "untouched\n");
    EXPECT_EQ(ReadWholeFile(remote + "declined.txt"), "declined\n");
    ASSERT_EQ(editing.Files().size(), 3u);

    editing.DeleteCopies();
    for (const char* name : {"notes.txt", "keep.txt", "declined.txt"})
        EXPECT_FALSE(XdgSandbox::Exists(copies + name)) << name;
    harness.WaitIdle();
}

TEST_F(RemoteEditingTest, CopyWithoutApplicationWaitsForShutdown)
{
    FixtureTree tree;
    PutRemoteFile(tree.Root() + "/upload/data.tovrel-unopened", "bytes");
    VsftpdServer server(tree.Root());
    QueueHarness harness;
    QTemporaryDir temp;
    const std::string copy = temp.path().toStdString() + "/data.tovrel-unopened";
    {
        TRemoteEditing editing(*harness.Manager, temp.path().toStdString());
        editing.AskUpload = [](const std::string&) {
            ADD_FAILURE() << "nothing was edited";
            return false;
        };
        bool done = false;
        harness.Manager->OnItemDone = [&](TQueueItem& item) {
            editing.OpenForEditing(item);
            done = true;
        };
        THost host;
        host.Hostname = "127.0.0.1";
        host.Port = server.Port();
        host.Username = server.User();
        host.Password = server.Password();
        editing.Open(host, "/upload/", {{"data.tovrel-unopened", 5, -1, false}});
        ASSERT_TRUE(Spin(harness, [&] { return done; })) << server.Log();
        ASSERT_EQ(editing.Files().size(), 1u);
        EXPECT_EQ(editing.Files()[0]->Process, nullptr);
        EXPECT_EQ(ReadWholeFile(copy), "bytes");
        harness.WaitIdle();
    } // the window closes
    EXPECT_FALSE(XdgSandbox::Exists(copy));
    EXPECT_EQ(XdgSandbox::Read(log_), "");
}

TEST(RemoteEditingFolder, IsPrivateAndNeverAnotherUsersOrALink)
{
    QTemporaryDir tmp;
    const QByteArray old = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toUtf8());
    const std::string expected = tmp.path().toStdString() + "/tovrel-ftp-" + std::to_string(::getuid());

    EXPECT_EQ(TRemoteEditing::PrivateTempFolder(), expected);
    struct stat st {};
    ASSERT_EQ(::lstat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(TRemoteEditing::PrivateTempFolder(), expected); // found again

    // Someone put a link (or an open folder) there: a fresh private folder instead.
    ::rmdir(expected.c_str());
    QTemporaryDir elsewhere;
    ASSERT_EQ(::symlink(elsewhere.path().toUtf8().constData(), expected.c_str()), 0);
    const std::string other = TRemoteEditing::PrivateTempFolder();
    EXPECT_NE(other, expected);
    EXPECT_EQ(other.rfind(expected + "-", 0), 0u);
    ASSERT_EQ(::lstat(other.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (old.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", old);
}
