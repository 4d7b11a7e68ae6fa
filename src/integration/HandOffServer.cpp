#include "integration/HandOffServer.h"

#include "platform/PrivateFolder.h"
#include "platform/XdgPaths.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <exception>
#include <unistd.h>

namespace {

constexpr int kConnectionTimeoutMs = 10000;
constexpr std::size_t kMaxConnections = 16;

} // namespace

std::string THandOffServer::SocketName(const std::string& dataDirectory)
{
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(dataDirectory),
                                                       QCryptographicHash::Sha256).toHex().left(16);
    const std::string runtime = TXdgPaths::RuntimeDir();
    // Never a shared folder: another user could listen there first.
    std::string folder = runtime;
    if (folder.empty()) {
        try {
            folder = PrivateTempFolder();
        } catch (const std::exception&) {
            folder = dataDirectory; // the user's own, too
        }
    }
    return folder + "/tovrel-ftp-" + std::to_string(::getuid()) + "-" + digest.toStdString() + ".sock";
}

THandOffServer::THandOffServer(std::string socketName)
    : name_(std::move(socketName)), alive_(std::make_shared<bool>(true))
{
}

THandOffServer::~THandOffServer()
{
    *alive_ = false;
    // The sockets are the server's children; they go with it, silently.
    for (auto& [socket, parser] : parsers_)
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
    parsers_.clear();
    server_.reset();
}

bool THandOffServer::IsListening() const { return server_ && server_->isListening(); }

bool THandOffServer::Listen()
{
    const QString name = QString::fromStdString(name_);
    otherInstance_ = false;
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(1000)) {
            otherInstance_ = true; // hand over instead
            return false;
        }
    }
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { Accept(); });
    if (!server_->listen(name)) {
        server_.reset();
        return false;
    }
    return true;
}

void THandOffServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (parsers_.size() >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        parsers_.emplace(socket, THandOffParser{});
        QObject::connect(socket, &QLocalSocket::readyRead, [this, socket] { Read(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, [this, socket] {
            if (parsers_.erase(socket) > 0)
                socket->deleteLater();
        });
        QTimer::singleShot(kConnectionTimeoutMs, socket, [this, socket] {
            if (parsers_.contains(socket) && parsers_[socket].State() == THandOffParser::TState::NeedMore) {
                if (OnRefused)
                    OnRefused("the hand-off connection sent no whole message in time");
                Finish(socket, false);
            }
        });
        Read(socket);
    }
}

void THandOffServer::Read(QLocalSocket* socket)
{
    const auto found = parsers_.find(socket);
    if (found == parsers_.end())
        return;
    THandOffParser& parser = found->second;
    if (parser.State() != THandOffParser::TState::NeedMore)
        return;
    const QByteArray bytes = socket->readAll();
    switch (parser.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
    case THandOffParser::TState::NeedMore:
        return;
    case THandOffParser::TState::Refused:
        if (OnRefused)
            OnRefused(parser.RefusalReason());
        Finish(socket, false);
        return;
    case THandOffParser::TState::Complete:
        Deliver(parser.Message());
        Finish(socket, true);
        return;
    }
}

void THandOffServer::Finish(QLocalSocket* socket, bool accepted)
{
    socket->write(accepted ? "A" : "R", 1);
    socket->flush();
    socket->disconnectFromServer();
}

void THandOffServer::Deliver(const THandOffMessage& message)
{
    // From the event loop: a handler may run a dialog's own loop.
    QTimer::singleShot(0, server_.get(), [this, alive = alive_, message] {
        if (!*alive)
            return;
        if (message.Type == THandOffMessage::WM_BROWSERURL) {
            if (OnURL)
                OnURL(message.Text);
        } else if (message.Type == THandOffMessage::WM_ACTIVATE) {
            if (OnActivate)
                OnActivate();
        } else if (OnFiles) {
            OnFiles(message.Parameter, message.Paths());
        }
    });
}
