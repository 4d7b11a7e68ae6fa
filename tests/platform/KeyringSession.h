#pragma once
// A private D-Bus session bus for this test process, and on it, when asked,
// a real secret service (gnome-keyring-daemon, unlocked) with throwaway
// HOME and XDG folders. The bus has no activatable services, so without a
// started daemon nobody answers for the secret service, as on a bare
// session. Everything started here is stopped by the destructor.
//
// One session serves the whole process (Shared()): its address is set in the
// environment before anything connects to a bus, and both Qt and the
// secret-service library keep their first connection for the life of the
// process. The daemon, once started, keeps running; a case that needs a
// process where it never ran (no keyring yet, a keyring that appears later)
// checks KeyringEverStarted() and skips otherwise, which happens only when
// the cases run together in one process: ctest runs every case alone.

#include "QtCoreTestApp.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>

#include <sys/types.h>
#include <signal.h>

class TKeyringSession {
public:
    static TKeyringSession& Shared()
    {
        static TKeyringSession session;
        return session;
    }

    /// A session of its own, for a program with its own application object
    /// (widget tests); it must outlive every use of the keyring.
    TKeyringSession()
    {
        if (!QCoreApplication::instance())
            TestCoreApp();
        home_ = dir_.path() + QStringLiteral("/home");
        for (const char* sub : {"home", "home/data", "home/config", "home/cache", "run", "services"})
            QDir().mkpath(dir_.path() + QLatin1Char('/') + QLatin1String(sub));
        QFile::setPermissions(dir_.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        StartBus();
    }
    ~TKeyringSession()
    {
        StopKeyring();
        Stop(bus_);
    }
    TKeyringSession(const TKeyringSession&) = delete;
    TKeyringSession& operator=(const TKeyringSession&) = delete;

    bool KeyringEverStarted() const { return everStarted_; }
    bool KeyringRunning() const { return keyring_ && keyring_->state() == QProcess::Running; }

    bool BusRunning() const { return bus_ && bus_->state() == QProcess::Running; }
    const std::string& Address() const { return address_; }

    /// Starts gnome-keyring-daemon on the bus with an unlocked login
    /// keyring (`unlocked` false: with none, and no one to ask for a
    /// password, so every write is refused) and waits (at most 20 s) until
    /// it answers for the secret service.
    bool StartKeyring(bool unlocked = true)
    {
        if (KeyringRunning())
            return true;
        everStarted_ = true;
        keyring_ = std::make_unique<QProcess>();
        keyring_->setProcessEnvironment(DaemonEnvironment());
        keyring_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
        if (unlocked)
            arguments.prepend(QStringLiteral("--unlock"));
        keyring_->start(QStringLiteral("gnome-keyring-daemon"), arguments);
        if (!keyring_->waitForStarted(10000))
            return false;
        if (unlocked)
            keyring_->write("test-login-password");
        keyring_->closeWriteChannel();
        return SpinUntil([] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                         QStringLiteral("org.freedesktop.secrets")); },
                         20000);
    }
    void StopKeyring() { Stop(keyring_); }
    /// A keyring that takes requests and never answers them.
    void FreezeKeyring() { Signal(SIGSTOP); }
    void ThawKeyring() { Signal(SIGCONT); }

    /// The environment of a child process that shares this session.
    std::string ShellEnvironment() const
    {
        return "DBUS_SESSION_BUS_ADDRESS='" + address_ + "' XDG_RUNTIME_DIR='" + Path("run") + "'";
    }

private:
    std::string Path(const char* sub) const { return (dir_.path() + QLatin1Char('/') + QLatin1String(sub)).toStdString(); }

    void StartBus()
    {
        const QString config = dir_.path() + QStringLiteral("/bus.conf");
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen><servicedir>%2</servicedir>"
                       "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(dir_.path() + QStringLiteral("/run"), dir_.path() + QStringLiteral("/services"))
                       .toUtf8());
        file.close();
        bus_ = std::make_unique<QProcess>();
        bus_->setProcessChannelMode(QProcess::SeparateChannels);
        bus_->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                                    QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus_->waitForStarted(10000)) << "dbus-daemon could not be started";
        ASSERT_TRUE(SpinUntil([this] { return bus_->canReadLine(); }, 10000)) << "dbus-daemon printed no address";
        address_ = bus_->readLine().trimmed().toStdString();
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(address_));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(Path("run")));
    }

    QProcessEnvironment DaemonEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(address_));
        env.insert(QStringLiteral("HOME"), home_);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_ + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_ + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home_ + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(Path("run")));
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }

    void Signal(int signal)
    {
        if (keyring_ && keyring_->state() == QProcess::Running)
            ::kill(static_cast<pid_t>(keyring_->processId()), signal);
    }

    static void Stop(std::unique_ptr<QProcess>& process)
    {
        if (!process)
            return;
        if (process->state() == QProcess::Running) {
            ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        process.reset();
    }

    QTemporaryDir dir_;
    QString home_;
    std::string address_;
    std::unique_ptr<QProcess> bus_;
    std::unique_ptr<QProcess> keyring_;
    bool everStarted_ = false;
};
