// The serial settings string and the COM number to device path table.
#include "platform/com_ports.h"
#include "platform/serial_settings.h"
#include "platform/settings_store.h"

#include <QTemporaryDir>
#include <QtTest>

using platform::SerialSettings;

class TstSerialSettings : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::newRow("default") << "9600,n,8,1" << true << 9600 << 8;
        QTest::newRow("19200") << "19200,n,8,1" << true << 19200 << 8;
        QTest::newRow("upper parity and blanks") << " 38400 , N , 7 , 2 " << true << 38400 << 7;
        QTest::newRow("even 1.5") << "4800,e,5,1.5" << true << 4800 << 5;
        QTest::newRow("empty") << "" << false << 0 << 0;
        QTest::newRow("three parts") << "9600,n,8" << false << 0 << 0;
        QTest::newRow("five parts") << "9600,n,8,1,1" << false << 0 << 0;
        QTest::newRow("baud letters") << "fast,n,8,1" << false << 0 << 0;
        QTest::newRow("baud negative") << "-9600,n,8,1" << false << 0 << 0;
        QTest::newRow("baud zero") << "0,n,8,1" << false << 0 << 0;
        QTest::newRow("baud huge") << "99999999999,n,8,1" << false << 0 << 0;
        QTest::newRow("parity x") << "9600,x,8,1" << false << 0 << 0;
        QTest::newRow("data 9") << "9600,n,9,1" << false << 0 << 0;
        QTest::newRow("data 4") << "9600,n,4,1" << false << 0 << 0;
        QTest::newRow("stop 3") << "9600,n,8,3" << false << 0 << 0;
        QTest::newRow("list joined oddly") << "9600 n 8 1" << false << 0 << 0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        const auto s = platform::parseSerialSettings(text);
        QCOMPARE(s.has_value(), ok);
        if (ok) {
            QTEST(int(s->baud), "baud");
            QTEST(s->dataBits, "dataBits");
        }
    }

    void devicePaths_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("path");
#ifdef Q_OS_WIN
        // Windows names its own ports; [Ports] maps nothing there.
        QTest::newRow("COM1") << 1 << "COM1";
        QTest::newRow("COM16") << 16 << "COM16";
        QTest::newRow("COM17") << 17 << "";
        QTest::newRow("override ignored") << 3 << "COM3";
        return;
#endif
        QTest::newRow("COM1") << 1 << "/dev/ttyUSB0";
        QTest::newRow("COM8") << 8 << "/dev/ttyUSB7";
        QTest::newRow("COM9") << 9 << "/dev/ttyACM0";
        QTest::newRow("COM12") << 12 << "/dev/ttyACM3";
        QTest::newRow("COM13") << 13 << "/dev/ttyS0";
        QTest::newRow("COM16") << 16 << "/dev/ttyS3";
        QTest::newRow("COM0") << 0 << "";
        QTest::newRow("COM17") << 17 << "";
        QTest::newRow("negative") << -3 << "";
        QTest::newRow("override") << 3 << "/dev/pts/7";
        QTest::newRow("blank override ignored") << 4 << "/dev/ttyUSB3";
    }
    void devicePaths()
    {
        QFETCH(int, n);
        QFETCH(QString, path);
        QTemporaryDir dir;
        const QString ini = dir.filePath("s.ini");
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Ports]\nCOM3=/dev/pts/7\nCOM4=\nCOM17=/dev/null\n");
        }
        platform::IniSettingsStore store(ini);
        QCOMPARE(platform::comPortDevice(n, &store), path);
    }
};

QTEST_GUILESS_MAIN(TstSerialSettings)
#include "tst_serial_settings.moc"
