#include "link/frame_decoder.h"

#include <cmath>
#include <optional>

namespace meterlink {

namespace {

// A field read as a decimal number: blanks around it, an optional sign, digits with an
// optional decimal point. Gives the reading in tenths of m/s, rounded.
std::optional<long long> fieldTenths(QByteArrayView field)
{
    qsizetype i = 0, n = field.size();
    while (i < n && field[i] == ' ')
        ++i;
    while (n > i && field[n - 1] == ' ')
        --n;
    bool negative = false;
    if (i < n && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long long whole = 0;
    int digits = 0;
    while (i < n && field[i] >= '0' && field[i] <= '9') {
        whole = whole * 10 + (field[i] - '0');
        ++digits;
        ++i;
    }
    double fraction = 0.0;
    if (i < n && field[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < n && field[i] >= '0' && field[i] <= '9') {
            fraction += (field[i] - '0') * scale;
            scale /= 10;
            ++digits;
            ++i;
        }
    }
    if (digits == 0 || i != n)
        return std::nullopt;
    // The field is in 0.1 m/s, so its value rounded is the number of tenths.
    const long long tenths = std::llround(double(whole) + fraction);
    return negative ? -tenths : tenths;
}

QString formatTenths(long long tenths)
{
    // "#0.0": at least one digit before the point, exactly one after.
    const bool negative = tenths < 0;
    const long long a = negative ? -tenths : tenths;
    QString s = QString::number(a / 10) + QLatin1Char('.') + QChar(u'0' + int(a % 10));
    return negative ? QLatin1Char('-') + s : s;
}

} // namespace

int alarmLevel(AlarmColour colour)
{
    switch (colour) {
    case AlarmColour::Yellow: return 1;
    case AlarmColour::Red: return 2;
    default: return 0;
    }
}

AlarmColour alarmColourForLevel(int level)
{
    switch (level) {
    case 1: return AlarmColour::Yellow;
    case 2: return AlarmColour::Red;
    default: return AlarmColour::White;
    }
}

bool DecodeFrame(QByteArrayView text, Readings &readings, AlarmSink *sink)
{
    const qsizetype offset = (!text.isEmpty() && text[0] == 'D') ? 1 : 0;
    for (int k = 0; k < 4; ++k) {
        const qsizetype start = 5 * k + offset;
        const QByteArrayView field =
            start < text.size() ? text.sliced(start, qMin<qsizetype>(4, text.size() - start))
                                : QByteArrayView();
        const auto tenths = fieldTenths(field);
        if (!tenths)
            return false;
        readings[size_t(k)] = formatTenths(*tenths);
    }
    if (text.size() < 23 + offset)
        return true;
    const struct {
        qsizetype position;
        int figure;
    } flags[] = {{20 + offset, 0}, {22 + offset, 2}};
    for (const auto &flag : flags) {
        const char c = text[flag.position];
        if (c < '0' || c > '9')
            return true;
        if (sink)
            sink->setAlarmColour(flag.figure, alarmColourForLevel(c - '0'));
    }
    return true;
}

int FrameReceiver::feed(QByteArrayView bytes)
{
    // A port that hands over one character at a time takes this short way.
    if (bytes.size() == 1) {
        const char c = bytes.front();
        if (c == kStx)
            m_buffer.truncate(0); // keeps the allocation for the next frame
        else if (c == kCr)
            return DecodeFrame(m_buffer, m_readings, m_sink) ? 1 : 0;
        else if (m_buffer.size() < kRxBufferLimit)
            m_buffer.append(c);
        return 0;
    }
    int frames = 0;
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        // Find the next STX or CR; everything before it is frame text.
        const char *q = p;
        while (q < end && *q != kStx && *q != kCr)
            ++q;
        const qsizetype room = kRxBufferLimit - m_buffer.size();
        if (room > 0)
            m_buffer.append(p, qMin<qsizetype>(room, q - p));
        if (q == end)
            break;
        if (*q == kStx)
            m_buffer.truncate(0); // keeps the allocation for the next frame
        else if (DecodeFrame(m_buffer, m_readings, m_sink))
            ++frames;
        p = q + 1;
    }
    return frames;
}

} // namespace meterlink
