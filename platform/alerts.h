// The alarm's sound and the desktop's notifications. Both do nothing, without an error,
// where there is no audio device or no notification service. On Linux the real ones live
// in modules of their own, loaded at the first alarm and the first notification, so that
// a run without either does not load the audio stack or the session bus.
#pragma once

#include <QString>
#include <memory>

namespace platform {

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // The short sound of alarm level 1 or 2.
    virtual void play(int level) = 0;
};

class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};

// The program's WAV files: on Linux through the sound module (Qt Multimedia), on
// Windows through PlaySound.
class SystemSoundPlayer : public SoundPlayer
{
public:
    SystemSoundPlayer();
    ~SystemSoundPlayer() override;
    void play(int level) override;

private:
    std::unique_ptr<SoundPlayer> m_player;
    bool m_tried = false;
};

// The desktop's notifications: on Linux through the notification module (the session
// bus), on Windows as the tray icon's message.
class SystemNotifier : public Notifier
{
public:
    SystemNotifier();
    ~SystemNotifier() override;
    void notify(const QString &title, const QString &text) override;

private:
    std::unique_ptr<Notifier> m_notifier;
    bool m_tried = false;
};

} // namespace platform
