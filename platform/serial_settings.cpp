#include "platform/serial_settings.h"

#include <QStringList>

namespace platform {

std::optional<SerialSettings> parseSerialSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    SerialSettings s;
    bool ok = false;
    const QString baud = parts[0].trimmed();
    // Digits only: no sign, no blanks inside, no other bases.
    for (QChar c : baud)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    s.baud = baud.toInt(&ok);
    if (!ok || s.baud < 50 || s.baud > 4000000)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = SerialSettings::Parity::None;
    else if (parity == QLatin1String("e"))
        s.parity = SerialSettings::Parity::Even;
    else if (parity == QLatin1String("o"))
        s.parity = SerialSettings::Parity::Odd;
    else if (parity == QLatin1String("m"))
        s.parity = SerialSettings::Parity::Mark;
    else if (parity == QLatin1String("s"))
        s.parity = SerialSettings::Parity::Space;
    else
        return std::nullopt;

    const QString data = parts[2].trimmed();
    if (data.size() != 1 || data[0] < QLatin1Char('5') || data[0] > QLatin1Char('8'))
        return std::nullopt;
    s.dataBits = data[0].unicode() - '0';

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = SerialSettings::StopBits::One;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = SerialSettings::StopBits::OneAndHalf;
    else if (stop == QLatin1String("2"))
        s.stopBits = SerialSettings::StopBits::Two;
    else
        return std::nullopt;
    return s;
}

} // namespace platform
