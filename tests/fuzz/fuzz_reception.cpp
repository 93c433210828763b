// Arbitrary bytes in arbitrary batches through the reception handler and the decoder.
// Checks: the buffer stays within its bound, every reading is a "#0.0" text, alarm
// colours are white, yellow or red, and the result does not depend on the batching.
#include "link/frame_decoder.h"

#include <cstdint>
#include <cstdlib>

using namespace meterlink;

namespace {
struct Sink : AlarmSink {
    AlarmColour colour[4] = {};
    void setAlarmColour(int figure, AlarmColour c) override
    {
        if (figure != 0 && figure != 2)
            abort();
        if (c != AlarmColour::White && c != AlarmColour::Yellow && c != AlarmColour::Red)
            abort();
        colour[figure] = c;
    }
};

bool isReadingText(const QString &s)
{
    // -?digits "." digit
    qsizetype i = 0;
    if (i < s.size() && s[i] == QLatin1Char('-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < s.size() && s[i].isDigit())
        ++i;
    if (i == digitsStart || i + 2 != s.size() || s[i] != QLatin1Char('.'))
        return false;
    return s[i + 1].isDigit();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the batch length pattern; the rest is the line's bytes.
    const int step = 1 + data[0] % 31;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    QByteArray bufA, bufB;
    Readings a, b;
    a.fill(QStringLiteral("0.0"));
    b.fill(QStringLiteral("0.0"));
    Sink sa, sb;
    FrameReceiver whole(bufA, a, &sa);
    FrameReceiver pieces(bufB, b, &sb);

    whole.feed(bytes);
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        pieces.feed(bytes.sliced(at, qMin<qsizetype>(step, bytes.size() - at)));
        if (bufB.size() > kRxBufferLimit)
            abort();
        for (const QString &r : b)
            if (!isReadingText(r))
                abort();
    }
    if (bufA != bufB || a != b)
        abort();
    for (int i = 0; i < 4; ++i)
        if (sa.colour[i] != sb.colour[i])
            abort();
    return 0;
}
