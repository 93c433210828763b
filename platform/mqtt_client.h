// An MQTT connection to a broker, kept up in the background: connects, reconnects with a
// back-off capped at 60 s, publishes, and ends cleanly. Never blocks the caller's thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>
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
    // The broker refused the login, or could not be reached (the name, the connection,
    // TLS); a retry follows. The reason in words, without the address.
    void connectFailed(const QString &reason);
    void disconnected(const QString &reason);
    // A message was refused before it went out (a topic too long or not valid UTF-8).
    void publishFailed(const QString &reason);
};

#ifdef QV_HAVE_MQTT
// libmosquitto with its network thread. Until the first connection is made, a helper
// thread tries on the retry schedule (the name's resolution and a connect that never
// answers hold up nothing else); then libmosquitto's own thread reconnects. The
// callbacks come back as queued signals. The end waits at most kStopBoundMs for the
// helper; one still stuck in the system is left to end by itself, owning what it uses.
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

    static constexpr int kStopBoundMs = 2000;

    struct Shared;

private:
    static void onConnect(struct mosquitto *, void *self, int rc);
    static void onDisconnect(struct mosquitto *, void *self, int rc);

    std::shared_ptr<Shared> m_shared;
    std::thread m_starter;
    bool m_connected = false;
    // A connection that never completes (TLS asked of a plain listener, a broker that
    // says nothing) is said after this long, as a failure is.
    QTimer *m_answerTimer = nullptr;
    bool m_tls = false;
};

#endif

} // namespace platform
