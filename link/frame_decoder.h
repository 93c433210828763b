// Reception of the meter's frames (STX, text, CR) and their decoding into the four
// readings and the two alarm levels. A frame counts only when it is whole: nothing of a
// cut, overlong or garbled frame is handed on.
#pragma once

#include "link/tenths.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace meterlink {

using Readings = std::array<QString, 4>;

constexpr char kStx = 2;
constexpr char kCr = 13;
// The reception buffer keeps at most this many characters; a line that never sends
// STX or CR cannot make it grow without end. A frame is at most 24 characters.
constexpr qsizetype kRxBufferLimit = 256;

// A whole frame's contents: the four readings in 0.1 m/s and the two alarm levels (0 to 2).
struct Frame {
    std::array<int, 4> tenths{};
    std::array<int, 2> levels{};
    bool operator==(const Frame &) const = default;
};

// The frame text (between STX and CR) read by the meter's layout: an optional "D",
// then four fields of exactly four decimal digits and the two alarm digits, each
// followed or preceded by one separator (a printable character that is not a digit),
// 23 characters without the "D" and 24 with it. Nothing when the text is anything else.
std::optional<Frame> parseFrame(QByteArrayView text);

// The four readings (in tenths) as the figures show them.
Readings readingTexts(const std::array<int, 4> &tenths);
inline Readings readingTexts(const Frame &frame)
{
    return readingTexts(frame.tenths);
}
// An alarm digit as a level: 1 and 2 are the meter's two stages, anything else none.
int alarmLevel(int digit);

// Cuts a stream of characters into frames. A frame starts at STX and ends at the next
// CR; characters outside a frame and a CR without an STX before it end nothing.
class FrameReceiver
{
public:
    // Handles every character of the batch and hands each whole frame that completes in
    // it to onFrame, in order. Returns how many there were.
    int feed(QByteArrayView bytes, const std::function<void(const Frame &)> &onFrame);
    // Every CR so far that did not end a whole frame (cut, garbled or without STX).
    quint64 rejected() const { return m_rejected; }
    // The characters received since the last STX.
    const QByteArray &buffer() const { return m_buffer; }

private:
    void onStx();
    std::optional<Frame> onCr();
    void append(const char *p, qsizetype n);

    QByteArray m_buffer;
    bool m_inFrame = false;
    bool m_overflow = false;
    quint64 m_rejected = 0;
};

} // namespace meterlink
