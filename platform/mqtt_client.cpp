#include "platform/mqtt_client.h"

#include <QLibrary>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include <mosquitto.h>

namespace platform {

namespace {
// libmosquitto, loaded when the first client starts, so that a run without a broker does
// not load it; initialised once per process.
#define QV_MOSQUITTO_FUNCTIONS(X)                                                                  \
    X(connack_string, connack_string)                                                              \
    X(connect_async, connect_async)                                                                \
    X(connect_callback_set, connect_callback_set)                                                  \
    X(destroy, destroy)                                                                            \
    X(disconnect, disconnect)                                                                      \
    X(disconnect_callback_set, disconnect_callback_set)                                            \
    X(int_option, int_option)                                                                      \
    X(lib_cleanup, lib_cleanup)                                                                    \
    X(lib_init, lib_init)                                                                          \
    X(loop_start, loop_start)                                                                      \
    X(loop_stop, loop_stop)                                                                        \
    X(new_, new)                                                                                   \
    X(publish, publish)                                                                            \
    X(reconnect_delay_set, reconnect_delay_set)                                                    \
    X(strerror, strerror)                                                                          \
    X(username_pw_set, username_pw_set)                                                            \
    X(will_set, will_set)

#ifdef Q_OS_WIN
constexpr const char *kLibraryFile = "libmosquitto.dll";
#else
constexpr const char *kLibraryFile = "libmosquitto.so.1";
#endif

struct Library {
#define QV_DECLARE(member, f) decltype(&::mosquitto_##f) member = nullptr;
    QV_MOSQUITTO_FUNCTIONS(QV_DECLARE)
#undef QV_DECLARE
    bool loaded = false;

