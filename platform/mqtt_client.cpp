#include "platform/mqtt_client.h"

#include <QMetaObject>
#include <QPointer>

#include <mosquitto.h>

namespace platform {

namespace {
// Initialises the library once per process.
struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};
void ensureLibrary()
{
    static Library library;
}
} // namespace

MosquittoClient::MosquittoClient(QObject *parent) : MqttClient(parent) {}

MosquittoClient::~MosquittoClient()
{
    stop();
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

void MosquittoClient::start(const Options &options)
{
    ensureLibrary();
    if (m_mosq)
        return;
    m_mosq = mosquitto_new(
        options.clientId.isEmpty() ? nullptr : options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        emit connectFailed(QStringLiteral("cannot create an MQTT client"));
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MosquittoClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MosquittoClient::onDisconnect);
    // Retries after 1, 4, 9, 16 ... seconds (libmosquitto squares the count), never more
    // than 60 s apart.
    mosquitto_reconnect_delay_set(m_mosq, 1, 60, true);
    if (!options.user.isEmpty())
        mosquitto_username_pw_set(
            m_mosq, options.user.toUtf8().constData(),
            options.password.isEmpty() ? nullptr : options.password.toUtf8().constData());
    if (options.tls) {
        mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    if (!options.willTopic.isEmpty())
        mosquitto_will_set(m_mosq, options.willTopic.toUtf8().constData(),
                           int(options.willPayload.size()), options.willPayload.constData(), 1,
                           true);
    // The helper connects (resolving the name may take long), then starts the network
    // thread, which reconnects on its own after any failure, at most 60 s apart.
    const QByteArray host = options.host.toUtf8();
    const int port = options.port;
    m_starter = std::thread([this, host, port] {
        const int rc = mosquitto_connect_async(m_mosq, host.constData(), port, 30);
        if (rc != MOSQ_ERR_SUCCESS) {
            const QString reason =
                QStringLiteral("%1:%2: %3")
                    .arg(QString::fromUtf8(host))
                    .arg(port)
                    .arg(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno)
                                                                : mosquitto_strerror(rc)));
            QMetaObject::invokeMethod(
                this, [this, reason] { emit connectFailed(reason); }, Qt::QueuedConnection);
        }
        if (!m_stopping && mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS)
            m_loopStarted = true;
    });
}

void MosquittoClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_mosq || !m_connected)
        return;
    mosquitto_publish(m_mosq, nullptr, topic.toUtf8().constData(), int(payload.size()),
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
    const bool connected = mosquitto_disconnect(m_mosq) == MOSQ_ERR_SUCCESS;
    mosquitto_loop_stop(m_mosq, !connected);
    m_connected = false;
}

void MosquittoClient::onConnect(struct mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MosquittoClient *>(self);
    const QString reason = rc == 0 ? QString() : QString::fromUtf8(mosquitto_connack_string(rc));
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
    const QString reason = rc == 0 ? QString() : QString::fromUtf8(mosquitto_strerror(rc));
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
