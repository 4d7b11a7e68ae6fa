#include "integration/HandOffClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QString>
#include <QUrl>

#include <charconv>

namespace {

bool IsFtpLink(const std::string& arg)
{
    return QString::fromStdString(arg).startsWith(QStringLiteral("ftp://"), Qt::CaseInsensitive);
}

int ParseIndex(const std::string& text)
{
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        throw EHandOffMessageError("--upload needs a host index (0 or more), not '" + text + "'");
    return value;
}

} // namespace

std::optional<THandOffMessage> ParseHandOffArguments(const std::vector<std::string>& arguments,
                                                     const std::string& workingFolder)
{
    if (arguments.empty())
        return std::nullopt;
    if (IsFtpLink(arguments.front())) {
        THandOffMessage message = THandOffMessage::BrowserURL(arguments.front());
        message.Encode(); // checks the size now, while the user can be told
        return message;
    }
    if (arguments.front() != "--upload")
        return std::nullopt;
    if (arguments.size() < 3)
        throw EHandOffMessageError("usage: tovrel-ftp --upload HOSTINDEX FILE...");
    const int index = ParseIndex(arguments[1]);
    const QDir base(QString::fromStdString(workingFolder));
    std::vector<std::string> paths;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        QString path = QString::fromStdString(arguments[i]);
        if (path.startsWith(QStringLiteral("file://")))
            path = QUrl(path).toLocalFile();
        paths.push_back(QDir::cleanPath(base.absoluteFilePath(path)).toStdString());
    }
    THandOffMessage message = THandOffMessage::ExplorerFiles(index, paths);
    message.Encode();
    return message;
}

THandOffDelivery SendHandOff(const std::string& socketName, const THandOffMessage& message, int timeoutMs)
{
    const std::string bytes = message.Encode();
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketName));
    if (!socket.waitForConnected(timeoutMs))
        return THandOffDelivery::NoInstance;
    QElapsedTimer clock;
    clock.start();
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    while (socket.bytesToWrite() > 0 && clock.elapsed() < timeoutMs)
        if (!socket.waitForBytesWritten(static_cast<int>(timeoutMs - clock.elapsed())))
            break;
    while (socket.bytesAvailable() < 1 && clock.elapsed() < timeoutMs)
        if (!socket.waitForReadyRead(static_cast<int>(timeoutMs - clock.elapsed())))
            break;
    char answer = 0;
    if (socket.read(&answer, 1) != 1)
        return THandOffDelivery::Refused; // it answered the connection, then dropped it
    return answer == 'A' ? THandOffDelivery::Accepted : THandOffDelivery::Refused;
}
