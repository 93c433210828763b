// The settings in the group [Settings] of the store, as one value: loaded and saved once,
// handed to the settings dialog as a copy and taken back from it. The process-wide
// variables of the same names mirror the value.
#pragma once

#include <QString>
#include <optional>

namespace platform {
class SettingsStore;
}

namespace basSubMain {

struct Settings {
    qint16 port = 1;
    QString comSt = QStringLiteral("9600,n,8,1");
    QString fName;
    qint16 fOut = 31;
    qint16 fTime = 600;
    // Reconnect by itself after the meter fell silent; off unless switched on.
    bool reconnect = false;
    // Sound the alarm; on unless switched off.
    bool sound = true;
    bool operator==(const Settings &) const = default;
};

// Decimal text to a 16-bit integer: optional sign, digits, no blanks; nothing otherwise.
std::optional<qint16> parseInt16(const QString &text);

// Reads Port, ComSt, fName, fOut, fTime, Reconnect and Sound; an absent key, or an
// integer key that is not a 16-bit decimal number, gives that key's default.
Settings readSettings(const platform::SettingsStore &store);
// Writes Port, ComSt, fName, fOut and fTime, integers as plain decimal text, and Reconnect
// and Sound ("1" or "0") when they differ from their defaults or the store has them
// already, so that a file that never had them keeps the keys it had.
void writeSettings(const Settings &settings, platform::SettingsStore &store);
// The process-wide variables set from the value.
void mirrorSettings(const Settings &settings);

// Reads the store into the process-wide variables, and returns what it read.
Settings LoadSettings(const platform::SettingsStore &store);
void SaveSettings(platform::SettingsStore &store, const Settings &settings);

} // namespace basSubMain
