#include "platform/notify_sender.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QtNetwork/qtnetworkglobal.h>
#if QT_CONFIG(ssl)
#include <QSslCertificate>
#include <QSslConfiguration>
#endif
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <deque>

namespace platform {

namespace {
// The retry schedule: 1, 4, 9, 16 ... seconds after a failure, at most a minute.
int retryDelayMs(int attempt)
{
    return std::min(60, attempt * attempt) * 1000;
}

QString lastLine(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.isEmpty() ? QByteArray() : lines.last().trimmed())
        .left(200);
}
} // namespace

QString shownUrl(const QString &url)
{
    const QUrl u(url);
    if (!u.isValid() || u.host().isEmpty())
        return QStringLiteral("(an address that does not read)");
    const QString base = u.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                                    QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    return u.path().size() > 1 || u.hasQuery() ? base + QStringLiteral("/…") : base;
}

class NotifySender::Worker : public QObject
{
public:
    Worker(NotifySender *owner, const NotifyTarget &s) : m_owner(owner), m_s(s)
    {
        m_hook.name = QStringLiteral("web hook");
        m_command.name = QStringLiteral("command");
        for (Channel *c : {&m_hook, &m_command}) {
            c->retry.setParent(this); // moved to the thread with the worker
            c->retry.setSingleShot(true);
            connect(&c->retry, &QTimer::timeout, this, [this, c] { next(*c); });
        }
    }

    ~Worker() override
    {
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
        if (m_process) {
            m_process->disconnect(this);
            m_process->kill();
            m_process->waitForFinished(500);
        }
    }

    bool retrying = true;

    void add(const Delivery &n)
    {
        if (!m_s.url.isEmpty())
            enqueue(m_hook, n);
        if (!m_s.command.isEmpty())
            enqueue(m_command, n);
    }

private:
    struct Channel {
        QString name;
        std::deque<Delivery> queue;
        bool busy = false;
        int attempt = 0;
        QTimer retry;
        QString cause; // the failure said last; empty while it works
    };

    void say(const QString &text) { emit m_owner->line(hidden(text)); }

    // The text without the target's secrets: the headers' values, the URL's password,
    // path and query.
    QString hidden(QString text) const
    {
        for (const auto &[name, value] : m_s.headers)
            if (value.size() >= 4)
                text.replace(QString::fromUtf8(value), QStringLiteral("***"));
        if (!m_s.url.isEmpty())
            text.replace(m_s.url, shownUrl(m_s.url));
        const QUrl u(m_s.url);
        if (!u.password().isEmpty())
            text.replace(u.password(), QStringLiteral("***"));
        return text;
    }

    void enqueue(Channel &c, const Delivery &n)
    {
        if (c.queue.size() >= size_t(kQueueBound)) {
            say(QStringLiteral("Notify: %1 queue full (%2); the oldest notice (%3 at %4) dropped")
                    .arg(c.name)
                    .arg(kQueueBound)
                    .arg(c.queue.front().code, c.queue.front().time));
            c.queue.pop_front();
            --m_owner->m_waiting;
        }
        c.queue.push_back(n); // counted as waiting when it was sent
        if (!c.busy && !c.retry.isActive())
            next(c);
    }

    void next(Channel &c)
    {
        if (c.busy || c.queue.empty())
            return;
        c.busy = true;
        if (&c == &m_hook)
            post(c.queue.front());
        else
            run(c.queue.front());
    }

    // One try ended: the notice goes, or waits for its retry.
    void finished(Channel &c, bool ok, bool permanent, const QString &sent, const QString &answer)
    {
        c.busy = false;
        const Delivery n = c.queue.front();
        emit m_owner->tried(n.code, c.name, ok, hidden(sent), hidden(answer));
        if (ok) {
            if (!c.cause.isEmpty())
                say(QStringLiteral("Notify: %1 works again").arg(c.name));
            c.cause.clear();
            c.attempt = 0;
        } else if (answer != c.cause) {
            c.cause = answer;
            say(QStringLiteral("Notify: %1 failed: %2").arg(c.name, answer));
        }
        if (ok || permanent || !retrying) {
            c.queue.pop_front();
            --m_owner->m_waiting;
            c.attempt = 0;
            next(c);
            return;
        }
        c.retry.start(retryDelayMs(++c.attempt));
    }

    // A site's own authority, trusted beside the system's (said at the first post, when
    // someone listens).
    void loadAuthority()
    {
        if (m_s.caFile.isEmpty())
            return;
#if QT_CONFIG(ssl)
        const QList<QSslCertificate> own = QSslCertificate::fromPath(m_s.caFile);
        if (own.isEmpty())
            say(QStringLiteral("Notify: CaFile %1 holds no certificate that reads; only the "
                               "system's authorities are trusted")
                    .arg(m_s.caFile));
        m_ssl = QSslConfiguration::defaultConfiguration();
        m_ssl.addCaCertificates(own);
#else
        say(QStringLiteral("Notify: this build has no TLS; CaFile %1 is not used").arg(m_s.caFile));
#endif
    }

