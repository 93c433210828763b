// The alarm's sound and the desktop's notifications. Both do nothing, without an error,
// where there is no audio device or no notification service.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSoundEffect;

namespace platform {

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // The short sound of alarm level 1 or 2.
    virtual void play(int level) = 0;
};

// WAV files of the program's own, through Qt Multimedia, loaded at the first alarm so
// that a run without one does not load the audio stack.
class QtSoundPlayer : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void play(int level) override;

private:
    std::unique_ptr<QSoundEffect> m_effects[2];
};

class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};

// org.freedesktop.Notifications on the session bus, sent without waiting for an answer.
class DBusNotifier : public Notifier
{
public:
    void notify(const QString &title, const QString &text) override;
};

} // namespace platform
