#include "platform/mqtt_client.h"

#include <QLibrary>
#include <QMetaObject>
#include <QPointer>

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

struct Library {
#define QV_DECLARE(member, f) decltype(&::mosquitto_##f) member = nullptr;
    QV_MOSQUITTO_FUNCTIONS(QV_DECLARE)
#undef QV_DECLARE
    bool loaded = false;

    Library()
    {
        QLibrary lib(QStringLiteral("mosquitto"), 1);
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

MosquittoClient::MosquittoClient(QObject *parent) : MqttClient(parent) {}

MosquittoClient::~MosquittoClient()
{
    stop();
    if (m_mosq)
        mosquitto()->destroy(m_mosq);
}

void MosquittoClient::start(const Options &options)
{
    if (m_mosq)
        return;
    if (!mosquitto()) {
        emit connectFailed(QStringLiteral("the MQTT library (libmosquitto.so.1) is not installed"));
        return;
    }
    m_mosq = mosquitto()->new_(
        options.clientId.isEmpty() ? nullptr : options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        emit connectFailed(QStringLiteral("cannot create an MQTT client"));
        return;
    }
    mosquitto()->int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto()->connect_callback_set(m_mosq, &MosquittoClient::onConnect);
    mosquitto()->disconnect_callback_set(m_mosq, &MosquittoClient::onDisconnect);
    // Retries after 1, 4, 9, 16 ... seconds (libmosquitto squares the count), never more
    // than 60 s apart.
    mosquitto()->reconnect_delay_set(m_mosq, 1, 60, true);
    if (!options.user.isEmpty())
        mosquitto()->username_pw_set(
            m_mosq, options.user.toUtf8().constData(),
            options.password.isEmpty() ? nullptr : options.password.toUtf8().constData());
    if (options.tls) {
        mosquitto()->int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    if (!options.willTopic.isEmpty())
        mosquitto()->will_set(m_mosq, options.willTopic.toUtf8().constData(),
                              int(options.willPayload.size()), options.willPayload.constData(), 1,
                              true);
    // The helper connects (resolving the name may take long), then starts the network
    // thread, which reconnects on its own after any failure, at most 60 s apart.
    const QByteArray host = options.host.toUtf8();
    const int port = options.port;
    m_starter = std::thread([this, host, port] {
        const int rc = mosquitto()->connect_async(m_mosq, host.constData(), port, 30);
        if (rc != MOSQ_ERR_SUCCESS) {
            const QString reason =
                QStringLiteral("%1:%2: %3")
                    .arg(QString::fromUtf8(host))
                    .arg(port)
                    .arg(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno)
                                                                : mosquitto()->strerror(rc)));
            QMetaObject::invokeMethod(
                this, [this, reason] { emit connectFailed(reason); }, Qt::QueuedConnection);
        }
        if (!m_stopping && mosquitto()->loop_start(m_mosq) == MOSQ_ERR_SUCCESS)
            m_loopStarted = true;
    });
}

void MosquittoClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_mosq || !m_connected)
        return;
    mosquitto()->publish(m_mosq, nullptr, topic.toUtf8().constData(), int(payload.size()),
                         payload.constData(), 1, retain);
}

void MosquittoClient::stop()
{
    m_stopping = true;
    if (m_starter.joinable())
        m_starter.join();
    if (!m_loopStarted)
        return;
    m_loopStarted = false;
    // Connected: the disconnect goes out after every message queued before it, then the
    // thread ends. Not connected: the thread may be waiting to retry; it is cancelled.
    const bool connected = mosquitto()->disconnect(m_mosq) == MOSQ_ERR_SUCCESS;
    mosquitto()->loop_stop(m_mosq, !connected);
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
        [client, reason] {
            const bool was = client->m_connected;
            client->m_connected = false;
            if (was)
                emit client->disconnected(reason);
        },
        Qt::QueuedConnection);
}

} // namespace platform
