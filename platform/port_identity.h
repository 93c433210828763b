// Which USB serial adapter a port is, so that the configured port is found again when the
// adapter comes back under another name (another USB socket, a COM number above 16, a
// port dropped by the adapter's power saving and made again).
#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace platform {

// A USB serial adapter: vendor and product (four hex digits each), its serial number when
// it has one, where it is plugged in (used when it has none), and the interface of an
// adapter with more than one port.
struct PortIdentity {
    QString vendor, product, serial, location, interface;

    bool isEmpty() const { return vendor.isEmpty() || product.isEmpty(); }
    // The same adapter: vendor, product and interface, and the serial number, or the
    // location when neither has a serial number.
    bool sameAdapter(const PortIdentity &other) const;
    // As kept in the settings (PortId=): "vid=0403;pid=6001;serial=A1;if=..;at=..".
    QString text() const;
    static PortIdentity fromText(const QString &text);
};

// Windows' device instance IDs ("USB\VID_0403&PID_6001\A1", "FTDIBUS\VID_0403+PID_6001+A1A\0000",
// "USB\VID_2341&PID_0043&MI_00\6&2A&0&0000") to an identity; parentId is the USB device's
// own ID for an interface of a composite device. Empty when the ID is not a USB one.
PortIdentity identityFromInstanceId(const QString &id, const QString &parentId,
                                    const QString &location);

struct FoundPort {
    QString device; // "/dev/ttyUSB1", "COM17"
    PortIdentity identity;
};

// The serial ports of USB adapters present now; tests put a fake in its place.
class PortEnumerator
{
public:
    virtual ~PortEnumerator() = default;
    virtual QList<FoundPort> usbPorts() const = 0;
    // Whether a port of that name is present.
    virtual bool exists(const QString &device) const = 0;
};

// Linux: the USB attributes in sysfs under root (udev names /dev/serial/by-id and by-path
// from the same attributes); Windows: SetupAPI's ports class.
class SystemPortEnumerator : public PortEnumerator
{
public:
    explicit SystemPortEnumerator(const QString &root = QStringLiteral("/"));
    QList<FoundPort> usbPorts() const override;
    bool exists(const QString &device) const override;

private:
    QString m_root;
};

// The device to open for a port number: the usual one (the settings' table, "COMn"), or,
// for the configured port when its device is gone or is another USB adapter now, the
// port of the same adapter.
class PortFinder
{
public:
    using Usual = std::function<QString(int)>;
    PortFinder(Usual usual, const PortEnumerator *enumerator);

    void setConfigured(int port, const PortIdentity &identity);
    QString device(int n);
    // What the last call of device() gave.
    struct Resolved {
        int n = 0;
        QString usual, device;
        PortIdentity identity; // the adapter at device, when it is a USB one
    };
    const Resolved &last() const { return m_last; }

private:
    Usual m_usual;
    const PortEnumerator *m_enumerator;
    int m_port = 0;
    PortIdentity m_identity;
    Resolved m_last;
};

} // namespace platform
