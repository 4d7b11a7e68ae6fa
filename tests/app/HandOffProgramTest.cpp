// The real program, started twice: a link given to the first start is
// opened after its start-up; later starts hand their link or files (or,
// without a request, the wish to see its window) to it and end at once;
// bad requests leave it running; a termination signal still closes it in
// order. Each link points at its own vsftpd on
// loopback; the program's open control connection to it shows that it
// connected.

#include "ProgramWait.h"
#include "servers/TestServers.h"
#include "store/MainConfig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <functional>
#include <cstdint>
#include <memory>

namespace {

class HandOffProgram : public ::testing::Test {
protected:
    QTemporaryDir home;
    QTemporaryDir runtime;

    // Not the first start, and nothing that asks at start-up: no tip of
    // the day, and the default-program question answered Yes once for all,
    // which makes the program the ftp link handler at every start.
    void SetUp() override
    {
        const QString data = home.path() + QStringLiteral("/Tovrel FTP");
        ASSERT_TRUE(QDir().mkpath(data));
        TMainConfig config(data.toStdString());
        config.SetFirstRun(false);
        config.SetShowTipOnStartup(false);
        config.SetDialogDefault("IDS_54", 6);
        config.Save();
    }

    void Prepare(QProcess& process, const QStringList& arguments) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProgram(QStringLiteral(TOVREL_APP_PATH));
        process.setArguments(arguments);
    }
    // A later start, run to its end; answers its exit code.
    int RunToEnd(const QStringList& arguments) const
    {
        QProcess start;
        Prepare(start, arguments);
        start.start();
        if (!start.waitForFinished(30000)) {
            start.kill();
            start.waitForFinished();
            return -1;
        }
        return start.exitStatus() == QProcess::NormalExit ? start.exitCode() : -1;
    }
    QString QuickHosts() const
    {
        QFile file(home.path() + QStringLiteral("/Tovrel FTP/QuickHosts.xml"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

// Whether some socket of this machine holds an established connection to
// 127.0.0.1:port (only the program under test connects there).
bool EstablishedTo(std::uint16_t port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString remote = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && QString::fromLatin1(fields[2]) == remote && fields[3] == "01")
            return true;
    }
    return false;
}

// An anonymous vsftpd for one link.
struct Site {
    FixtureTree tree;
    VsftpdServer server{tree.Root()};
    QString URL(const QString& path) const
    {
        return QStringLiteral("ftp://127.0.0.1:%1%2").arg(server.Port()).arg(path);
    }
    bool Connected() const
    {
        return WaitFor([this] { return EstablishedTo(server.Port()); });
    }
};

} // namespace

TEST_F(HandOffProgram, FirstStartOpensItsLinkAndLaterStartsHandTheirRequestsOver)
{
    Site first;
    QProcess program;
    Prepare(program, {first.URL(QStringLiteral("/sub/"))});
    program.start();
    ASSERT_TRUE(program.waitForStarted(30000));
    ASSERT_TRUE(first.Connected()) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(QuickHosts().contains(QStringLiteral("/sub")));
    QFile defaults(home.path() + QStringLiteral("/mimeapps.list"));
    ASSERT_TRUE(defaults.open(QIODevice::ReadOnly));
    EXPECT_TRUE(defaults.readAll().contains("x-scheme-handler/ftp=tovrel-ftp.desktop"));
    QFile entry(home.path() + QStringLiteral("/share/applications/tovrel-ftp.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(QByteArray(TOVREL_APP_PATH) + "\" %u"));

    // A second start with a link hands it over and ends.
    Site second;
    EXPECT_EQ(RunToEnd({second.URL(QStringLiteral("/upload/"))}), 0);
    ASSERT_TRUE(second.Connected());
    EXPECT_TRUE(QuickHosts().contains(QStringLiteral("/upload")));

    // Requests the running program cannot act on: accepted, ignored there.
    QTemporaryDir files;
    QFile handed(files.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(handed.open(QIODevice::WriteOnly));
    handed.close();
    EXPECT_EQ(RunToEnd({QStringLiteral("--upload"), QStringLiteral("7"), handed.fileName()}), 0);
    EXPECT_EQ(RunToEnd({QStringLiteral("ftp://")}), 0);
    // Started again without a request: ends at once, the running one shows its window.
    EXPECT_EQ(RunToEnd({}), 0);
    EXPECT_EQ(program.state(), QProcess::Running);

    // Still answering: the next link is opened too.
    Site third;
    EXPECT_EQ(RunToEnd({third.URL(QStringLiteral("/"))}), 0);
    ASSERT_TRUE(third.Connected());

    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    // Nobody runs now: the next start runs itself (and ends on its signal).
    Site fourth;
    QProcess next;
    Prepare(next, {fourth.URL(QStringLiteral("/"))});
    next.start();
    ASSERT_TRUE(next.waitForStarted(30000));
    ASSERT_TRUE(fourth.Connected());
    ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
    ASSERT_TRUE(next.waitForFinished(30000));
    EXPECT_EQ(next.exitCode(), 0);
}
