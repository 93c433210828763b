// Which adapter a serial port is: Windows' instance IDs and Linux' sysfs read into one
// identity, its text in the settings, what counts as the same adapter, and the finder
// that maps only the configured port, only when its own device is gone.
#include "platform/port_identity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::PortIdentity;

namespace {
PortIdentity id(const char *vid, const char *pid, const char *serial, const char *at = "",
                const char *interface = "")
{
    return {QString::fromLatin1(vid), QString::fromLatin1(pid), QString::fromLatin1(serial),
            QString::fromLatin1(at), QString::fromLatin1(interface)};
}

// Adapters present as the test says.
class Usb : public platform::PortEnumerator
{
public:
    QList<platform::FoundPort> ports;
    QList<platform::FoundPort> usbPorts() const override { return ports; }
    bool exists(const QString &device) const override
    {
        for (const auto &p : ports)
            if (p.device == device)
                return true;
        return device.startsWith(QLatin1String("/dev/ttyS"));
    }
};
} // namespace

class TstPortIdentity : public QObject
{
    Q_OBJECT
private slots:
    void windowsInstanceIds_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::newRow("serial") << "USB\\VID_0403&PID_6001\\A50285BI"
                                << ""
                                << "vid=0403;pid=6001;serial=A50285BI";
        QTest::newRow("no serial: made-up instance")
            << "USB\\VID_067B&PID_2303\\5&2F2A3B2&0&3"
            << ""
            << "vid=067b;pid=2303;at=PCIROOT%280%29%23PCI%281400%29%23USBROOT%280%29%23USB%283%29";
        QTest::newRow("FTDI driver: serial and port letter")
            << "FTDIBUS\\VID_0403+PID_6010+FT4ABCDEB\\0000"
            << ""
            << "vid=0403;pid=6010;serial=FT4ABCDE;if=B";
        QTest::newRow("composite: the parent's serial")
            << "USB\\VID_2341&PID_0043&MI_00\\6&3A0F&0&0000"
            << "USB\\VID_2341&PID_0043\\75833353035351A0A1E1"
            << "vid=2341;pid=0043;serial=75833353035351A0A1E1;if=00";
        QTest::newRow("not USB") << "ACPI\\PNP0501\\1"
                                 << ""
                                 << "";
        QTest::newRow("Bluetooth") << "BTHENUM\\{00001101-0000}_LOCALMFG&0002\\7&1"
                                   << ""
                                   << "";
        QTest::newRow("vendor not hex") << "USB\\VID_04G3&PID_6001\\A1"
                                        << ""
                                        << "";
    }
    void windowsInstanceIds()
    {
        QFETCH(QString, instance);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        const PortIdentity p = platform::identityFromInstanceId(
            instance, parent, QStringLiteral("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)"));
        QCOMPARE(p.text(), text);
        // What is kept in the settings reads back as the same adapter.
        if (!text.isEmpty())
            QVERIFY(PortIdentity::fromText(text).sameAdapter(p));
    }

    void sameAdapter_data()
    {
        QTest::addColumn<PortIdentity>("a");
        QTest::addColumn<PortIdentity>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("same serial, other socket")
            << id("0403", "6001", "A1", "1-2") << id("0403", "6001", "A1", "1-4") << true;
        QTest::newRow("hex case") << id("0403", "6001", "A1") << id("0403", "6001", "A1") << true;
        QTest::newRow("other serial")
            << id("0403", "6001", "A1") << id("0403", "6001", "A2") << false;
        QTest::newRow("serial case matters")
            << id("0403", "6001", "a1") << id("0403", "6001", "A1") << false;
        QTest::newRow("other product")
            << id("0403", "6001", "A1") << id("0403", "6015", "A1") << false;
        QTest::newRow("no serial, same socket")
            << id("067b", "2303", "", "1-2") << id("067b", "2303", "", "1-2") << true;
        QTest::newRow("no serial, other socket")
            << id("067b", "2303", "", "1-2") << id("067b", "2303", "", "1-3") << false;
        QTest::newRow("no serial, no location")
            << id("067b", "2303", "") << id("067b", "2303", "") << false;
        QTest::newRow("other port of a dual adapter")
            << id("0403", "6010", "F1", "", "A") << id("0403", "6010", "F1", "", "B") << false;
        QTest::newRow("nothing known") << PortIdentity{} << PortIdentity{} << false;
    }
    void sameAdapter()
    {
        QFETCH(PortIdentity, a);
        QFETCH(PortIdentity, b);
        QFETCH(bool, same);
        QCOMPARE(a.sameAdapter(b), same);
        QCOMPARE(b.sameAdapter(a), same);
    }

    // What a hand-edited PortId= can hold: read as written, or not an identity at all.
    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("serial with ; and =") << "vid=0403;pid=6001;serial=A%3B1%3D"
                                             << "vid=0403;pid=6001;serial=A%3B1%3D";
        QTest::newRow("blanks and order") << " pid=6001 ; vid=0403;serial=A1"
                                          << "vid=0403;pid=6001;serial=A1";
        QTest::newRow("unknown key ignored") << "vid=0403;pid=6001;colour=red;serial=A1"
                                             << "vid=0403;pid=6001;serial=A1";
        QTest::newRow("no product") << "vid=0403;serial=A1"
                                    << "";
        QTest::newRow("vendor too long") << "vid=04031;pid=6001"
                                         << "";
        QTest::newRow("garbage") << "\x01\x02;;=="
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        QCOMPARE(PortIdentity::fromText(text).text(), readBack);
    }

    // Linux: a usb-serial adapter with a serial number, a CDC ACM one without, and a
    // built-in port, as sysfs lays them out.
    void linuxSysfs()
    {
#ifdef Q_OS_WIN
        QSKIP("sysfs is Linux's");
#else
        QTemporaryDir root;
        const QString usb = root.path() + "/sys/devices/pci0000:00/0000:00:14.0/usb1";
        auto device = [&](const QString &dir, const QByteArray &vid, const QByteArray &pid,
                          const QByteArray &serial) {
            QVERIFY(QDir().mkpath(dir));
            for (const auto &[name, value] :
                 {std::pair{"idVendor", vid}, {"idProduct", pid}, {"serial", serial}}) {
                if (value.isNull())
                    continue;
                QFile f(dir + '/' + name);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(value + '\n');
            }
        };
        device(usb + "/1-2", "0403", "6001", "A50285BI");
        device(usb + "/1-4.1", "2341", "0043", QByteArray());
        QVERIFY(QDir().mkpath(usb + "/1-2/1-2:1.0/ttyUSB0"));
        QVERIFY(QDir().mkpath(usb + "/1-4.1/1-4.1:1.0"));
        QVERIFY(QDir().mkpath(root.path() + "/sys/devices/platform/serial8250/tty/ttyS0"));
        const QString ttys = root.path() + "/sys/class/tty/";
        for (const auto &[name, target] :
             {std::pair{"ttyUSB0", usb + "/1-2/1-2:1.0/ttyUSB0"},
              {"ttyACM0", usb + "/1-4.1/1-4.1:1.0"},
              {"ttyS0", root.path() + "/sys/devices/platform/serial8250"}}) {
            QVERIFY(QDir().mkpath(ttys + name));
            QVERIFY(QFile::link(target, ttys + name + "/device"));
        }
        QDir().mkpath(ttys + "console"); // no device at all

        QStringList found;
        for (const auto &p : platform::SystemPortEnumerator(root.path()).usbPorts())
            found << p.device + ' ' + p.identity.text();
        found.sort();
        QCOMPARE(found, (QStringList{"/dev/ttyACM0 vid=2341;pid=0043;if=1.0;at=1-4.1",
                                     "/dev/ttyUSB0 vid=0403;pid=6001;serial=A50285BI;if=1.0"}));
#endif
    }

    // Only the configured port is looked for, only when its own device is gone or is
    // another adapter now, and only the same adapter is taken.
    void finder_data()
    {
        QTest::addColumn<QString>("names"); // the usual device of port n
        QTest::addColumn<int>("n");
        QTest::addColumn<QStringList>("present"); // devices of adapter A1, or "B:" another
        QTest::addColumn<QString>("device");
        const QString ttyUsb = QStringLiteral("/dev/ttyUSB%1"), com = QStringLiteral("COM%1");
        QTest::newRow("own device there")
            << ttyUsb << 3 << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB6"} << "/dev/ttyUSB2";
        QTest::newRow("moved") << ttyUsb << 3 << QStringList{"/dev/ttyUSB6"} << "/dev/ttyUSB6";
        QTest::newRow("another adapter there")
            << ttyUsb << 3 << QStringList{"B:/dev/ttyUSB6"} << "/dev/ttyUSB2";
        QTest::newRow("not the configured port")
            << ttyUsb << 4 << QStringList{"/dev/ttyUSB6"} << "/dev/ttyUSB3";
        QTest::newRow("nothing there") << ttyUsb << 3 << QStringList{} << "/dev/ttyUSB2";
        QTest::newRow("COM3 another adapter now, COM7 this one")
            << com << 3 << QStringList{"B:COM3", "COM7"} << "COM7";
        QTest::newRow("COM3 gone, COM7 this one") << com << 3 << QStringList{"COM7"} << "COM7";
        QTest::newRow("above 16: COM17 for COM3") << com << 3 << QStringList{"COM17"} << "COM17";
    }
    void finder()
    {
        QFETCH(QString, names);
        QFETCH(int, n);
        QFETCH(QStringList, present);
        QFETCH(QString, device);
        Usb usb;
        for (QString d : present) {
            const bool other = d.startsWith("B:");
            usb.ports << platform::FoundPort{d.remove("B:"),
                                             id("0403", "6001", other ? "B2" : "A1")};
        }
        // Linux numbers ttyUSB from 0, Windows COM from 1.
        const int first = names.startsWith("COM") ? 0 : 1;
        const auto usual = [&](int k) { return names.arg(k - first); };
        platform::PortFinder finder(usual, &usb);
        finder.setConfigured(3, id("0403", "6001", "A1"));
        QCOMPARE(finder.device(n), device);
        QCOMPARE(finder.last().usual, usual(n));
        // The adapter at the device opened, for keeping it (none for a port not listed,
        // and none looked up for a port other than the configured one).
        PortIdentity at;
        for (const auto &p : usb.ports)
            if (p.device == device && n == 3)
                at = p.identity;
        QCOMPARE(finder.last().identity.text(), at.text());
        // Nothing known of the adapter: the usual device, whatever is present.
        finder.setConfigured(3, {});
        QCOMPARE(finder.device(n), usual(n));
    }
};

QTEST_GUILESS_MAIN(TstPortIdentity)
#include "tst_port_identity.moc"
