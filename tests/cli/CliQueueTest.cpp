// "tovrel-ftp-cli queue add" and "queue run" as programs against vsftpd:
// a mixed queue of files and folders both ways, failures that stay in the
// file, and targets that exist already answered on the terminal.

#include "hosts/TrustedCertificates.h"
#include "servers/TestServers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

struct TRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int CountOf(const std::string& text, const std::string& what)
{
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

class CliQueueTest : public ::testing::Test {
protected:
    explicit CliQueueTest(bool tls = false)
        : cert_(tls ? std::make_unique<TestCertificate>() : nullptr), server_(tree_.Root(), cert_.get())
    {
        fs::create_directories(DataDir());
        // Failed attempts come back after one second, twice at most.
        WriteWholeFile(DataDir() + "/Config.xml",
                       "<?xml version=\"1.0\"?>\r\n<Config>\r\n  <RetryDelay value=\"1\"/>\r\n"
                       "  <MaxRetryCount value=\"2\"/>\r\n</Config>\r\n");
    }
    ~CliQueueTest() override { RemoveTree(work_); }

    /// Runs the program with this test's settings folder; `input` is its
    /// standard input.
    TRun Cli(const std::string& arguments, const std::string& input = {})
    {
        WriteWholeFile(work_ + "/stdin.txt", input);
        const std::string command = "XDG_CONFIG_HOME=" + Quote(work_ + "/config") + " HOME=" + Quote(work_) + " "
                                    + TOVREL_CLI + " " + arguments + " <" + Quote(work_ + "/stdin.txt") + " 2>"
                                    + Quote(work_ + "/stderr.txt");
        TRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return run;
        char buffer[4096];
        for (std::size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            run.Out.append(buffer, got);
        const int status = ::pclose(pipe);
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.Err = ReadWholeFile(work_ + "/stderr.txt");
        return run;
    }

    std::string DataDir() const { return work_ + "/config/Tovrel FTP"; }
    std::string Url(const std::string& path) const
    {
        return Quote("ftp://" + server_.User() + ":" + server_.Password() + "@127.0.0.1:"
                     + std::to_string(server_.Port()) + path);
    }
    std::string QueueFile() const { return work_ + "/queue.xml"; }
    /// The "QueueItem" elements of the queue file.
    int QueuedItems() const { return CountOf(ReadWholeFile(QueueFile()), "<QueueItem "); }

    FixtureTree tree_;
    std::unique_ptr<TestCertificate> cert_;
    VsftpdServer server_;
    std::string work_ = MakeTempDir("tovrel-cli-queue-");
};

/// A local folder to upload: nested files, an empty folder.
void MakeLocalTree(const std::string& root)
{
    fs::create_directories(root + "/nested/deeper");
    fs::create_directories(root + "/empty");
    WriteWholeFile(root + "/top.bin", FixtureTree::Pattern(150000, 7));
    WriteWholeFile(root + "/nested/a.txt", "a\n");
    WriteWholeFile(root + "/nested/deeper/b.bin", FixtureTree::Pattern(4096, 9));
}

TEST_F(CliQueueTest, MixedQueueOfFilesAndFoldersBothWaysEndsByteIdentical)
{
    const std::string local = work_ + "/local";
    const std::string download = work_ + "/download";
    MakeLocalTree(local + "/tree");
    WriteWholeFile(local + "/one.bin", FixtureTree::Pattern(70000, 5));

    TRun add = Cli("queue add " + Quote(QueueFile()) + " --get " + Url("/data.bin") + " " + Quote(download)
                   + " --get " + Url("/sub") + " " + Quote(download) + " --put " + Quote(local + "/tree") + " "
                   + Url("/upload/") + " --put " + Quote(local + "/one.bin") + " " + Url("/upload/"));
    ASSERT_EQ(add.ExitCode, 0) << add.Err;
    EXPECT_EQ(CountOf(add.Out, "queued  "), 4) << add.Out;
    EXPECT_EQ(QueuedItems(), 4);
    // One quick-connect entry serves every URL of the server.
    EXPECT_EQ(CountOf(ReadWholeFile(DataDir() + "/QuickHosts.xml"), "HostID="), 1);

    TRun run = Cli("queue run " + Quote(QueueFile()) + " --max 3");
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_THAT(run.Out, HasSubstr("0 failed, 0 skipped; 0 left"));
    EXPECT_THAT(run.Out, Not(HasSubstr("failed  ")));
    EXPECT_EQ(QueuedItems(), 0);

    EXPECT_EQ(ReadWholeFile(download + "/data.bin"), ReadWholeFile(tree_.Root() + "/data.bin"));
    EXPECT_EQ(ReadWholeFile(download + "/sub/inner.txt"), "inner\n");
    const std::string uploaded = tree_.Root() + "/upload";
    EXPECT_EQ(ReadWholeFile(uploaded + "/one.bin"), ReadWholeFile(local + "/one.bin"));
    for (const char* name : {"/top.bin", "/nested/a.txt", "/nested/deeper/b.bin"})
        EXPECT_EQ(ReadWholeFile(uploaded + "/tree" + name), ReadWholeFile(local + "/tree" + name)) << name;
    EXPECT_TRUE(fs::is_directory(uploaded + "/tree/empty"));
}

TEST_F(CliQueueTest, FailedItemStaysInTheFileAndTheExitCodeSaysSo)
{
    const std::string download = work_ + "/download";
    // An element of a host this installation does not know is kept as it is.
    WriteWholeFile(QueueFile(),
                   "<?xml version=\"1.0\"?>\r\n<QueueList>\r\n  <QueueItem HostID=\"{00000000-0000-0000-0000-"
                   "0000000000FF}\" RemoteFilename=\"/x\" RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"1\" "
                   "FileModifiedDateTime=\"2020-01-01\" LocalRoot=\"/tmp/\" LocalFilename=\"\" "
                   "TransferDirection=\"Download\"/>\r\n</QueueList>\r\n");
    // The server refuses uploads into a folder its user cannot write.
    fs::create_directory(tree_.Root() + "/locked");
    fs::permissions(tree_.Root() + "/locked", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                                  | fs::perms::others_read | fs::perms::others_exec);
    WriteWholeFile(work_ + "/refused.bin", "refused\n");
    TRun add = Cli("queue add " + Quote(QueueFile()) + " --put " + Quote(work_ + "/refused.bin") + " " + Url("/locked/")
                   + " --get " + Url("/hello.txt") + " " + Quote(download));
    ASSERT_EQ(add.ExitCode, 0) << add.Err;
    EXPECT_EQ(QueuedItems(), 3);

    TRun run = Cli("queue run " + Quote(QueueFile()));
    EXPECT_EQ(run.ExitCode, 1) << run.Out << run.Err;
    EXPECT_EQ(CountOf(run.Out, "failed  Upload " + work_ + "/refused.bin -> /locked/refused.bin"), 2) << run.Out;
    EXPECT_THAT(run.Out, HasSubstr("done    Download /hello.txt"));
    EXPECT_THAT(run.Out, HasSubstr("1 done, 1 failed"));
    EXPECT_EQ(ReadWholeFile(download + "/hello.txt"), "Hello, world\n");
    EXPECT_FALSE(fs::exists(tree_.Root() + "/locked/refused.bin"));
    const std::string left = ReadWholeFile(QueueFile());
    EXPECT_THAT(left, HasSubstr("LocalFilename=\"" + work_ + "/refused.bin\""));
    EXPECT_THAT(left, HasSubstr("{00000000-0000-0000-0000-0000000000FF}"));
    EXPECT_THAT(left, Not(HasSubstr("/hello.txt")));

    // A target that cannot be reached at all fails "queue add" and queues nothing.
    TRun missing = Cli("queue add " + Quote(QueueFile()) + " --get " + Url("/no-such-file") + " " + Quote(download));
    EXPECT_NE(missing.ExitCode, 0);
    EXPECT_EQ(QueuedItems(), 2);
    TRun usage = Cli("queue run " + Quote(QueueFile()) + " --exists maybe");
    EXPECT_EQ(usage.ExitCode, 2);
}

TEST_F(CliQueueTest, ExistingTargetsAreAskedOnTheTerminal)
{
    const std::string download = work_ + "/download";
    const std::string server = ReadWholeFile(tree_.Root() + "/data.bin");
    fs::create_directories(download);
    // data.bin: a smaller local file (its own bytes, so a resume shows);
    // hello.txt: same size, other text.
    WriteWholeFile(download + "/data.bin", std::string(1000, 'X'));
    WriteWholeFile(download + "/hello.txt", "Howdy, world\n");
    const auto add = [&](const char* name) {
        return Cli("queue add " + Quote(QueueFile()) + " --get " + Url(name) + " " + Quote(download)).ExitCode;
    };

    // Same size: overwrite, for all files always.
    ASSERT_EQ(add("/hello.txt"), 0);
    TRun run = Cli("queue run " + Quote(QueueFile()) + " --exists ask", "o3\n");
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_EQ(CountOf(run.Err, "Filename: " + download + "/hello.txt"), 1) << run.Err;
    EXPECT_THAT(run.Err, HasSubstr("There is already a local file by same name and size"));
    EXPECT_THAT(run.Err, Not(HasSubstr("[r]esume"))) << "a complete file cannot be resumed";
    EXPECT_EQ(ReadWholeFile(download + "/hello.txt"), "Hello, world\n");
    EXPECT_THAT(ReadWholeFile(DataDir() + "/Config.xml"),
                HasSubstr("<LocalFileAlreadyExistsAction value=\"faeOverwrite\""));
    EXPECT_EQ(QueuedItems(), 0);

    // Smaller: resume, for this file.
    ASSERT_EQ(add("/data.bin"), 0);
    run = Cli("queue run " + Quote(QueueFile()) + " --exists ask", "r\n");
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_THAT(run.Err, HasSubstr("[r]esume"));
    EXPECT_EQ(ReadWholeFile(download + "/data.bin"), std::string(1000, 'X') + server.substr(1000));
    EXPECT_THAT(ReadWholeFile(DataDir() + "/Config.xml"), Not(HasSubstr("LocalFileSmallerAlreadyExistsAction")));
    EXPECT_EQ(QueuedItems(), 0);

    // No answer is Skip: the item stays in the file and nothing is written.
    WriteWholeFile(download + "/hello.txt", "Howdy, world\n");
    WriteWholeFile(DataDir() + "/Config.xml", "<?xml version=\"1.0\"?>\r\n<Config/>\r\n");
    ASSERT_EQ(add("/hello.txt"), 0);
    TRun skipped = Cli("queue run " + Quote(QueueFile()) + " --exists ask");
    EXPECT_EQ(skipped.ExitCode, 0) << skipped.Out << skipped.Err;
    EXPECT_THAT(skipped.Out, HasSubstr("skipped Download /hello.txt"));
    EXPECT_EQ(ReadWholeFile(download + "/hello.txt"), "Howdy, world\n");
    EXPECT_EQ(QueuedItems(), 1);

    // --exists skip answers without a question.
    TRun quiet = Cli("queue run " + Quote(QueueFile()) + " --exists skip");
    EXPECT_EQ(quiet.ExitCode, 0) << quiet.Out << quiet.Err;
    EXPECT_THAT(quiet.Err, Not(HasSubstr("Filename: ")));
    EXPECT_EQ(ReadWholeFile(download + "/hello.txt"), "Howdy, world\n");
}

// --exists resume: a smaller remote file is continued from its size, one
// at least as large counts as complete and stays untouched.
TEST_F(CliQueueTest, ResumeContinuesSmallerUploadsAndLeavesCompleteOnes)
{
    const std::string content = FixtureTree::Pattern(200000, 11);
    WriteWholeFile(work_ + "/part.bin", content);
    WriteWholeFile(work_ + "/whole.bin", content);
    // The remote part differs from the local bytes, so a resume shows.
    WriteWholeFile(tree_.Root() + "/upload/part.bin", std::string(70000, 'R'));
    WriteWholeFile(tree_.Root() + "/upload/whole.bin", std::string(200000, 'W'));
    const passwd* user = ::getpwnam(kTestUser);
    ASSERT_NE(user, nullptr);
    for (const char* name : {"/upload/part.bin", "/upload/whole.bin"})
        ASSERT_EQ(::chown((tree_.Root() + name).c_str(), user->pw_uid, user->pw_gid), 0);
    ASSERT_EQ(Cli("queue add " + Quote(QueueFile()) + " --put " + Quote(work_ + "/part.bin") + " " + Url("/upload/")
                  + " --put " + Quote(work_ + "/whole.bin") + " " + Url("/upload/"))
                  .ExitCode,
              0);

    TRun run = Cli("queue run " + Quote(QueueFile()) + " --exists resume");
    EXPECT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_EQ(ReadWholeFile(tree_.Root() + "/upload/part.bin"), std::string(70000, 'R') + content.substr(70000));
    EXPECT_EQ(ReadWholeFile(tree_.Root() + "/upload/whole.bin"), std::string(200000, 'W'));
    EXPECT_THAT(run.Out, HasSubstr("skipped Upload " + work_ + "/whole.bin"));
    EXPECT_EQ(QueuedItems(), 1);
}

class CliQueueTlsTest : public CliQueueTest {
protected:
    CliQueueTlsTest() : CliQueueTest(true) {}
};

// The server requires TLS for the login and every data connection.
TEST_F(CliQueueTlsTest, QueueOverExplicitTlsEndsByteIdentical)
{
    const std::string download = work_ + "/download";
    WriteWholeFile(work_ + "/up.bin", FixtureTree::Pattern(120000, 13));
    // Trusted for this command only.
    TRun add = Cli("queue add " + Quote(QueueFile()) + " --trust " + cert_->FingerprintSHA256() + " --tls --get " + Url("/data.bin") + " " + Quote(download)
                   + " --get " + Url("/sub/") + " " + Quote(download) + " --put " + Quote(work_ + "/up.bin") + " "
                   + Url("/upload/"));
    ASSERT_EQ(add.ExitCode, 0) << add.Err;
    EXPECT_THAT(ReadWholeFile(DataDir() + "/QuickHosts.xml"), HasSubstr("UseSSL=\"True\""));

    // The certificate is self-signed: until it is trusted nothing transfers,
    // and the queue stays for the next run.
    TRun run = Cli("queue run " + Quote(QueueFile()));
    EXPECT_NE(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_THAT(run.Out, HasSubstr("The server's certificate was not accepted."));
    EXPECT_THAT(run.Err, HasSubstr(cert_->FingerprintSHA256()));
    EXPECT_FALSE(fs::exists(download + "/data.bin"));
    EXPECT_EQ(QueuedItems(), 3);

    // Trusted always, as the program stores it.
    TTrustedCertificates(DataDir()).Trust({"127.0.0.1", server_.Port(), cert_->FingerprintSHA256(), "CN=localhost", 0});
    run = Cli("queue run " + Quote(QueueFile()));
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_EQ(ReadWholeFile(download + "/data.bin"), ReadWholeFile(tree_.Root() + "/data.bin"));
    EXPECT_EQ(ReadWholeFile(download + "/sub/inner.txt"), "inner\n");
    EXPECT_EQ(ReadWholeFile(tree_.Root() + "/upload/up.bin"), ReadWholeFile(work_ + "/up.bin"));
    EXPECT_EQ(QueuedItems(), 0);
}

} // namespace
