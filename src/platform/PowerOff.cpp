#include "platform/PowerOff.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <atomic>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

std::string NewConnectionName()
{
    static std::atomic<int> counter{0};
    return "tovrel-poweroff-" + std::to_string(++counter);
}

} // namespace

TLogindPowerOff::TLogindPowerOff(std::string busAddress)
    : busAddress_(std::move(busAddress)), connectionName_(NewConnectionName())
{
}

TLogindPowerOff::~TLogindPowerOff()
{
    if (!busAddress_.empty())
        QDBusConnection::disconnectFromBus(QString::fromStdString(connectionName_));
}

bool TLogindPowerOff::PowerOff()
{
    QDBusConnection bus = busAddress_.empty()
                              ? QDBusConnection::systemBus()
                              : QDBusConnection::connectToBus(QString::fromStdString(busAddress_),
                                                              QString::fromStdString(connectionName_));
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("PowerOff"));
    call << true; // interactive: let the policy agent ask for rights
    // The answer (or a refusal) is not waited for: the system is going down
    // or has said no, and neither changes what the program does.
    return bus.send(call);
}
