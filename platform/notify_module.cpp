// The notification module: org.freedesktop.Notifications on the session bus, loaded at
// the first notification.
#include "platform/alerts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {
class DBusNotifier : public platform::Notifier
{
public:
    void notify(const QString &title, const QString &text) override
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
};
} // namespace

extern "C" Q_DECL_EXPORT platform::Notifier *qv475CreateNotifier()
{
    return new DBusNotifier;
}
