// Arbitrary INI text as the settings file. Checks: loading never fails, and what is
// loaded, saved and loaded again comes back the same.
#include "base/settings.h"
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

    basSubMain::Settings loaded;
    {
        platform::IniSettingsStore store(path);
        loaded = basSubMain::readSettings(store);
    }
    {
        platform::IniSettingsStore store(again);
        basSubMain::writeSettings(loaded, store);
        if (!store.sync())
            abort();
    }
    platform::IniSettingsStore store(again);
    if (basSubMain::readSettings(store) != loaded)
        abort();
    return 0;
}
