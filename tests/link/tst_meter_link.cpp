// The link unit without a window: connect, the watchdog, stop, and reconnecting, driven
// by ticks and bytes from the test through a fake port.
#include "fakes.h"
#include "link/meter_link.h"

#include <QSignalSpy>
#include <QtTest>

using meterlink::LinkState;
using meterlink::MeterLink;

namespace {
const QByteArray kFrame = "\x02"
                          "0123,0456,0789,0012,1,2\r";
}

class TstMeterLink : public QObject
{
    Q_OBJECT
    fakes::SerialPort port;
    meterlink::Readings readings;
    std::unique_ptr<MeterLink> link;
    QList<LinkState> states;

    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            link->tick();
    }
    void connectLive()
    {
        QVERIFY(link->openPort(nullptr));
        link->start();
        port.receive(kFrame);
        QCOMPARE(link->state(), LinkState::Live);
    }

private slots:
    void init()
    {
        port.usable = {1};
        port.setCommPort(1);
        port.setSettings("9600,n,8,1");
        port.close();
        port.sent.clear();
        port.opens = 0;
        readings.fill(QStringLiteral("0.0"));
        states.clear();
        link = std::make_unique<MeterLink>(&port);
        connect(link.get(), &MeterLink::frameDecoded, this,
                [this](const meterlink::Frame &f) { readings = meterlink::readingTexts(f); });
        connect(link.get(), &MeterLink::stateChanged, this, [this](LinkState s) { states << s; });
    }

    void connectSendsDAndArmsTheWatchdog()
    {
        QVERIFY(link->openPort(nullptr));
        link->start();
        QCOMPARE(port.sent, QByteArray("D\r"));
        QCOMPARE(link->countdown(), qint16(20));
        QCOMPARE(states, QList<LinkState>{LinkState::Live});
        QVERIFY(!link->receiving());
        port.receive(kFrame);
        QVERIFY(link->receiving());
        QCOMPARE(readings[0], QStringLiteral("12.3"));
        // An open port cannot be opened again.
        QVERIFY(!link->openPort(nullptr));
    }

    void silenceStopsTheLinkAfterTwentyOneTicks_data()
    {
        QTest::addColumn<bool>("reconnect");
        QTest::newRow("reconnecting off") << false;
        QTest::newRow("reconnecting on") << true;
    }
    void silenceStopsTheLinkAfterTwentyOneTicks()
    {
        QFETCH(bool, reconnect);
        link->setReconnectEnabled(reconnect);
        connectLive();
        tick(20);
        QCOMPARE(link->countdown(), qint16(0));
        QCOMPARE(link->state(), LinkState::Live);
        tick();
        QCOMPARE(link->state(), reconnect ? LinkState::Reconnecting : LinkState::Stopped);
        QVERIFY(!port.isOpen());
        QVERIFY(!link->receiving());
        QCOMPARE(port.sent, QByteArray("D\r")); // no "J" on this path
        // Off: nothing more is tried, ever.
        const int opens = port.opens;
        tick(100);
        QCOMPARE(port.opens > opens, reconnect);
    }

    void reconnectAttemptsEveryThreeSeconds()
    {
        link->setReconnectEnabled(true);
        QSignalSpy attempts(link.get(), &MeterLink::reconnectAttempted);
        connectLive();
        tick(21);
        QCOMPARE(link->state(), LinkState::Reconnecting);
        port.usable = {}; // the adapter is gone
        port.sent.clear();
        tick(29);
        QCOMPARE(attempts.size(), 0);
        tick();
        QCOMPARE(attempts.size(), 1);
        QCOMPARE(attempts[0][0].toBool(), false);
        QVERIFY(!attempts[0][1].toString().isEmpty());
        tick(30);
        QCOMPARE(attempts.size(), 2);
        QCOMPARE(port.sent, QByteArray());

        // It is back: the next attempt opens and sends "D"; no frame within 2 s closes it.
        port.usable = {1};
        tick(30);
        QCOMPARE(attempts.size(), 3);
        QCOMPARE(attempts[2][0].toBool(), true);
        QVERIFY(port.isOpen());
        QCOMPARE(port.sent, QByteArray("D\r"));
        QCOMPARE(link->state(), LinkState::Reconnecting);
        tick(19);
        QVERIFY(port.isOpen());
        tick();
        QVERIFY(!port.isOpen());
        // The next attempt, and a frame: live again.
        tick(10);
        QCOMPARE(attempts.size(), 4);
        QVERIFY(port.isOpen());
        port.receive(kFrame);
        QCOMPARE(link->state(), LinkState::Live);
        QVERIFY(link->receiving());
        QCOMPARE(link->countdown(), qint16(20));
        QCOMPARE(states,
                 (QList<LinkState>{LinkState::Live, LinkState::Reconnecting, LinkState::Live}));
        // While frames keep coming, nothing more is attempted.
        for (int i = 0; i < 10; ++i) {
            tick(10);
            port.receive(kFrame);
        }
        QCOMPARE(attempts.size(), 4);
        QCOMPARE(link->state(), LinkState::Live);
    }

    void garbageDoesNotEndReconnecting()
    {
        link->setReconnectEnabled(true);
        connectLive();
        tick(21 + 30);
        QVERIFY(port.isOpen());
        port.receive(QByteArray("\x02zz,\r\0\0\r", 9));
        QCOMPARE(link->state(), LinkState::Reconnecting);
        tick(20);
        QVERIFY(!port.isOpen());
    }

    void stopEndsReconnecting()
    {
        link->setReconnectEnabled(true);
        connectLive();
        tick(21);
        link->stop();
        QCOMPARE(link->state(), LinkState::Stopped);
        const int opens = port.opens;
        tick(200);
        QCOMPARE(port.opens, opens);
        QCOMPARE(states.last(), LinkState::Stopped);
    }

    void stopIsReportedAlsoWhenStopped()
    {
        link->stop();
        link->stop();
        QCOMPARE(states, (QList<LinkState>{LinkState::Stopped, LinkState::Stopped}));
    }

    void portFailureIsReportedWithItsReason()
    {
        QSignalSpy failed(link.get(), &MeterLink::portFailed);
        connectLive();
        port.fail(QStringLiteral("/dev/ttyUSB0: Input/output error"));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), QStringLiteral("/dev/ttyUSB0: Input/output error"));
        // The watchdog decides, on its own schedule.
        QCOMPARE(link->state(), LinkState::Live);
        tick(21);
        QCOMPARE(link->state(), LinkState::Stopped);
    }

    void beginReconnectingFromStopped()
    {
        port.usable = {};
        link->setReconnectEnabled(true);
        link->beginReconnecting();
        QCOMPARE(link->state(), LinkState::Reconnecting);
        port.usable = {1};
        tick(30);
        QVERIFY(port.isOpen());
        port.receive(kFrame);
        QCOMPARE(link->state(), LinkState::Live);
    }
};

QTEST_GUILESS_MAIN(TstMeterLink)
#include "tst_meter_link.moc"
