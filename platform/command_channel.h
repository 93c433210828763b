// A local channel named after the settings file, where a second run of the program hands
// one request to the program already running with that file (an inspector acknowledging
// over a remote shell) and waits for its answer. Requests and answers are one line of
// JSON each.
//
// On Linux the channel is a socket in a folder only its user can create and enter: the
// user's runtime folder ($XDG_RUNTIME_DIR, else /run/user/UID), else /tmp/qv475-UID made
// with mode 0700 and checked (owner, mode, not a link) before use. The client checks
// that the program that answers runs as its own user. TMPDIR plays no part.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace platform {

// Where the channel of a settings file may be, the first the place a program listens on
// when its folder is usable: the same for every path that names that file.
QStringList channelNames(const QString &settingsPath);

class CommandServer : public QObject
{
    Q_OBJECT
public:
    // Answers the request; callable once, from the server's thread, now or later.
    using Reply = std::function<void(const QByteArray &answer)>;
    using Handler = std::function<void(const QByteArray &request, const Reply &reply)>;
    CommandServer(Handler handler, QObject *parent = nullptr);
    ~CommandServer() override;
    // False and *error (for the user) when the channel cannot be opened: another program
    // of the same settings file holds it, or its folder is not this user's alone. A
    // channel that stops listening later (its socket removed, an accept that failed) is
    // opened again, and said.
    bool listen(const QStringList &names, QString *error);
    QString where() const;

    // The longest request taken; a longer one is answered with an error.
    static constexpr int kMaxRequest = 4096;
    // Clients served at once; one more is closed at once. An idle one is closed after
    // kIdleMs.
    static constexpr int kMaxClients = 16;
    static constexpr int kIdleMs = 5000;
    static constexpr int kCheckMs = 2000;

signals:
    // The channel was lost and is opened again, or cannot be.
    void line(const QString &text);

private:
    bool open(QString *error);
    void check();
    void serve(QLocalSocket *socket);

    Handler m_handler;
    QLocalServer *m_server = nullptr;
    QTimer *m_check = nullptr;
    QStringList m_names;
    QString m_path;
    bool m_lostSaid = false;
    QSet<QLocalSocket *> m_clients;
};

// The exit codes a client's failures map to.
enum class SendError { NoProgram, TooLong, NotOurs };

// Sends request (one line) and waits up to ms for the answer. Nothing, *error and *why
// when no program listens at any of names, it runs as another user, the request is
// over kMaxRequest, or it did not answer in time.
std::optional<QByteArray> sendCommand(const QStringList &names, const QByteArray &request, int ms,
                                      QString *error, SendError *why = nullptr);

} // namespace platform
