#include "link/alarm_sounder.h"

namespace meterlink {

namespace {
// Alarm levels other than 1 and 2 count as none, as for the colours.
int clampLevel(int level)
{
    return level == 1 || level == 2 ? level : 0;
}
} // namespace

AlarmSounder::Sound AlarmSounder::onLevels(std::array<int, 2> levels, qint64 ms)
{
    bool rose = false;
    int highestRise = 0;
    for (size_t i = 0; i < 2; ++i) {
        const int level = clampLevel(levels[i]);
        if (level > m_levels[i]) {
            rose = true;
            highestRise = qMax(highestRise, level);
        }
        m_levels[i] = level;
    }
    if (!rose) {
        // A level 2 that has ended ends its repeats.
        if (m_levels[0] < 2 && m_levels[1] < 2)
            m_lastLevel2Ms = 0;
        return Sound::None;
    }
    m_acknowledged = false;
    if (!m_enabled)
        return Sound::None;
    if (highestRise == 2) {
        m_lastLevel2Ms = ms;
        return Sound::Level2;
    }
    return Sound::Level1;
}

AlarmSounder::Sound AlarmSounder::onTick(qint64 ms)
{
    if (!m_enabled || m_acknowledged || (m_levels[0] < 2 && m_levels[1] < 2))
        return Sound::None;
    if (m_lastLevel2Ms == 0) { // level 2 reached through a rise of the other figure
        m_lastLevel2Ms = ms;
        return Sound::None;
    }
    if (ms - m_lastLevel2Ms < kRepeatMs)
        return Sound::None;
    m_lastLevel2Ms = ms;
    return Sound::Level2;
}

} // namespace meterlink
