// Reading the system registry: open a key, query a value, close the key. On Windows the
// advapi32 functions; elsewhere a stand-in that knows where the system-information tool is.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

class Registry
{
public:
    using Key = quintptr;
    static constexpr Key kLocalMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr quint32 kTypeString = 1;        // REG_SZ
    static constexpr quint32 kTypeNumber = 4;        // REG_DWORD
    static constexpr long kSuccess = 0;

    virtual ~Registry() = default;
    virtual long openKey(Key root, const QString &subKey, quint32 access, Key *result) = 0;
    // Reads at most capacity bytes of the value into *data, with its type.
    virtual long queryValue(Key key, const QString &name, quint32 *type, QByteArray *data,
                            int capacity) = 0;
    virtual long closeKey(Key key) = 0;
};

// The registry of this system (on Linux: the stand-in).
class SystemRegistry : public Registry
{
public:
    long openKey(Key root, const QString &subKey, quint32 access, Key *result) override;
    long queryValue(Key key, const QString &name, quint32 *type, QByteArray *data,
                    int capacity) override;
    long closeKey(Key key) override;
};

// The Linux stand-in's answer for the tool's path: the first of hardinfo2, hardinfo,
// kinfocenter, gnome-system-monitor on PATH; empty when none is there.
QString linuxSystemInfoTool();

} // namespace platform
