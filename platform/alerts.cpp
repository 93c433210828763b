#include "platform/alerts.h"

#include "platform/modules.h"

namespace platform {

namespace {
// A module's object, made once; a module that is not installed leaves nothing.
template <typename T>
void makeOnce(std::unique_ptr<T> &object, bool &tried, const char *module, const char *function)
{
    if (std::exchange(tried, true))
        return;
    using CreateFn = T *(*)();
    if (auto create =
            reinterpret_cast<CreateFn>(moduleFunction(QString::fromLatin1(module), function)))
        object.reset(create());
}
} // namespace

SystemSoundPlayer::SystemSoundPlayer() = default;
SystemSoundPlayer::~SystemSoundPlayer() = default;

void SystemSoundPlayer::play(int level)
{
    makeOnce(m_player, m_tried, "qv475_sound", "qv475CreateSoundPlayer");
    if (m_player)
        m_player->play(level);
}

SystemNotifier::SystemNotifier() = default;
SystemNotifier::~SystemNotifier() = default;

void SystemNotifier::notify(const QString &title, const QString &text)
{
    makeOnce(m_notifier, m_tried, "qv475_notify", "qv475CreateNotifier");
    if (m_notifier)
        m_notifier->notify(title, text);
}

} // namespace platform
