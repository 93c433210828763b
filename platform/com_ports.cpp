#include "platform/com_ports.h"

#include "platform/settings_store.h"

namespace platform {

QString comPortDevice(int n, const SettingsStore *store)
{
    if (n < kFirstComPort || n > kLastComPort)
        return QString();
#ifdef Q_OS_WIN
    // COMn is the Windows port n: there is nothing to map.
    Q_UNUSED(store);
    return QStringLiteral("COM%1").arg(n);
#else
    if (store) {
        if (const auto path = store->text(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n)))
            if (!path->trimmed().isEmpty())
                return path->trimmed();
    }
    if (n <= 8)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 1);
    if (n <= 12)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 9);
    return QStringLiteral("/dev/ttyS%1").arg(n - 13);
#endif
}

} // namespace platform
