#include "platform/command_channel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace platform {

QString channelName(const QString &settingsPath)
{
    const QFileInfo info(settingsPath);
    const QString path = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    return QStringLiteral("qv475-") +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256)
                                   .toHex()
                                   .left(24));
}

CommandServer::CommandServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this))
{
    // Only this user's programs may hand requests over.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            // A client that never finishes its line is dropped.
            QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            auto serve = [this, socket] {
                if (socket->property("answered").toBool())
                    return;
                const qsizetype nl = socket->peek(kMaxRequest + 1).indexOf('\n');
                QByteArray answer;
                if (nl < 0) {
                    if (socket->bytesAvailable() <= kMaxRequest)
                        return; // more to come
                    answer = R"({"ok":false,"error":"request too long"})";
                } else {
                    answer = m_handler(socket->read(nl + 1).trimmed());
                }
                socket->setProperty("answered", true);
                socket->write(answer + '\n');
                socket->disconnectFromServer();
            };
            connect(socket, &QLocalSocket::readyRead, socket, serve);
            serve();
        }
    });
}

CommandServer::~CommandServer() = default;

bool CommandServer::listen(const QString &name, QString *error)
{
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // A channel left behind by a program that ended without closing it answers no one.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            *error = QStringLiteral("another program of this settings file is running");
            return false;
        }
        QLocalServer::removeServer(name);
        if (m_server->listen(name))
            return true;
    }
    *error = m_server->errorString();
    return false;
}

std::optional<QByteArray> sendCommand(const QString &name, const QByteArray &request, int ms,
                                      QString *error)
{
    const QDeadlineTimer deadline(ms);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        *error = socket.errorString();
        return std::nullopt;
    }
    socket.write(request + '\n');
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.bytesAvailable() &&
            !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            answer += socket.readAll();
            if (answer.contains('\n'))
                break;
            *error =
                deadline.hasExpired() ? QStringLiteral("no answer in time") : socket.errorString();
            return std::nullopt;
        }
        answer += socket.readAll();
    }
    return answer.left(answer.indexOf('\n'));
}

} // namespace platform
