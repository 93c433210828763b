// The process-wide state of the program, kept in one place; resetGlobals() puts it back
// to its state at start, for tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace basSubMain {

// The line settings a port is tried with when the stored ones are not to be used.
inline const QString kDefaultComSt = QStringLiteral("9600,n,8,1");

// The stored settings, mirrored from the program's settings value.
extern qint16 gPort;
extern QString gComSt;
extern QString gFName;
extern qint16 gFOut;
extern qint16 gFTime;
extern bool gReconnect;
extern bool gSound;

// Mirrored from the meter session: the reading texts (instantaneous, instantaneous
// maximum, average, average maximum), the characters received since the last STX, and
// the link watchdog countdown in ticks (0 when no live link is watched).
extern std::array<QString, 4> gReadings;
extern QByteArray gRxBuffer;
extern qint16 gLinkCountdown;
// COM port numbers found usable by the last scan, rising, ended by 0.
extern std::array<qint16, 17> gPortList;

void resetGlobals();

} // namespace basSubMain
