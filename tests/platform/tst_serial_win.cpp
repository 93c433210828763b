// The Win32 serial read on a real port (under Wine: a pseudo-terminal where the test
// meter answers, named by QV475_TEST_COM): the reads that complete while the meter is
// silent and while it sends ten frames a second are bounded by the pause after an empty
// read (at most 50 a second), not a loop of thousands; the frames come whole.
#include "platform/serial_port.h"

#include <QElapsedTimer>
#include <QtTest>

class TstSerialWin : public QObject
{
    Q_OBJECT
private slots:
    void readsWaitInTheSystem()
    {
        const int com = qEnvironmentVariableIntValue("QV475_TEST_COM");
        if (!com)
            QSKIP("QV475_TEST_COM names no port with a meter (scripts/windows.sh sets it)");
        platform::Win32SerialPort port;
        port.setCommPort(com);
        port.setSettings(QStringLiteral("9600,n,8,1"));
        platform::PortError error;
        QVERIFY2(port.open(&error), qPrintable(error.text()));
        auto countFor = [&](int ms) {
            const quint64 before = port.readCompletions();
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < ms)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            return port.readCompletions() - before;
        };
        const quint64 silent = countFor(3000);
        QVERIFY(port.output("D\r"));
        const quint64 sending = countFor(3000);
        const QByteArray got = port.input(1 << 20);
        qInfo(
            "read completions: %llu in 3 s silent, %llu in 3 s at 10 frames a second (%lld bytes)",
            silent, sending, qint64(got.size()));
        const quint64 bound = 3000 / platform::Win32SerialPort::kIdleReadMs + 20;
        QVERIFY2(silent <= bound, qPrintable(QString::number(silent)));
        QVERIFY2(sending <= 2 * bound, qPrintable(QString::number(sending)));
        QVERIFY(got.contains("\x02"
                             "0456,0567,0123,0234,2,1\r"));
        port.output("J\r");
    }
};

QTEST_GUILESS_MAIN(TstSerialWin)
#include "tst_serial_win.moc"
