// The process-wide state of the program, kept in one place; resetGlobals() puts it back
// to its state at start, for tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

class QWidget;

namespace basSubMain {

// The five stored settings.
inline constexpr qint16 kDefaultPort = 1;
inline const QString kDefaultComSt = QStringLiteral("9600,n,8,1");
inline constexpr qint16 kDefaultFOut = 31;
inline constexpr qint16 kDefaultFTime = 600;

extern qint16 gPort;
extern QString gComSt;
extern QString gFName;
extern qint16 gFOut;
extern qint16 gFTime;
// Reconnect by itself after the meter fell silent (the stored key Reconnect); off unless
// switched on.
extern bool gReconnect;
// Sound the alarm (the stored key Sound); on unless switched off.
extern bool gSound;

// Reading texts: instantaneous, instantaneous maximum, average, average maximum.
extern std::array<QString, 4> gReadings;
// Characters received since the last STX.
extern QByteArray gRxBuffer;
// Link watchdog countdown in ticks; 0 when no live link is watched.
extern qint16 gLinkCountdown;
// COM port numbers found usable by the last scan, rising, ended by 0.
extern std::array<qint16, 17> gPortList;
// The one main window.
extern QWidget *gMainWindow;

void resetGlobals();

} // namespace basSubMain
