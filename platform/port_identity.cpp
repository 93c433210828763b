#include "platform/port_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace platform {

namespace {

bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The device's own name for comparing: Linux follows links (/dev/serial/by-id/... is
// /dev/ttyUSB0); Windows names are compared as they are.
QString realDevice(const QString &device)
{
#ifdef Q_OS_WIN
    return device;
#else
    const QString real = QFileInfo(device).canonicalFilePath();
    return real.isEmpty() ? device : real;
#endif
}

const std::pair<const char *, QString PortIdentity::*> kFields[] = {
    {"vid", &PortIdentity::vendor},    {"pid", &PortIdentity::product},
    {"serial", &PortIdentity::serial}, {"if", &PortIdentity::interface},
    {"at", &PortIdentity::location},
};

} // namespace

bool PortIdentity::sameAdapter(const PortIdentity &o) const
{
    if (isEmpty() || o.isEmpty() || !sameText(vendor, o.vendor) || !sameText(product, o.product) ||
        interface != o.interface)
        return false;
    if (!serial.isEmpty() || !o.serial.isEmpty())
        return serial == o.serial;
    return !location.isEmpty() && location == o.location;
}

QString PortIdentity::text() const
{
    if (isEmpty())
        return {};
    QStringList parts;
    for (const auto &[key, field] : kFields)
        if (!(this->*field).isEmpty())
            parts << QString::fromLatin1(key) + QLatin1Char('=') +
                         QString::fromLatin1(QUrl::toPercentEncoding(this->*field, "/:"));
    return parts.join(QLatin1Char(';'));
}

PortIdentity PortIdentity::fromText(const QString &text)
{
    PortIdentity id;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value =
            QUrl::fromPercentEncoding(part.section(QLatin1Char('='), 1).trimmed().toUtf8());
        for (const auto &[name, field] : kFields)
            if (key == QLatin1String(name))
                id.*field = value;
    }
    // Vendor and product are four hex digits, or the identity is not one.
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    if (!hex.match(id.vendor).hasMatch() || !hex.match(id.product).hasMatch())
        return {};
    return id;
}

PortIdentity identityFromInstanceId(const QString &id, const QString &parentId,
                                    const QString &location)
{
    // USB\VID_0403&PID_6001[&MI_01]\SERIAL, or a driver's own bus such as
    // FTDIBUS\VID_0403+PID_6001+A12345A\0000 (the serial number, then the port's letter).
    static const QRegularExpression usb(
        QStringLiteral("^[^\\\\]+\\\\VID_([0-9A-F]{4})[&+]PID_([0-9A-F]{4})([^\\\\]*)\\\\(.*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = usb.match(id);
    if (!m.hasMatch())
        return {};
    PortIdentity p;
    p.vendor = m.captured(1).toLower();
    p.product = m.captured(2).toLower();
    const QString rest = m.captured(3);
    const QString instance = m.captured(4);
    if (rest.startsWith(QLatin1Char('+'))) {
        // The FTDI driver's form: the serial number with the port's letter at its end.
        const QString serialAndPort = rest.mid(1);
        p.serial = serialAndPort.chopped(serialAndPort.isEmpty() ? 0 : 1);
        p.interface = serialAndPort.right(1);
    } else {
        static const QRegularExpression mi(QStringLiteral("&MI_([0-9A-F]{2})"),
                                           QRegularExpression::CaseInsensitiveOption);
        if (const auto i = mi.match(rest); i.hasMatch())
            p.interface = i.captured(1);
        // An instance with '&' in it is one Windows made up: the adapter has no serial
        // number; an interface's serial number is its USB device's.
        const QString own =
            p.interface.isEmpty() ? instance : parentId.section(QLatin1Char('\\'), 2);
        if (!own.isEmpty() && !own.contains(QLatin1Char('&')))
            p.serial = own;
    }
    if (p.serial.isEmpty())
        p.location = location;
    return p;
}

PortFinder::PortFinder(Usual usual, const PortEnumerator *enumerator)
    : m_usual(std::move(usual)), m_enumerator(enumerator)
{}

void PortFinder::setConfigured(int port, const PortIdentity &identity)
{
    m_port = port;
    m_identity = identity;
}

QString PortFinder::device(int n)
{
    m_last = {n, m_usual(n), {}, {}};
    m_last.device = m_last.usual;
    if (n != m_port || !m_enumerator || m_last.usual.isEmpty())
        return m_last.device;
    // The configured port: the adapters are listed once, for the adapter at its own name
    // and, when that name is gone or is another USB adapter now (two adapters that
    // swapped names), for the configured one elsewhere.
    const QString usual = realDevice(m_last.usual);
    const FoundPort *same = nullptr;
    const QList<FoundPort> ports = m_enumerator->usbPorts();
    for (const FoundPort &p : ports) {
        if (sameText(realDevice(p.device), usual))
            m_last.identity = p.identity;
        else if (!same && p.identity.sameAdapter(m_identity))
            same = &p;
    }
    const bool usualIsOurs = m_last.identity.sameAdapter(m_identity);
    if (same && !usualIsOurs &&
        (!m_last.identity.isEmpty() || !m_enumerator->exists(m_last.usual))) {
        m_last.device = same->device;
        m_last.identity = same->identity;
    }
    return m_last.device;
}

#ifndef Q_OS_WIN
SystemPortEnumerator::SystemPortEnumerator(const QString &root) : m_root(root) {}

namespace {
QString attribute(const QString &dir, const char *name)
{
    QFile f(dir + QLatin1Char('/') + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(256)).trimmed();
}
} // namespace

QList<FoundPort> SystemPortEnumerator::usbPorts() const
{
    QList<FoundPort> found;
    const QDir ttys(m_root + QStringLiteral("/sys/class/tty"));
    for (const QString &name : ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        // The port's device in sysfs: .../1-2/1-2:1.0/ttyUSB0 (usb-serial) or
        // .../1-2/1-2:1.0 (CDC ACM); the USB device is the first one up with idVendor.
        QString dir =
            QFileInfo(ttys.filePath(name) + QStringLiteral("/device")).canonicalFilePath();
        QString below;
        for (int up = 0; up < 4 && !dir.isEmpty(); ++up) {
            if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
                FoundPort p;
                p.device = QStringLiteral("/dev/") + name;
                p.identity.vendor = attribute(dir, "idVendor").toLower();
                p.identity.product = attribute(dir, "idProduct").toLower();
                p.identity.serial = attribute(dir, "serial");
                // "1-2:1.0": the interface "1.0" of the device plugged in at "1-2".
                p.identity.interface = below.section(QLatin1Char(':'), 1);
                if (p.identity.serial.isEmpty())
                    p.identity.location = QFileInfo(dir).fileName();
                if (!p.identity.isEmpty())
                    found << p;
                break;
            }
            below = QFileInfo(dir).fileName();
            dir = QFileInfo(dir).path();
        }
    }
    return found;
}

bool SystemPortEnumerator::exists(const QString &device) const
{
    return QFileInfo::exists(device);
}
#endif

} // namespace platform
