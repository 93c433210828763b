// Arbitrary text as the serial settings string. Checks: a string that parses gives
// values the port can take, and its canonical form parses to the same settings.
#include "platform/serial_settings.h"

#include <cstdint>
#include <cstdlib>

using platform::SerialSettings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto s = platform::parseSerialSettings(text);
    if (!s)
        return 0;
    if (s->baud < 50 || s->baud > 4000000 || s->dataBits < 5 || s->dataBits > 8)
        abort();
    static const char parity[] = {'n', 'e', 'o', 'm', 's'};
    static const char *const stop[] = {"1", "1.5", "2"};
    const QString canonical = QStringLiteral("%1,%2,%3,%4")
                                  .arg(s->baud)
                                  .arg(QLatin1Char(parity[int(s->parity)]))
                                  .arg(s->dataBits)
                                  .arg(QLatin1String(stop[int(s->stopBits)]));
    const auto again = platform::parseSerialSettings(canonical);
    if (!again || !(*again == *s))
        abort();
    return 0;
}
