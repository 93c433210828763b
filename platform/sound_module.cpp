// The sound module: the alarm's WAV files (resources of the module, registered when it is
// loaded) through Qt Multimedia, loaded at the first alarm.
#include "platform/alerts.h"

#include <QSoundEffect>
#include <QUrl>

namespace {
class QtSoundPlayer : public platform::SoundPlayer
{
public:
    void play(int level) override
    {
        if (level != 1 && level != 2)
            return;
        std::unique_ptr<QSoundEffect> &effect = m_effects[level - 1];
        if (!effect) {
            effect = std::make_unique<QSoundEffect>();
            effect->setSource(QUrl(QStringLiteral("qrc:/sounds/alarm%1.wav").arg(level)));
            effect->setVolume(1.0);
        }
        // Without an audio device the effect stays silent; nothing is reported.
        effect->play();
    }

private:
    std::unique_ptr<QSoundEffect> m_effects[2];
};
} // namespace

extern "C" Q_DECL_EXPORT platform::SoundPlayer *qv475CreateSoundPlayer()
{
    return new QtSoundPlayer;
}
