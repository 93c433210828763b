#include "platform/command_channel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

QString channelFile(const QString &settingsPath)
{
    const QFileInfo info(settingsPath);
    const QString path = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    return QStringLiteral("qv475-") +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256)
                                   .toHex()
                                   .left(24));
}

#ifndef Q_OS_WIN
// The folder is this user's own: a real folder (not a link), owned by this user, that no
// one else may enter or write. Empty, or why not.
QString privateFolderFault(const QString &folder)
{
    struct stat st {
    };
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder (a link or a file)");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user (uid %1)").arg(st.st_uid);
    if (st.st_mode & (S_IRWXG | S_IRWXO))
        return QStringLiteral("others may enter it (mode %1)").arg(st.st_mode & 0777, 3, 8);
    return {};
}

QString fallbackFolder()
{
    return QStringLiteral("/tmp/qv475-%1").arg(::geteuid());
}

// The user ids of the program at the other end of a connected socket.
std::optional<uid_t> peerUser(QLocalSocket &socket)
{
#ifdef SO_PEERCRED
    struct ucred cred {
    };
    socklen_t size = sizeof cred;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0)
        return cred.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(int(socket.socketDescriptor()), &uid, &gid) == 0)
        return uid;
#endif
    return std::nullopt;
}
#endif
} // namespace

QStringList channelNames(const QString &settingsPath)
{
    const QString file = channelFile(settingsPath);
#ifdef Q_OS_WIN
    // A named pipe, open to this user only (see CommandServer).
    return {file};
#else
    QStringList folders;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        folders << QDir::cleanPath(runtime);
    // The same folder for a program started where the variable is not set (cron, su).
    const QString run = QStringLiteral("/run/user/%1").arg(::geteuid());
    if (!folders.contains(run) && QFileInfo(run).isDir())
        folders << run;
    folders << fallbackFolder();
    QStringList out;
    for (const QString &folder : folders)
        out << folder + QLatin1Char('/') + file;
    return out;
#endif
}

CommandServer::CommandServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this)),
      m_check(new QTimer(this))
{
    // Only this user's programs may hand requests over.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    m_check->setTimerType(Qt::VeryCoarseTimer);
    connect(m_check, &QTimer::timeout, this, &CommandServer::check);
}

CommandServer::~CommandServer() = default;

QString CommandServer::where() const
{
    return m_path;
}

void CommandServer::serve(QLocalSocket *socket)
{
    if (m_clients.size() >= kMaxClients) {
        // A flood of idle connections takes no more than the bound.
        socket->abort();
        socket->deleteLater();
        return;
    }
    m_clients.insert(socket);
    connect(socket, &QObject::destroyed, this, [this, socket] { m_clients.remove(socket); });
    // A client that never finishes its line is dropped.
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start(kIdleMs);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto read = [this, socket, idle] {
        if (socket->property("taken").toBool())
            return;
        const qsizetype nl = socket->peek(kMaxRequest + 1).indexOf('\n');
        const QPointer<QLocalSocket> guard(socket);
        const Reply reply = [guard](const QByteArray &answer) {
            if (!guard || guard->property("answered").toBool())
                return;
            guard->setProperty("answered", true);
            guard->write(answer + '\n');
            guard->flush();
            guard->disconnectFromServer();
        };
        if (nl < 0) {
            if (socket->bytesAvailable() <= kMaxRequest)
                return; // more to come
            socket->setProperty("taken", true);
            reply(R"({"ok":false,"code":"too_long","error":"request too long"})");
            return;
        }
        socket->setProperty("taken", true);
        // The answer may wait for the disk: the client waits with its own bound.
        idle->stop();
        m_handler(socket->read(nl + 1).trimmed(), reply);
    };
    connect(socket, &QLocalSocket::readyRead, socket, read);
    read();
}

bool CommandServer::listen(const QStringList &names, QString *error)
{
    m_names = names;
    const bool ok = open(error);
    m_check->start(kCheckMs);
    return ok;
}

