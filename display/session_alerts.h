// What the window tells the person at the desk about the session's events, beside the
// figures: desktop notifications (the link lost and back, an alarm, the work state, a
// storm), the alarm's sound, and boxes for the storm latch's state file (unreadable, or
// not kept). The logger without windows says the same events in its lines.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace platform {
class MessageBox;
class Notifier;
class SoundPlayer;
} // namespace platform

namespace session {
class Session;
}

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

private:
    void warn(const QString &text);
    session::Session &m_session;
    platform::Notifier *m_notifier;
    platform::MessageBox *m_box;
    QWidget *m_owner;
};

} // namespace display
