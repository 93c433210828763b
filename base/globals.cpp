#include "base/globals.h"

#include "base/settings.h"

namespace basSubMain {

qint16 gPort;
QString gComSt;
QString gFName;
qint16 gFOut;
qint16 gFTime;
bool gReconnect;
bool gSound;
std::array<QString, 4> gReadings;
QByteArray gRxBuffer;
qint16 gLinkCountdown = 0;
std::array<qint16, 17> gPortList{};

namespace {
// The stored settings' variables start at the defaults.
const bool kInitialised = (mirrorSettings(Settings{}), true);
} // namespace

void resetGlobals()
{
    mirrorSettings(Settings{});
    gReadings.fill(QString());
    gRxBuffer.clear();
    gLinkCountdown = 0;
    gPortList.fill(0);
}

} // namespace basSubMain
