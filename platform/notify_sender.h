// Sends notices to a web hook (an HTTP POST through Qt Network) and to a command (run
// without a shell through QProcess, the event's code its one argument, the values in its
// environment), on a thread of its own, so that nothing of the session waits for them.
// Each of the two has its queue (bounded: the oldest is dropped, with a line), sends one
// notice at a time, and retries a failed one after 1, 4, 9 ... seconds, at most a minute
// apart. A failure is said once per cause, and its end once.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class QThread;

namespace platform {

// Where notices go: a web hook, a command, or both.
struct NotifyTarget {
    QString url; // http or https; empty: none
    QString contentType;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QString caFile;             // a site's own authority, trusted beside the system's
    QString command;            // empty: none
    int commandBoundMs = 30000; // a command still running then is ended, and has failed
    int requestBoundMs = 30000; // a request not answered whole by then is ended, and failed
};

// One notice as it goes: the request's body, and the command's argument and environment.
struct Delivery {
    QString code; // the command's one argument
    QString time;
    QByteArray body;
    QList<std::pair<QString, QString>> environment;
};

// The URL as it may be shown: scheme, host and port, and "/…" for a path or query that may
// hold a token.
QString shownUrl(const QString &url);
// The text with every secret of the target masked as "***" (each header's value and its
// words, the URL's user, password, path parts and query values), whatever their length;
// the URL itself shown as shownUrl.
QString hideSecrets(const QString &text, const NotifyTarget &target);

class NotifySender : public QObject
{
    Q_OBJECT
public:
    static constexpr int kQueueBound = 100;
    static constexpr int kStopBoundMs = 2000;
    // What is kept of a hook's answer body and of a command's error output; the rest is
    // read and dropped (an answer is cut off there).
    static constexpr int kAnswerBytes = 300;
    static constexpr int kOutputTailBytes = 4096;
    // The largest CaFile= taken.
    static constexpr qint64 kCaFileBytes = 1024 * 1024;

    explicit NotifySender(const NotifyTarget &target, QObject *parent = nullptr);
    // Ends the thread within kStopBoundMs, whatever is still queued or running.
    ~NotifySender() override;

    // One try each, no retries (a test the user started).
    void setRetrying(bool on);
    // Queues the notice for the hook and the command the target names.
    void send(const Delivery &delivery);
    // Waits up to ms for both queues to be empty; false when the bound ran out.
    bool waitIdle(int ms);
    int waiting() const { return m_waiting; }

signals:
    // A line for the user: a failure (once per cause), its end, a notice dropped.
    void line(const QString &text);
    // One try ended: which channel ("web hook", "command"), what was sent and what came
    // back (the status and the start of the answer, the exit code and the last line of
    // the error output), with no secret in them.
    void tried(const QString &code, const QString &channel, bool ok, const QString &sent,
               const QString &answer);

private:
    class Worker;
    std::unique_ptr<QThread> m_thread;
    Worker *m_worker = nullptr;
    const int m_channels; // the hook and the command, as far as the settings name them
    std::atomic<int> m_waiting{0};
};

} // namespace platform
