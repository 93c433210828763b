// The serial line settings string "9600,n,8,1": baud, parity letter, data bits, stop bits.
#pragma once

#include <QString>
#include <optional>

namespace platform {

struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const SerialSettings &) const = default;
};

// Nothing when the text is not a well-formed settings string.
std::optional<SerialSettings> parseSerialSettings(const QString &text);

} // namespace platform
