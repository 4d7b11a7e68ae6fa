#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class HandOffProcessTest : public ::testing::Test {
protected:
    QTemporaryDir runtime_;
    QTemporaryDir data_;
    QTemporaryDir work_;

    void Prepare(QProcess& process, int messages) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("PROBE_DATA_DIR", data_.path());
        env.insert("PROBE_MESSAGES", QString::number(messages));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work_.path());
        process.setProgram(TOVREL_HANDOFF_PROBE);
    }
    // Runs a start to its end; answers its output.
    std::string Run(const QStringList& args, int* exitCode = nullptr) const
    {
        QProcess process;
        Prepare(process, 0);
        process.setArguments(args);
        process.start();
        EXPECT_TRUE(process.waitForFinished(30000));
        if (exitCode)
            *exitCode = process.exitCode();
        return process.readAllStandardOutput().toStdString();
    }
};

std::string ReadLine(QProcess& process)
{
    while (!process.canReadLine())
        if (!process.waitForReadyRead(20000))
            return "(nothing)";
    return process.readLine().trimmed().toStdString();
}

} // namespace

TEST_F(HandOffProcessTest, FirstStartActsOnItsRequestAndLaterStartsHandTheirsOver)
{
    QProcess first;
    Prepare(first, 3);
    first.setArguments({"ftp://first.example/pub/"});
    first.start();
    ASSERT_EQ(ReadLine(first), "running");
    EXPECT_EQ(ReadLine(first), "url ftp://first.example/pub/"); // after its start-up

    int code = -1;
    EXPECT_EQ(Run({"--upload", "1", "notes.txt", "/abs/dir"}, &code), "handed over\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadLine(first), "files 1 " + work_.path().toStdString() + "/notes.txt /abs/dir");

    EXPECT_EQ(Run({"--upload", "x", "a"}, &code).rfind("failed: ", 0), 0u);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(Run({}, &code), "already running\n");

    EXPECT_EQ(Run({"ftp://second.example/"}), "handed over\n");
    EXPECT_EQ(ReadLine(first), "url ftp://second.example/");
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitCode(), 0);

    // With nobody running, the next start runs itself.
    EXPECT_EQ(Run({"--upload", "0", "/x"}), "running\n");
}