bool CommandServer::open(QString *error)
{
    m_server->close();
    if (m_names.isEmpty()) {
        *error = QStringLiteral("no place for the acknowledgement channel");
        return false;
    }
    QString name = m_names.first();
#ifndef Q_OS_WIN
    // The first folder that is this user's alone; the last one is made if it is missing.
    QStringList why;
    name.clear();
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        const QString folder = QFileInfo(m_names[i]).path();
        if (i == m_names.size() - 1 && !QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink())
            ::mkdir(QFile::encodeName(folder).constData(), 0700);
        const QString fault = privateFolderFault(folder);
        if (fault.isEmpty()) {
            name = m_names[i];
            break;
        }
        why << QStringLiteral("%1: %2").arg(folder, fault);
    }
    if (name.isEmpty()) {
        *error = QStringLiteral("no folder of this user's alone for the acknowledgement "
                                "channel (%1)")
                     .arg(why.join(QStringLiteral("; ")));
        return false;
    }
#endif
    m_path = name;
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // A channel left behind by a program that ended without closing it answers no one.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            *error = QStringLiteral("another program holds the acknowledgement channel: %1 (a "
                                    "program of this settings file runs already)")
                         .arg(name);
            return false;
        }
        QLocalServer::removeServer(name);
        if (m_server->listen(name))
            return true;
    }
    *error = QStringLiteral("the acknowledgement channel cannot be opened at %1: %2")
                 .arg(name, m_server->errorString());
    return false;
}

void CommandServer::check()
{
    // A socket removed under it, or an accept that failed (the descriptors ran out), closes
    // the channel: it is opened again, and said once until it holds.
    if (m_server->isListening() && QFileInfo::exists(m_server->fullServerName()))
        return;
#ifdef Q_OS_WIN
    if (m_server->isListening())
        return;
#endif
    QString error;
    if (open(&error)) {
        emit line(QStringLiteral("the acknowledgement channel was lost and is open again: ") +
                  m_path);
        m_lostSaid = false;
    } else if (!m_lostSaid) {
        m_lostSaid = true;
        emit line(QStringLiteral("the acknowledgement channel was lost; retrying: ") + error);
    }
}

std::optional<QByteArray> sendCommand(const QStringList &names, const QByteArray &request, int ms,
                                      QString *error, SendError *why)
{
    SendError dummy;
    if (!why)
        why = &dummy;
    if (request.size() > CommandServer::kMaxRequest) {
        *why = SendError::TooLong;
        *error = QStringLiteral("the request is %1 bytes; at most %2 are taken")
                     .arg(request.size())
                     .arg(CommandServer::kMaxRequest);
        return std::nullopt;
    }
    const QDeadlineTimer deadline(ms);
    QLocalSocket socket;
    QString where;
    *why = SendError::NoProgram;
    for (const QString &name : names) {
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
            where = name;
            break;
        }
        *error = socket.errorString();
    }
    if (where.isEmpty())
        return std::nullopt;
#ifndef Q_OS_WIN
    // Only a program of this user's own may receive the inspector's name and result.
    const auto peer = peerUser(socket);
    if (!peer || *peer != ::geteuid()) {
        *why = SendError::NotOurs;
        *error = peer ? QStringLiteral("the channel %1 is held by another user (uid %2); "
                                       "nothing was sent")
                            .arg(where)
                            .arg(*peer)
                      : QStringLiteral("the owner of the channel %1 cannot be told; nothing "
                                       "was sent")
                            .arg(where);
        return std::nullopt;
    }
#endif
    socket.write(request + '\n');
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.bytesAvailable() &&
            !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            answer += socket.read(CommandServer::kMaxRequest);
            if (answer.contains('\n'))
                break;
            *error =
                deadline.hasExpired() ? QStringLiteral("no answer in time") : socket.errorString();
            return std::nullopt;
        }
        answer += socket.read(CommandServer::kMaxRequest);
        if (answer.size() > CommandServer::kMaxRequest && !answer.contains('\n')) {
            *error = QStringLiteral("an answer that does not end");
            return std::nullopt;
        }
    }
    return answer.left(answer.indexOf('\n'));
}

} // namespace platform
