// Starts the real program with a private configuration home and the
// off-screen platform, then ends it the way a session manager or Ctrl+C
// would, and checks what it left in "Config.xml".

#include "ProgramWait.h"
#include "store/ConfigTestSupport.h"
#include "store/MainConfig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <pugixml.hpp>

#include <csignal>
#include <functional>

namespace {

constexpr const char* kEmptyConfig = "<?xml version=\"1.0\"?>\r\n<Config/>\r\n";

// True once the process catches both SIGTERM and SIGINT: from then on a
// signal closes it in order instead of killing it.
bool CatchesTerminationSignals(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:")) {
            const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
            const qulonglong wanted = (1ULL << (SIGTERM - 1)) | (1ULL << (SIGINT - 1));
            return (mask & wanted) == wanted;
        }
    return false;
}

class ProgramStartTest : public ::testing::Test {
protected:
    TScopedConfigHome home;
    QProcess program;

    void Start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home.Path()));
        env.insert(QStringLiteral("HOME"), QString::fromStdString(home.Path()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(TOVREL_APP_PATH));
        program.start();
        ASSERT_TRUE(program.waitForStarted(30000)) << program.errorString().toStdString();
        ASSERT_TRUE(WaitFor([this] { return CatchesTerminationSignals(program.processId()); }));
    }

    void SendAndWait(int signalNumber, int expectedExitCode)
    {
        ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), signalNumber), 0);
        ASSERT_TRUE(program.waitForFinished(30000)) << "the program did not end";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "killed instead of closing";
        EXPECT_EQ(program.exitCode(), expectedExitCode)
            << program.readAllStandardError().toStdString();
    }

    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    }

    void WriteConfig(const std::string& text)
    {
        QDir().mkpath(QString::fromStdString(home.DataDir()));
        WriteFileText(home.ConfigFile(), text);
    }
};

} // namespace

TEST_F(ProgramStartTest, FirstStartCreatesEmptyConfigAndTerminationSavesState)
{
    Start();
    ASSERT_TRUE(WaitFor([this] { return QFile::exists(QString::fromStdString(home.ConfigFile())); }));
    EXPECT_EQ(ReadFileText(home.ConfigFile()), kEmptyConfig);

    SendAndWait(SIGTERM, 0);

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(home.ConfigFile().c_str())) << ReadFileText(home.ConfigFile());
    TMainConfig config;
    EXPECT_EQ(config.ReadValue("SelectedBottomPageControlIndex", "<absent>"), "0");
    for (const char* key : {"MainFormTop", "MainFormLeft", "MainFormWidth", "MainFormHeight", "MainFormMaximized"})
        EXPECT_NE(config.ReadValue(key, "<absent>"), "<absent>") << key;
    EXPECT_EQ(config.MainFormWidth(), 700);
    EXPECT_EQ(config.MainFormHeight(), 500);
    EXPECT_FALSE(config.MainFormMaximized());
}

TEST_F(ProgramStartTest, InterruptKeepsStoredSettingsAndRestoresTheWindow)
{
    WriteConfig("<?xml version=\"1.0\"?>\r\n<Config>\r\n"
                "  <MainFormWidth value=\"640\"/>\r\n"
                "  <MainFormHeight value=\"480\"/>\r\n"
                "  <AnonymousEmail value=\"kept@example.org\"/>\r\n"
                "  <MainForm_IDS_53DialogDefault value=\"6\"/>\r\n"
                "</Config>\r\n");
    Start();
    SendAndWait(SIGINT, 0);

    TMainConfig config;
    EXPECT_EQ(config.MainFormWidth(), 640);
    EXPECT_EQ(config.MainFormHeight(), 480);
    EXPECT_EQ(config.AnonymousEmail(), "kept@example.org");
    EXPECT_EQ(config.DialogDefault("MainForm_IDS_53"), 6);
    EXPECT_EQ(config.SelectedBottomPageControlIndex(), 0);
    EXPECT_NE(config.ReadValue("SelectedBottomPageControlIndex", "<absent>"), "<absent>");
}

TEST_F(ProgramStartTest, WithoutRememberFormStateOnlyTheBottomPageAndViewStylesAreStored)
{
    const std::string stored = "<?xml version=\"1.0\"?>\r\n<Config>\r\n"
                               "  <RememberFormState value=\"False\"/>\r\n"
                               "</Config>\r\n";
    WriteConfig(stored);
    Start();
    SendAndWait(SIGTERM, 0);
    EXPECT_EQ(ReadFileText(home.ConfigFile()),
              "<?xml version=\"1.0\"?>\r\n<Config>\r\n"
              "  <RememberFormState value=\"False\"/>\r\n"
              "  <LocalViewStyle value=\"vsReport\"/>\r\n"
              "  <RemoteViewStyle value=\"vsReport\"/>\r\n"
              "  <SelectedBottomPageControlIndex value=\"0\"/>\r\n"
              "</Config>\r\n");
}

TEST_F(ProgramStartTest, DamagedConfigStopsTheStartAndIsLeftAlone)
{
    const std::string broken = "<?xml version=\"1.0\"?>\r\n<Config><TrayIcon value=\"True\">";
    WriteConfig(broken);
    Start();
    // The program reports the failure and waits for the user; a termination
    // request ends it without a main window.
    SendAndWait(SIGTERM, 1);
    EXPECT_EQ(ReadFileText(home.ConfigFile()), broken);
    EXPECT_TRUE(QDir(QString::fromStdString(home.DataDir())).entryList(QDir::Files) == QStringList{"Config.xml"});
}