    void post(const Delivery &n)
    {
        if (!m_net) {
            m_net = new QNetworkAccessManager(this);
            m_net->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
            loadAuthority();
        }
        QNetworkRequest request{QUrl(m_s.url)};
        request.setTransferTimeout(kRequestBoundMs);
        request.setHeader(QNetworkRequest::ContentTypeHeader, m_s.contentType);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("qv475"));
        for (const auto &[name, value] : m_s.headers)
            request.setRawHeader(name, value);
#if QT_CONFIG(ssl)
        if (!m_s.caFile.isEmpty())
            request.setSslConfiguration(m_ssl);
#endif
        const QByteArray body = n.body;
        m_reply = m_net->post(request, body);
        QNetworkReply *reply = m_reply;
        connect(reply, &QNetworkReply::finished, this, [this, reply, body] {
            reply->deleteLater();
            m_reply = nullptr;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray answer = reply->isOpen() ? reply->read(300) : QByteArray();
            const bool ok =
                reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
            QString said = status ? QStringLiteral("HTTP %1").arg(status) : reply->errorString();
            if (!answer.trimmed().isEmpty())
                said += QStringLiteral(": ") + QString::fromUtf8(answer.trimmed()).left(200);
            // A refusal of the request itself will be refused again; a server's trouble,
            // a timeout or too many requests may pass.
            const bool permanent = status >= 400 && status < 500 && status != 408 && status != 429;
            finished(m_hook, ok, permanent,
                     QStringLiteral("POST %1 %2").arg(m_s.url, QString::fromUtf8(body)), said);
        });
    }

    void run(const Delivery &n)
    {
        m_process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : n.environment)
            env.insert(name, value);
        m_process->setProcessEnvironment(env);
        m_process->setProgram(m_s.command);
        m_process->setArguments({n.code});
        m_process->setStandardInputFile(QProcess::nullDevice());
        m_process->setStandardOutputFile(QProcess::nullDevice());
        const QString sent = QStringLiteral("%1 %2").arg(m_s.command, n.code);
        QProcess *p = m_process;
        auto *bound = new QTimer(p);
        bound->setSingleShot(true);
        connect(bound, &QTimer::timeout, p, [p] { p->kill(); });
        connect(p, &QProcess::errorOccurred, this, [this, p, sent](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart)
                return;
            p->deleteLater();
            m_process = nullptr;
            finished(m_command, false, false, sent,
                     QStringLiteral("cannot be run: %1").arg(p->errorString()));
        });
        connect(p, &QProcess::finished, this,
                [this, p, bound, sent](int code, QProcess::ExitStatus status) {
                    p->deleteLater();
                    m_process = nullptr;
                    const QString err = lastLine(p->readAllStandardError());
                    QString said;
                    if (!bound->isActive())
                        said = QStringLiteral("ended after %1 s").arg(m_s.commandBoundMs / 1000.0);
                    else if (status == QProcess::CrashExit)
                        said = QStringLiteral("crashed");
                    else
                        said = QStringLiteral("exit code %1").arg(code);
                    if (!err.isEmpty())
                        said += QStringLiteral(": ") + err;
                    finished(m_command, status == QProcess::NormalExit && code == 0, false, sent,
                             said);
                });
        bound->start(m_s.commandBoundMs);
        p->start();
    }

    NotifySender *m_owner;
    NotifyTarget m_s;
    Channel m_hook, m_command;
    QNetworkAccessManager *m_net = nullptr;
    QPointer<QNetworkReply> m_reply;
    QProcess *m_process = nullptr;
#if QT_CONFIG(ssl)
    QSslConfiguration m_ssl;
#endif
};

NotifySender::NotifySender(const NotifyTarget &settings, QObject *parent)
    : QObject(parent), m_thread(std::make_unique<QThread>()),
      m_channels(int(!settings.url.isEmpty()) + int(!settings.command.isEmpty()))
{
    m_thread->setObjectName(QStringLiteral("notify"));
    m_worker = new Worker(this, settings);
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
}

NotifySender::~NotifySender()
{
    Worker *worker = m_worker;
    QThread *thread = m_thread.get();
    QMetaObject::invokeMethod(worker, [worker, thread] {
        delete worker;
        thread->quit();
    });
    if (!m_thread->wait(kStopBoundMs))
        (void)m_thread.release(); // left to the process's end rather than waited for
}

void NotifySender::setRetrying(bool on)
{
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker, on] { worker->retrying = on; });
}

void NotifySender::send(const Delivery &delivery)
{
    m_waiting += m_channels;
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker, delivery] { worker->add(delivery); });
}

bool NotifySender::waitIdle(int ms)
{
    QDeadlineTimer deadline(ms);
    while (m_waiting > 0) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

} // namespace platform
