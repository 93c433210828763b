#include "platform/notify_sender.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
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
#include <QUrlQuery>
#include <algorithm>
#include <deque>
#ifndef Q_OS_WIN
#include <signal.h>
#include <unistd.h>
#endif

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

// The end of a command's error output, as much as its last line needs: what came before
// is dropped as it arrives, so that a command that writes without end holds no memory.
void keepTail(QByteArray &tail, const QByteArray &more)
{
    tail += more;
    if (tail.size() > NotifySender::kOutputTailBytes)
        tail = tail.right(NotifySender::kOutputTailBytes);
}

// A character that continues a word, a number or an address ("127.0.0.1", "a-b_c").
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || QStringView(u"_-.:").contains(c);
}

// Replaces each occurrence of secret in text by "***". A secret under four characters is
// replaced only where it stands as a word of its own, so that "HTTP 401" keeps its shape
// beside a one-letter value.
void mask(QString &text, const QString &secret)
{
    if (secret.isEmpty())
        return;
    const bool wholeWords = secret.size() < 4;
    for (qsizetype at = text.indexOf(secret); at >= 0; at = text.indexOf(secret, at)) {
        const qsizetype end = at + secret.size();
        if (wholeWords && ((at > 0 && isWordChar(text[at - 1])) ||
                           (end < text.size() && isWordChar(text[end])))) {
            at = end;
            continue;
        }
        text.replace(at, secret.size(), QStringLiteral("***"));
        at += 3;
    }
}

