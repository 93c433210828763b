// Reception of the meter's frames (STX, text, CR) and their decoding into the four
// reading texts and the two alarm levels. A frame counts only when it is whole: nothing
// of a cut, overlong or garbled frame reaches the readings or the colours.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>

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

// A whole frame's contents: the four readings in 0.1 m/s and the two alarm digits.
struct Frame {
    std::array<int, 4> tenths{};
    std::array<int, 2> levels{};
};

// The frame text (between STX and CR) read by the meter's layout: an optional "D",
// then four fields of exactly four decimal digits and the two alarm digits, each
// followed or preceded by one separator (a printable character that is not a digit),
// 23 characters without the "D" and 24 with it. Nothing when the text is anything else.
std::optional<Frame> parseFrame(QByteArrayView text);

// "#0.0" text of a reading in tenths of m/s.
QString formatTenths(int tenths);

// Decodes one frame text: when it is whole, all four readings and both colours are
// stored and true is returned; otherwise nothing changes.
bool DecodeFrame(QByteArrayView text, Readings &readings, AlarmSink *sink);

// Cuts a stream of characters into frames. A frame starts at STX and ends at the next
// CR; characters outside a frame and a CR without an STX before it end nothing.
class FrameReceiver
{
public:
    FrameReceiver(QByteArray &rxBuffer, Readings &readings, AlarmSink *sink)
        : m_buffer(rxBuffer), m_readings(readings), m_sink(sink)
    {}
    // Handles every character of the batch, decoding each frame that completes in it.
    // Returns how many whole frames it held.
    int feed(QByteArrayView bytes);
    // Every CR so far that did not end a whole frame (cut, garbled or without STX).
    quint64 rejected() const { return m_rejected; }

private:
    void onStx();
    int onCr();
    void append(const char *p, qsizetype n);

    QByteArray &m_buffer;
    Readings &m_readings;
    AlarmSink *m_sink;
    bool m_inFrame = false;
    bool m_overflow = false;
    quint64 m_rejected = 0;
};

} // namespace meterlink
