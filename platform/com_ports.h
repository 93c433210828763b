// COM port numbers 1 to 16 and the device path each one names.
#pragma once

#include <QString>

namespace platform {

class SettingsStore;

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 16;

// The device path of COM n: the [Ports] key COMn of the settings store when present,
// otherwise the built-in table; on Windows the port's own name, "COMn". Empty for numbers
// outside 1 to 16.
QString comPortDevice(int n, const SettingsStore *store);

} // namespace platform
