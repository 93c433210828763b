#include "link/frame_decoder.h"

namespace meterlink {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A separator holds anything printable but a digit: a digit there means the fields have
// slipped (a lost or an extra character) even though the length came out right.
bool isSeparator(char c)
{
    return c >= 0x20 && c <= 0x7e && !isDigit(c);
}

} // namespace

Readings readingTexts(const std::array<int, 4> &tenths)
{
    Readings r;
    for (size_t k = 0; k < 4; ++k)
        r[k] = formatTenths(tenths[k]);
    return r;
}

int alarmLevel(int digit)
{
    return digit == 1 || digit == 2 ? digit : 0;
}

std::optional<Frame> parseFrame(QByteArrayView text)
{
    const qsizetype offset = (!text.isEmpty() && text[0] == 'D') ? 1 : 0;
    if (text.size() != 23 + offset)
        return std::nullopt;
    const QByteArrayView t = text.sliced(offset);
    Frame f;
    for (int k = 0; k < 4; ++k) {
        int v = 0;
        for (int i = 5 * k; i < 5 * k + 4; ++i) {
            if (!isDigit(t[i]))
                return std::nullopt;
            v = v * 10 + (t[i] - '0');
        }
        f.tenths[size_t(k)] = v;
        if (!isSeparator(t[5 * k + 4]))
            return std::nullopt;
    }
    if (!isDigit(t[20]) || !isSeparator(t[21]) || !isDigit(t[22]))
        return std::nullopt;
    f.levels = {alarmLevel(t[20] - '0'), alarmLevel(t[22] - '0')};
    return f;
}

void FrameReceiver::onStx()
{
    m_buffer.truncate(0); // keeps the allocation for the next frame
    m_inFrame = true;
    m_overflow = false;
}

std::optional<Frame> FrameReceiver::onCr()
{
    std::optional<Frame> frame;
    if (m_inFrame && !m_overflow)
        frame = parseFrame(m_buffer);
    if (!frame)
        ++m_rejected;
    // The text is spent: a later CR without a new STX cannot decode it again.
    m_buffer.truncate(0);
    m_inFrame = false;
    return frame;
}

void FrameReceiver::append(const char *p, qsizetype n)
{
    // Characters outside a frame are dropped; a frame too long for the buffer is not
    // whole, whatever its end looks like.
    if (!m_inFrame || n == 0)
        return;
    const qsizetype room = kRxBufferLimit - m_buffer.size();
    if (n > room)
        m_overflow = true;
    m_buffer.append(p, qMin(room, n));
}

int FrameReceiver::feed(QByteArrayView bytes, const std::function<void(const Frame &)> &onFrame)
{
    int frames = 0;
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        // Find the next STX or CR; everything before it is frame text.
        const char *q = p;
        while (q < end && *q != kStx && *q != kCr)
            ++q;
        append(p, q - p);
        if (q == end)
            break;
        if (*q == kStx)
            onStx();
        else if (const auto frame = onCr()) {
            ++frames;
            onFrame(*frame);
        }
        p = q + 1;
    }
    return frames;
}

} // namespace meterlink
