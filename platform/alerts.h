// The alarm's sound and the desktop's notifications. Both do nothing, without an error,
// where there is no audio device or no notification service. The real ones live in
// modules of their own, loaded at the first alarm and the first notification, so that a
// run without either does not load the audio stack or the session bus.
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

// The program's WAV files through the sound module (Qt Multimedia).
class ModuleSoundPlayer : public SoundPlayer
{
public:
    ModuleSoundPlayer();
    ~ModuleSoundPlayer() override;
    void play(int level) override;

private:
    std::unique_ptr<SoundPlayer> m_player;
    bool m_tried = false;
};

// The desktop's notifications through the notification module (the session bus).
class ModuleNotifier : public Notifier
{
public:
    ModuleNotifier();
    ~ModuleNotifier() override;
    void notify(const QString &title, const QString &text) override;

private:
    std::unique_ptr<Notifier> m_notifier;
    bool m_tried = false;
};

} // namespace platform
