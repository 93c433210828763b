// Arbitrary bytes in arbitrary batches through the reception handler and the decoder.
// Checks: the buffer stays within its bound, every reading is a "#0.0" text, alarm
// levels are 0, 1 or 2, and the result does not depend on the batching.
#include "link/frame_decoder.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

using namespace meterlink;

namespace {
bool isReadingText(const QString &s);

// The frames one receiver handed on, checked as they come.
struct Taken {
    QList<Frame> frames;
    void operator()(const Frame &f)
    {
        for (int level : f.levels)
            if (level < 0 || level > 2)
                abort();
        for (const QString &r : readingTexts(f))
            if (!isReadingText(r))
                abort();
        frames << f;
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

    FrameReceiver whole, pieces;
    Taken a, b;
    const std::function<void(const Frame &)> takeA = [&a](const Frame &f) { a(f); };
    const std::function<void(const Frame &)> takeB = [&b](const Frame &f) { b(f); };

    whole.feed(bytes, takeA);
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        pieces.feed(bytes.sliced(at, qMin<qsizetype>(step, bytes.size() - at)), takeB);
        if (pieces.buffer().size() > kRxBufferLimit)
            abort();
    }
    if (whole.buffer() != pieces.buffer() || a.frames != b.frames ||
        whole.rejected() != pieces.rejected())
        abort();
    return 0;
}
