// Reception of the meter's frames (STX, text, CR) and their decoding into the four
// reading texts and the two alarm levels.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

namespace meterlink {

using Readings = std::array<QString, 4>;

enum class AlarmColour { White, Yellow, Red };

// Receives the alarm colour of figure 0 (instantaneous) or 2 (average).
class AlarmSink
{
public:
    virtual ~AlarmSink() = default;
    virtual void setAlarmColour(int figure, AlarmColour colour) = 0;
};

constexpr char kStx = 2;
constexpr char kCr = 13;
// The reception buffer keeps at most this many characters; a line that never sends
// STX or CR cannot make it grow without end. A frame is at most 24 characters.
constexpr qsizetype kRxBufferLimit = 256;

// Alarm level digit to colour: 1 yellow, 2 red, anything else white.
AlarmColour alarmColourForLevel(int level);
// And back: white 0, yellow 1, red 2.
int alarmLevel(AlarmColour colour);

// Decodes one frame text. Each reading is stored as soon as its field is read; a field
// that is not a number ends the decoding with the earlier fields kept. True when all
// four readings were decoded (a whole frame).
bool DecodeFrame(QByteArrayView text, Readings &readings, AlarmSink *sink);

// Cuts a stream of characters into frames. The buffer is cleared only by STX.
class FrameReceiver
{
public:
    FrameReceiver(QByteArray &rxBuffer, Readings &readings, AlarmSink *sink)
        : m_buffer(rxBuffer), m_readings(readings), m_sink(sink)
    {}
    // Handles every character of the batch, decoding each frame that completes in it.
    // Returns how many of those frames held all four readings.
    int feed(QByteArrayView bytes);

private:
    QByteArray &m_buffer;
    Readings &m_readings;
    AlarmSink *m_sink;
};

} // namespace meterlink
