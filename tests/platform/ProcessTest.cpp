#include "platform/Dialup.h"
#include "platform/PowerOff.h"
#include "platform/ProcessRunner.h"
#include "QtCoreTestApp.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

namespace {

QCoreApplication& App()
{
    return TestCoreApp();
}

bool Spin(const std::function<bool()>& done)
{
    return SpinUntil(done);
}

// logind's manager object as far as the program uses it: records the calls.
class FakeLogind : public QDBusVirtualObject {
public:
    std::vector<QDBusMessage> Calls;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        Calls.push_back(message);
        connection.send(message.createReply());
        return true;
    }
};

} // namespace

TEST(ProcessRunner, ReportsTheExitOnTheStartingThread)
{
    App();
    TProcessRunner runner;
    int exits = 0;
    runner.OnExit = [&](TProcessRunner& r) {
        EXPECT_EQ(&r, &runner);
        EXPECT_FALSE(r.Running());
        ++exits;
    };
    ASSERT_TRUE(runner.Start({"sh", "-c", "exit 3"}));
    EXPECT_TRUE(Spin([&] { return exits == 1; }));
    EXPECT_FALSE(runner.Start({}));

    TProcessRunner missing;
    EXPECT_FALSE(missing.Start({"/nonexistent/editor", "file"}));
}

TEST(ProcessRunner, DestroyingTheRunnerLeavesTheProgramRunning)
{
    App();
    int pid = -1;
    {
        TProcessRunner runner;
        runner.OnExit = [](TProcessRunner&) { ADD_FAILURE() << "no report after destruction"; };
        ASSERT_TRUE(runner.Start({"sleep", "30"}));
        pid = runner.ProcessId();
    }
    EXPECT_EQ(::kill(pid, 0), 0); // still there: an editor outlives the window
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    QCoreApplication::processEvents();
}

TEST(Dialup, NoPhonebookAndNothingToDial)
{
    EXPECT_TRUE(TDialup::PhonebookNames().empty());
    EXPECT_TRUE(TDialup::EnsureDialup(""));
    EXPECT_TRUE(TDialup::EnsureDialup("My modem"));
}

TEST(PowerOff, AsksLogindOverDBusToPowerOffInteractively)
{
    App();
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000)) << "dbus-daemon is needed";
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection logind = QDBusConnection::connectToBus(address, "fake-logind");
        ASSERT_TRUE(logind.isConnected());
        ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
        FakeLogind manager;
        ASSERT_TRUE(logind.registerVirtualObject("/org/freedesktop/login1", &manager));

        TLogindPowerOff powerOff(address.toStdString());
        EXPECT_TRUE(powerOff.PowerOff());
        ASSERT_TRUE(Spin([&] { return !manager.Calls.empty(); }));
        const QDBusMessage& call = manager.Calls.front();
        EXPECT_EQ(call.interface(), "org.freedesktop.login1.Manager");
        EXPECT_EQ(call.member(), "PowerOff");
        ASSERT_EQ(call.arguments().size(), 1);
        EXPECT_EQ(call.arguments().front().toBool(), true);
        logind.unregisterObject("/org/freedesktop/login1");
    }
    QDBusConnection::disconnectFromBus("fake-logind");
    bus.terminate();
    bus.waitForFinished(5000);

    TLogindPowerOff noBus("unix:path=/nonexistent/bus");
    EXPECT_FALSE(noBus.PowerOff());
}