// Every value of the target that may be a secret: each header's value and its words but
// the scheme's name, the URL's user and password, its path's parts and its query's values.
QStringList secretsOf(const NotifyTarget &t)
{
    static const QStringList schemes{QStringLiteral("Bearer"), QStringLiteral("Basic"),
                                     QStringLiteral("Digest"), QStringLiteral("Token")};
    QStringList out;
    for (const auto &[name, value] : t.headers) {
        const QString v = QString::fromUtf8(value);
        out << v;
        for (const QString &word : v.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (!schemes.contains(word, Qt::CaseInsensitive))
                out << word;
    }
    const QUrl u(t.url);
    out << u.userName() << u.password();
    // A path's part that may be a token (digits, capitals, or long); "hook" or "api" are
    // words of the address, not secrets, and never shown as part of it anyway.
    for (const QString &part : u.path().split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part.size() > 20 || std::any_of(part.begin(), part.end(),
                                            [](QChar c) { return c.isDigit() || c.isUpper(); }))
            out << part;
    for (const auto &[key, value] : QUrlQuery(u).queryItems(QUrl::FullyDecoded))
        out << value;
    out.removeAll(QString());
    out.removeDuplicates();
    // The longest first, so that a part of a longer secret does not leave the rest shown.
    std::sort(out.begin(), out.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return out;
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

namespace {
// Ends a command and whatever it started (its process group).
void endGroup(QProcess *p)
{
#ifndef Q_OS_WIN
    if (const qint64 pid = p->processId(); pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
#endif
    p->kill();
}
} // namespace

QString hideSecrets(const QString &text, const NotifyTarget &target)
{
    QString out = text;
    if (!target.url.isEmpty())
        out.replace(target.url, shownUrl(target.url));
    for (const QString &secret : secretsOf(target))
        mask(out, secret);
    return out;
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
            endGroup(m_process);
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

    QString hidden(const QString &text) const { return hideSecrets(text, m_s); }

    void enqueue(Channel &c, const Delivery &n)
    {
        if (c.queue.size() >= size_t(kQueueBound)) {
            say(QCoreApplication::translate(
                    "output",
                    "通知: %1 の待ち行列が満杯 (%2) のため、最も古い通知 (%3, %4) を捨てました")
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
                say(QCoreApplication::translate("output", "通知: %1 が復旧しました").arg(c.name));
            c.cause.clear();
            c.attempt = 0;
        } else if (answer != c.cause) {
            c.cause = answer;
            say(QCoreApplication::translate("output", "通知: %1 が失敗しました: %2")
                    .arg(c.name, answer));
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
        // Read within its bound: a site's authority is a few kB.
        QFile f(m_s.caFile);
        const QFileInfo info(m_s.caFile);
        QList<QSslCertificate> own;
        if (info.isFile() && info.size() <= kCaFileBytes && f.open(QIODevice::ReadOnly)) {
            const QByteArray pem = f.read(kCaFileBytes + 1);
            if (pem.size() <= kCaFileBytes)
                own = QSslCertificate::fromData(pem);
        }
        if (own.isEmpty())
            say(QCoreApplication::translate("output", "通知: CaFile %1 に読める証明書がないため、"
                                                      "ｼｽﾃﾑの認証局だけを信頼します")
                    .arg(m_s.caFile));
        m_ssl = QSslConfiguration::defaultConfiguration();
        m_ssl.addCaCertificates(own);
#else
        say(QCoreApplication::translate(
                "output", "通知: このﾋﾞﾙﾄﾞはTLSを持たないため、CaFile %1 は使いません")
                .arg(m_s.caFile));
#endif
    }

    void post(const Delivery &n)
    {
        if (!m_net) {
            m_net = new QNetworkAccessManager(this);
            // A redirect is never followed: it would carry the body and the headers'
            // secrets to wherever the answer points.
            m_net->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
            loadAuthority();
        }
        QNetworkRequest request{QUrl(m_s.url)};
        request.setTransferTimeout(m_s.requestBoundMs);
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
        // The answer is read up to its first bytes; the rest is never held.
        reply->setReadBufferSize(kAnswerBytes);
        auto answer = std::make_shared<QByteArray>();
        auto bound = new QTimer(reply);
        bound->setSingleShot(true);
        const QString sent = QStringLiteral("POST %1 %2").arg(m_s.url, QString::fromUtf8(body));
        auto conclude = [this, reply, answer, bound, sent](bool cut) {
            if (reply->property("concluded").toBool())
                return;
            reply->setProperty("concluded", true);
            const bool timedOut = !bound->isActive();
            bound->stop();
            reply->disconnect(this);
            reply->deleteLater();
            m_reply = nullptr;
            if (!cut && reply->isOpen())
                *answer += reply->read(kAnswerBytes - answer->size());
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (cut || timedOut)
                reply->abort();
            bool ok =
                (cut || reply->error() == QNetworkReply::NoError) && status >= 200 && status < 300;
            QString said;
            if (timedOut && !cut)
                said =
                    QStringLiteral("no whole answer within %1 s").arg(m_s.requestBoundMs / 1000.0);
            else
                said = status ? QStringLiteral("HTTP %1").arg(status) : reply->errorString();
            if (status >= 300 && status < 400) {
                // Said with where it points, without its path that may hold a token.
                const QUrl to = reply->url().resolved(
                    QUrl::fromEncoded(reply->rawHeader("Location").left(kAnswerBytes)));
                said += QStringLiteral(": redirected to %1, not followed")
                            .arg(to.host().isEmpty() ? QStringLiteral("(no address)") : to.host());
                ok = false;
            } else if (!answer->trimmed().isEmpty()) {
                said +=
                    QStringLiteral(": ") + QString::fromUtf8(answer->trimmed()).left(kAnswerBytes);
            }
            // A refusal of the request itself will be refused again; a server's trouble,
            // a timeout or too many requests may pass.
            const bool permanent = status >= 400 && status < 500 && status != 408 && status != 429;
            finished(m_hook, ok, permanent, sent, said);
        };
        connect(reply, &QNetworkReply::readyRead, this, [reply, answer, conclude] {
            *answer += reply->read(kAnswerBytes - answer->size());
            if (answer->size() >= kAnswerBytes)
                conclude(true);
        });
        connect(reply, &QNetworkReply::finished, this, [conclude] { conclude(false); });
        // The whole request, however slowly its answer trickles in.
        connect(bound, &QTimer::timeout, this, [conclude] { conclude(false); });
        bound->start(m_s.requestBoundMs);
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
#ifndef Q_OS_WIN
        // A group of its own, so that what it starts ends with it at the bound.
        m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
        const QString sent = QStringLiteral("%1 %2").arg(m_s.command, n.code);
        QProcess *p = m_process;
        auto tail = std::make_shared<QByteArray>();
        connect(p, &QProcess::readyReadStandardError, this,
                [p, tail] { keepTail(*tail, p->readAllStandardError()); });
        auto *bound = new QTimer(p);
        bound->setSingleShot(true);
        connect(bound, &QTimer::timeout, p, [p] { endGroup(p); });
        connect(p, &QProcess::errorOccurred, this, [this, p, sent](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart)
                return;
            p->deleteLater();
            m_process = nullptr;
            finished(m_command, false, false, sent,
                     QStringLiteral("cannot be run: %1").arg(p->errorString()));
        });
        connect(p, &QProcess::finished, this,
                [this, p, bound, sent, tail](int code, QProcess::ExitStatus status) {
                    p->deleteLater();
                    m_process = nullptr;
                    keepTail(*tail, p->readAllStandardError());
                    const QString err = lastLine(*tail);
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
