// When to sound the alarm: a short sound when the meter's alarm level for the
// instantaneous or the average figure rises (another one for level 2), repeated every
// 10 s while a level 2 lasts, until acknowledged; nothing on a fall or while switched off.
#pragma once

#include <QtGlobal>
#include <array>

namespace meterlink {

class AlarmSounder
{
public:
    enum class Sound { None, Level1, Level2 };
    static constexpr qint64 kRepeatMs = 10000;

    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }

    // The levels of a decoded frame at time ms; the sound to play now, if any.
    Sound onLevels(std::array<int, 2> levels, qint64 ms);
    // Called on the tick; the level-2 sound again when 10 s passed unacknowledged.
    Sound onTick(qint64 ms);
    // The figures are stale (link lost or stopped): no level is sounding any more; the
    // next whole frame brings the levels back.
    void clearLevels()
    {
        m_levels = {};
        m_lastLevel2Ms = 0;
    }
    // Silences the current alarm until a level rises again.
    void acknowledge() { m_acknowledged = true; }
    bool acknowledged() const { return m_acknowledged; }

private:
    std::array<int, 2> m_levels{};
    bool m_enabled = true;
    bool m_acknowledged = true;
    qint64 m_lastLevel2Ms = 0;
};

} // namespace meterlink