    Library()
    {
#ifdef Q_OS_WIN
        // Beside the program, as MinGW names it.
        QLibrary lib(QStringLiteral("libmosquitto"));
#else
        QLibrary lib(QStringLiteral("mosquitto"), 1);
#endif
        if (!lib.load())
            return;
        bool all = true;
#define QV_RESOLVE(member, f)                                                                      \
    member = reinterpret_cast<decltype(member)>(lib.resolve("mosquitto_" #f));                     \
    all = all && member;
        QV_MOSQUITTO_FUNCTIONS(QV_RESOLVE)
#undef QV_RESOLVE
        loaded = all;
        if (loaded)
            lib_init();
    }
    ~Library()
    {
        if (loaded)
            lib_cleanup();
    }
};
// The library, or nothing when it is not installed.
const Library *mosquitto()
{
    static const Library library;
    return library.loaded ? &library : nullptr;
}
} // namespace

// What the client and its helper thread share: the library's handle, and the client
// while it lives (the helper posts to it only under the lock).
struct MosquittoClient::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    struct mosquitto *mosq = nullptr;
    MosquittoClient *owner = nullptr;
    bool stopping = false;
    bool loopStarted = false;
    bool helperDone = true;
};

namespace {
// The retry schedule of a first connection that failed: 1, 4, 9, 16 ... seconds after
// the attempt-th failure, never more than 60 s apart (libmosquitto's after a connection).
int retryDelaySeconds(int attempt)
{
    return std::min(60, attempt * attempt);
}

QString errnoText(int rc)
{
    return QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto()->strerror(rc));
}
} // namespace

MosquittoClient::MosquittoClient(QObject *parent)
    : MqttClient(parent), m_shared(std::make_shared<Shared>()), m_answerTimer(new QTimer(this))
{
    m_shared->owner = this;
    m_answerTimer->setInterval(15000);
    connect(m_answerTimer, &QTimer::timeout, this, [this] {
        if (m_connected)
            return;
        emit connectFailed(m_tls ? QStringLiteral("no answer from the broker in 15 s; TLS is "
                                                  "on: is its port a TLS listener?")
                                 : QStringLiteral("no answer from the broker in 15 s"));
    });
    connect(this, &MqttClient::connected, m_answerTimer, &QTimer::stop);
}

MosquittoClient::~MosquittoClient()
{
    stop();
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    if (m_shared->helperDone) {
        lock.unlock();
        if (m_starter.joinable())
            m_starter.join();
        if (m_shared->mosq)
            mosquitto()->destroy(m_shared->mosq);
        m_shared->mosq = nullptr;
    } else if (m_starter.joinable()) {
        // Still in the system (a connect that never answers): it destroys the handle
        // itself when it returns.
        m_starter.detach();
    }
}

void MosquittoClient::start(const Options &options)
{
    if (m_shared->mosq)
        return;
    if (!mosquitto()) {
        emit connectFailed(QStringLiteral("the MQTT library (%1) is not installed")
                               .arg(QLatin1String(kLibraryFile)));
        return;
    }
    struct mosquitto *mosq = mosquitto()->new_(
        options.clientId.isEmpty() ? nullptr : options.clientId.toUtf8().constData(), true, this);
    if (!mosq) {
        emit connectFailed(QStringLiteral("cannot create an MQTT client"));
        return;
    }
    m_shared->mosq = mosq;
    m_tls = options.tls;
    mosquitto()->int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto()->connect_callback_set(mosq, &MosquittoClient::onConnect);
    mosquitto()->disconnect_callback_set(mosq, &MosquittoClient::onDisconnect);
    // After a connection was made, libmosquitto retries after 1, 4, 9, 16 ... seconds
    // (it squares the count), never more than 60 s apart.
    mosquitto()->reconnect_delay_set(mosq, 1, 60, true);
    if (!options.user.isEmpty())
        mosquitto()->username_pw_set(
            mosq, options.user.toUtf8().constData(),
            options.password.isEmpty() ? nullptr : options.password.toUtf8().constData());
    if (options.tls) {
        const int rc = mosquitto()->int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (rc != MOSQ_ERR_SUCCESS)
            emit connectFailed(QStringLiteral("TLS cannot be set up: ") + errnoText(rc));
    }
    if (!options.willTopic.isEmpty())
        mosquitto()->will_set(mosq, options.willTopic.toUtf8().constData(),
                              int(options.willPayload.size()), options.willPayload.constData(), 1,
                              true);
    // The helper tries on the retry schedule until a connection is made (whatever failed:
    // the name, the connection), then starts the network thread, which reconnects on
    // its own after any later failure.
    const QByteArray host = options.host.toUtf8();
    const int port = options.port;
    m_shared->helperDone = false;
    m_starter = std::thread([shared = m_shared, host, port] {
        for (int attempt = 1;; ++attempt) {
            const int rc = mosquitto()->connect_async(shared->mosq, host.constData(), port, 30);
            std::unique_lock lock(shared->mutex);
            if (shared->stopping)
                break;
            if (rc == MOSQ_ERR_SUCCESS) {
                shared->loopStarted = mosquitto()->loop_start(shared->mosq) == MOSQ_ERR_SUCCESS;
                // Reached: the broker's answer is now awaited within a bound.
                if (shared->owner)
                    QMetaObject::invokeMethod(
                        shared->owner, [owner = shared->owner] { owner->m_answerTimer->start(); },
                        Qt::QueuedConnection);
                break;
            }
            const QString reason = errnoText(rc);
            if (shared->owner)
                QMetaObject::invokeMethod(
                    shared->owner,
                    [owner = shared->owner, reason] { emit owner->connectFailed(reason); },
                    Qt::QueuedConnection);
            shared->wake.wait_for(lock, std::chrono::seconds(retryDelaySeconds(attempt)),
                                  [&] { return shared->stopping; });
            if (shared->stopping)
                break;
        }
        std::lock_guard lock(shared->mutex);
        shared->helperDone = true;
        shared->wake.notify_all();
        // The client is gone and did not wait for this thread: the handle is ours to end.
        if (!shared->owner && shared->mosq && !shared->loopStarted) {
            mosquitto()->destroy(shared->mosq);
            shared->mosq = nullptr;
        }
    });
}

void MosquittoClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_shared->mosq || !m_connected)
        return;
    const int rc = mosquitto()->publish(m_shared->mosq, nullptr, topic.toUtf8().constData(),
                                        int(payload.size()), payload.constData(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
        emit publishFailed(errnoText(rc));
}

void MosquittoClient::stop()
{
    m_answerTimer->stop();
    std::unique_lock lock(m_shared->mutex);
    // Stopped already, with the helper left in the system: nothing to wait for twice.
    if (std::exchange(m_shared->stopping, true) && !m_shared->helperDone)
        return;
    m_shared->wake.notify_all();
    // The helper may be in a connect that never answers: it is waited for within a bound.
    if (!m_shared->wake.wait_for(lock, std::chrono::milliseconds(kStopBoundMs),
                                 [this] { return m_shared->helperDone; }))
        return;
    const bool loop = std::exchange(m_shared->loopStarted, false);
    lock.unlock();
    if (m_starter.joinable())
        m_starter.join();
    if (!loop)
        return;
    // Connected: the disconnect goes out after every message queued before it, then the
    // thread ends. Not connected: the thread may be waiting to retry; it is cancelled.
    const bool connected =
        m_connected && mosquitto()->disconnect(m_shared->mosq) == MOSQ_ERR_SUCCESS;
    mosquitto()->loop_stop(m_shared->mosq, !connected);
    m_connected = false;
}

void MosquittoClient::onConnect(struct mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MosquittoClient *>(self);
    const QString reason = rc == 0 ? QString() : QString::fromUtf8(mosquitto()->connack_string(rc));
    QMetaObject::invokeMethod(
        client,
        [client, rc, reason] {
            client->m_connected = rc == 0;
            if (rc == 0)
                emit client->connected();
            else
                emit client->connectFailed(reason);
        },
        Qt::QueuedConnection);
}

void MosquittoClient::onDisconnect(struct mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MosquittoClient *>(self);
    const QString reason = rc == 0 ? QString() : QString::fromUtf8(mosquitto()->strerror(rc));
    QMetaObject::invokeMethod(
        client,
        [client, reason, rc] {
            const bool was = client->m_connected;
            client->m_connected = false;
            if (was)
                emit client->disconnected(reason);
            // A reconnect or its TLS that failed; a refused login was said by its answer.
            else if (!reason.isEmpty() && rc != MOSQ_ERR_CONN_REFUSED)
                emit client->connectFailed(reason);
        },
        Qt::QueuedConnection);
}

} // namespace platform
