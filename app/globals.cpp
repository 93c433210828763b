#include "app/globals.h"

namespace basSubMain {

qint16 gPort = kDefaultPort;
QString gComSt = kDefaultComSt;
QString gFName;
qint16 gFOut = kDefaultFOut;
qint16 gFTime = kDefaultFTime;
bool gReconnect = false;
bool gSound = true;
std::array<QString, 4> gReadings;
QByteArray gRxBuffer;
qint16 gLinkCountdown = 0;
std::array<qint16, 17> gPortList{};
QWidget *gMainWindow = nullptr;

void resetGlobals()
{
    gPort = kDefaultPort;
    gComSt = kDefaultComSt;
    gFName.clear();
    gFOut = kDefaultFOut;
    gFTime = kDefaultFTime;
    gReconnect = false;
    gSound = true;
    gReadings.fill(QString());
    gRxBuffer.clear();
    gLinkCountdown = 0;
    gPortList.fill(0);
    gMainWindow = nullptr;
}

} // namespace basSubMain
