// Loading and saving the settings in the group [Settings] of the store: the five of
// before and the optional Reconnect and Sound.
#pragma once

#include <QString>
#include <optional>

namespace platform {
class SettingsStore;
}

namespace basSubMain {

// Decimal text to a 16-bit integer: optional sign, digits, no blanks; nothing otherwise.
std::optional<qint16> parseInt16(const QString &text);

// Reads Port, ComSt, fName, fOut, fTime and Reconnect; an absent key, or an integer key
// that is not a 16-bit decimal number, gives that key's default (Reconnect: off).
void LoadSettings(const platform::SettingsStore &store);
// Writes the five keys of before, integers as plain decimal text, and Reconnect ("1" or "0") when
// it is on or the store has it already.
void SaveSettings(platform::SettingsStore &store);

} // namespace basSubMain
