// The settings value that the process-wide variables hold, for tests that set them as a
// settings file would and then hand them to the program.
#pragma once

#include "app/globals.h"
#include "app/settings.h"

inline basSubMain::Settings settingsFromGlobals()
{
    using namespace basSubMain;
    return {gPort, gComSt, gFName, gFOut, gFTime, gReconnect, gSound, {}, false, {}};
}
