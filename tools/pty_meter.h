// The meter's side of a pseudo-terminal: the program opens the device side as its serial
// port, the meter (the simulator or a test) reads commands and writes frames here.
#pragma once

#include <string>

namespace meter {

struct Reading {
    int instant = 0;    // 0.1 m/s
    int instantMax = 0; // 0.1 m/s
    int average = 0;    // 0.1 m/s
    int averageMax = 0; // 0.1 m/s
    int instantAlarm = 0;
    int averageAlarm = 0;
};

// STX, the 23-character frame text ("D" in front when asked), CR.
std::string makeFrame(const Reading &r, bool dPrefix = false);

class PtyMeter
{
public:
    PtyMeter() = default;
    PtyMeter(const PtyMeter &) = delete;
    PtyMeter &operator=(const PtyMeter &) = delete;
    ~PtyMeter();

    // Opens a new pseudo-terminal in raw mode; false with errno set on failure.
    bool open();
    const std::string &devicePath() const { return m_path; }
    int masterFd() const { return m_master; }
    bool isOpen() const { return m_master >= 0; }

    // Writes what it can without blocking; returns the bytes written.
    long write(const std::string &bytes);
    // Reads what arrives within timeoutMs (returns as soon as something came).
    std::string read(int timeoutMs);
    // Reads until at least n bytes came or timeoutMs passed.
    std::string readAtLeast(size_t n, int timeoutMs);
    // The meter unplugged: the program's side sees the line hang up.
    void close();

private:
    int m_master = -1;
    int m_slaveHold = -1; // keeps the line up while the program has the port closed
    std::string m_path;
};

} // namespace meter
