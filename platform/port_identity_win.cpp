// The serial ports of USB adapters through SetupAPI: the ports class, each device's
// PortName, its instance ID (and its parent's, for an interface of a composite device) and
// its location.
#include "platform/port_identity.h"

#include <windows.h>
// windows.h first: the SetupAPI headers need its types.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

namespace platform {

namespace {

QString instanceId(DEVINST inst)
{
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDW(inst, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return {};
    return QString::fromWCharArray(id);
}

QString registryText(HDEVINFO set, SP_DEVINFO_DATA *info, DWORD property)
{
    wchar_t buffer[1024] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, info, property, &type,
                                           reinterpret_cast<BYTE *>(buffer),
                                           sizeof(buffer) - sizeof(wchar_t), nullptr))
        return {};
    // A list of texts (the location paths) gives its first.
    return QString::fromWCharArray(buffer);
}

QString portName(HDEVINFO set, SP_DEVINFO_DATA *info)
{
    HKEY key = SetupDiOpenDevRegKey(set, info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD size = sizeof(name) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? QString::fromWCharArray(name) : QString();
}

} // namespace

SystemPortEnumerator::SystemPortEnumerator(const QString &root) : m_root(root) {}

QList<FoundPort> SystemPortEnumerator::usbPorts() const
{
    QList<FoundPort> found;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        const QString name = portName(set, &info);
        if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        DEVINST parent = 0;
        const QString parentId =
            CM_Get_Parent(&parent, info.DevInst, 0) == CR_SUCCESS ? instanceId(parent) : QString();
        QString location = registryText(set, &info, SPDRP_LOCATION_PATHS);
        if (location.isEmpty())
            location = registryText(set, &info, SPDRP_LOCATION_INFORMATION);
        FoundPort p;
        p.device = name.toUpper();
        p.identity = identityFromInstanceId(instanceId(info.DevInst), parentId, location);
        if (!p.identity.isEmpty())
            found << p;
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

bool SystemPortEnumerator::exists(const QString &device) const
{
    wchar_t target[512];
    return QueryDosDeviceW(reinterpret_cast<const wchar_t *>(device.utf16()), target, 512) != 0;
}

} // namespace platform
