// Windows: the alarm's WAV files (resources of the program) through PlaySound, and the
// notifications as the tray icon's message.
#include "platform/alerts.h"

#include <QApplication>
#include <QFile>
#include <QSystemTrayIcon>

#include <windows.h>

// The sounds are resources of a static library: registered by hand.
static void registerSounds()
{
    Q_INIT_RESOURCE(sounds);
}

namespace platform {

namespace {
class PlaySoundPlayer : public SoundPlayer
{
public:
    PlaySoundPlayer() { registerSounds(); }
    void play(int level) override
    {
        if (level != 1 && level != 2)
            return;
        QByteArray &wav = m_wav[level - 1];
        if (wav.isEmpty()) {
            QFile f(QStringLiteral(":/sounds/alarm%1.wav").arg(level));
            if (f.open(QIODevice::ReadOnly))
                wav = f.readAll();
        }
        // From memory, without waiting; a device that cannot play stays silent.
        if (!wav.isEmpty())
            PlaySoundW(reinterpret_cast<LPCWSTR>(wav.constData()), nullptr,
                       SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }

private:
    QByteArray m_wav[2];
};

class TrayNotifier : public Notifier
{
public:
    void notify(const QString &title, const QString &text) override
    {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return;
        if (!m_icon) {
            m_icon = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
            m_icon->show();
        }
        m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
    }

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};
} // namespace

SystemSoundPlayer::SystemSoundPlayer() = default;
SystemSoundPlayer::~SystemSoundPlayer() = default;

void SystemSoundPlayer::play(int level)
{
    if (!std::exchange(m_tried, true))
        m_player = std::make_unique<PlaySoundPlayer>();
    m_player->play(level);
}

SystemNotifier::SystemNotifier() = default;
SystemNotifier::~SystemNotifier() = default;

void SystemNotifier::notify(const QString &title, const QString &text)
{
    if (!std::exchange(m_tried, true))
        m_notifier = std::make_unique<TrayNotifier>();
    m_notifier->notify(title, text);
}

} // namespace platform
