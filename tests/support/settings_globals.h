// The settings value that the process-wide variables hold, for tests that set them as a
// settings file would and then hand them to the program.
#pragma once

#include "base/globals.h"
#include "base/settings.h"

inline basSubMain::Settings settingsFromGlobals()
{
    using namespace basSubMain;
    return {gPort, gComSt, gFName, gFOut, gFTime, gReconnect, gSound, {}, false, {}};
}
