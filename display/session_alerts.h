// What the window tells the person at the desk about the session's events, beside the
// figures: desktop notifications (the link lost and back, an alarm, the work state, a
// storm, a stalled disk), the alarm's sound, and boxes for the port that cannot be opened,
// file output that cannot start or was stopped by a failed write, and the storm latch's
// state file (unreadable, or not kept). The logger without windows says the same events in
// its lines.
#pragma once

#include "platform/message_box.h"
#include "session/session.h"

#include <QObject>
#include <QString>

class QWidget;

namespace platform {
class Notifier;
class SettingsStore;
class SoundPlayer;
struct PortError;
} // namespace platform

namespace display {

class SessionAlerts : public QObject
{
    Q_OBJECT
public:
    // owner: the window the boxes belong to; notifier, sound: none, not used.
    SessionAlerts(session::Session &session, platform::Notifier *notifier,
                  platform::SoundPlayer *sound, platform::MessageBox *box, QWidget *owner);
    // A desktop notification with the program's title.
    void notify(const QString &text);
    // The box for a port that cannot be opened: the fixed text, the device and the port's
    // own reason.
    void portFailed(const platform::PortError &error);
    // The box for file output that did not start (also when the session tried at the first
    // frame); settingsNeeded follows when the settings are where it is mended.
    void fileStartFailed(session::StartResult why, const QString &error);

    // The notifications' test: a box when the settings name no target to send to;
    // otherwise the test goes out, and its answers come to the notifications' panel.
    void testNotifications(platform::SettingsStore &store);

signals:
    void settingsNeeded();

private:
    void warn(const QString &text);
    void box(const QString &text, const QString &title,
             platform::MessageBox::Icon icon = platform::MessageBox::Icon::Exclamation);
    session::Session &m_session;
    platform::Notifier *m_notifier;
    platform::MessageBox *m_box;
    QWidget *m_owner;
};

} // namespace display
