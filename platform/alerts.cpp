#include "platform/alerts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSoundEffect>
#include <QUrl>
#include <QVariantMap>

// The sounds are resources of this static library; they are registered at first use.
static void registerSounds()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(sounds);
        return true;
    }();
    Q_UNUSED(done);
}

namespace platform {

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(int level)
{
    if (level != 1 && level != 2)
        return;
    std::unique_ptr<QSoundEffect> &effect = m_effects[level - 1];
    if (!effect) {
        registerSounds();
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/alarm%1.wav").arg(level)));
        effect->setVolume(1.0);
    }
    // Without an audio device the effect stays silent; nothing is reported.
    effect->play();
}

void DBusNotifier::notify(const QString &title, const QString &text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("QV-475簡易ソフト") << uint(0) << QStringLiteral("qv475") << title
         << text << QStringList() << QVariantMap() << int(-1);
    // Fire and forget: no service, no answer, nothing happens.
    bus.send(call);
}

} // namespace platform
