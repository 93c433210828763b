// Arbitrary INI text as the settings file. Checks: loading never fails, and what is
// loaded, saved and loaded again comes back the same.
#include "app/globals.h"
#include "app/settings.h"
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    const QString again = dir.filePath(QStringLiteral("again.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QFile::remove(again);

    basSubMain::resetGlobals();
    {
        platform::IniSettingsStore store(path);
        basSubMain::LoadSettings(store);
    }
    const auto loaded = std::make_tuple(basSubMain::gPort, basSubMain::gComSt, basSubMain::gFName,
                                        basSubMain::gFOut, basSubMain::gFTime);
    {
        platform::IniSettingsStore store(again);
        basSubMain::SaveSettings(store);
        if (!store.sync())
            abort();
    }
    basSubMain::resetGlobals();
    {
        platform::IniSettingsStore store(again);
        basSubMain::LoadSettings(store);
    }
    const auto reloaded = std::make_tuple(basSubMain::gPort, basSubMain::gComSt, basSubMain::gFName,
                                          basSubMain::gFOut, basSubMain::gFTime);
    if (loaded != reloaded)
        abort();
    return 0;
}
