// An MQTT connection to a broker, kept up in the background: connects, reconnects with a
// back-off capped at 60 s, publishes, and ends cleanly. Never blocks the caller's thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

struct mosquitto;

namespace platform {

class MqttClient : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QString host;
        int port = 1883;
        QString clientId;
        QString user;
        QString password;
        bool tls = false; // with the system's CA store
        QString willTopic;
        QByteArray willPayload; // published, retained, when the connection is lost
    };

    using QObject::QObject;
    // Starts connecting; connected() or connectFailed() follows, and so on for each
    // reconnect.
    virtual void start(const Options &options) = 0;
    // Queues a message (QoS 1); dropped while not connected.
    virtual void publish(const QString &topic, const QByteArray &payload, bool retain) = 0;
    // Ends the connection cleanly; what was published before goes out first.
    virtual void stop() = 0;
    virtual bool isConnected() const = 0;

signals:
    void connected();
    // The broker refused the login, or could not be reached; a retry follows.
    void connectFailed(const QString &reason);
    void disconnected(const QString &reason);
};

#ifndef Q_OS_WIN
// libmosquitto with its network thread; the first connect (and so the host name's
// resolution) runs in a helper thread, so that a slow name server holds up nothing. The
// callbacks come back as queued signals.
class MosquittoClient : public MqttClient
{
    Q_OBJECT
public:
    explicit MosquittoClient(QObject *parent = nullptr);
    ~MosquittoClient() override;

    void start(const Options &options) override;
    void publish(const QString &topic, const QByteArray &payload, bool retain) override;
    void stop() override;
    bool isConnected() const override { return m_connected; }

private:
    static void onConnect(struct mosquitto *, void *self, int rc);
    static void onDisconnect(struct mosquitto *, void *self, int rc);

    struct mosquitto *m_mosq = nullptr;
    std::thread m_starter;
    std::atomic<bool> m_loopStarted{false};
    std::atomic<bool> m_stopping{false};
    bool m_connected = false;
};

#endif

} // namespace platform
