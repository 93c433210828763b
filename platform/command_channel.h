// A local channel named after the settings file, where a second run of the program hands
// one request to the program already running with that file (an inspector acknowledging
// over a remote shell) and waits for its answer. Requests and answers are one line of
// JSON each.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;

namespace platform {

// The channel's name for a settings file: the same for every path that names that file.
QString channelName(const QString &settingsPath);

class CommandServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<QByteArray(const QByteArray &request)>;
    CommandServer(Handler handler, QObject *parent = nullptr);
    ~CommandServer() override;
    // False and *error when the channel cannot be opened (another program of the same
    // settings file holds it).
    bool listen(const QString &name, QString *error);

    // The longest request taken; a longer one is answered with an error.
    static constexpr int kMaxRequest = 4096;

private:
    Handler m_handler;
    QLocalServer *m_server = nullptr;
};

// Sends request (one line) and waits up to ms for the answer. Nothing and *error when no
// program listens on name or it did not answer in time.
std::optional<QByteArray> sendCommand(const QString &name, const QByteArray &request, int ms,
                                      QString *error);

} // namespace platform
