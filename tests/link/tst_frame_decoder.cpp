// Frames cut from a character stream and decoded into reading texts and alarm colours.
#include "link/frame_decoder.h"

#include <QRegularExpression>
#include <QtTest>
#include <random>

using namespace meterlink;

namespace {
struct Sink : AlarmSink {
    void setAlarmColour(int figure, AlarmColour c) override
    {
        colour[figure] = c;
        ++calls;
    }
    AlarmColour colour[4] = {};
    int calls = 0;
};

// "0123,0456,0789,0012,1,2" style text with chosen alarm digits.
QByteArray text(const char *a = "0123", const char *b = "0456", const char *c = "0789",
                const char *d = "0012", char f1 = '1', char f2 = '2')
{
    return QByteArray(a) + ',' + b + ',' + c + ',' + d + ',' + f1 + ',' + f2;
}
} // namespace

class TstFrameDecoder : public QObject
{
    Q_OBJECT
    Readings r;
    Sink sink;
    QByteArray buffer;

private slots:
    void init()
    {
        r.fill(QStringLiteral("0.0"));
        sink = Sink{};
        buffer.clear();
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("readings");
        QTest::addColumn<int>("colour0"); // -1: untouched
        QTest::addColumn<int>("colour2");
        const QStringList all = {"12.3", "45.6", "78.9", "1.2"};
        const QStringList none = {"0.0", "0.0", "0.0", "0.0"};
        const int W = int(AlarmColour::White), Y = int(AlarmColour::Yellow),
                  R = int(AlarmColour::Red);
        QTest::newRow("full frame") << text() << all << Y << R;
        QTest::newRow("D prefix") << "D" + text() << all << Y << R;
        QTest::newRow("other separators") << QByteArray("0123x0456;0789 0012|1#2") << all << Y << R;
        QTest::newRow("red and white")
            << text("0123", "0456", "0789", "0012", '2', '0') << all << R << W;
        QTest::newRow("level 9 is white")
            << text("0123", "0456", "0789", "0012", '9', '3') << all << W << W;
        QTest::newRow("22 chars: readings only") << text().left(22) << all << -1 << -1;
        QTest::newRow("23 with D: readings only") << "D" + text().left(22) << all << -1 << -1;
        QTest::newRow("trailing characters ignored") << text() + ",xyz" << all << Y << R;
        QTest::newRow("zeros") << text("0000", "0000", "0000", "0000", '0', '0') << none << W << W;
        QTest::newRow("max") << text("9999", "9999", "9999", "9999", '0', '0')
                             << QStringList{"999.9", "999.9", "999.9", "999.9"} << W << W;
        QTest::newRow("bad third field keeps first two")
            << text("0123", "0456", "07a9") << QStringList{"12.3", "45.6", "0.0", "0.0"} << -1
            << -1;
        QTest::newRow("lowercase d is no prefix") << "d" + text() << none << -1 << -1;
        QTest::newRow("empty") << QByteArray() << none << -1 << -1;
        QTest::newRow("short: first field only")
            << QByteArray("0042") << QStringList{"4.2", "0.0", "0.0", "0.0"} << -1 << -1;
        QTest::newRow("partial field")
            << QByteArray("0123,45") << QStringList{"12.3", "4.5", "0.0", "0.0"} << -1 << -1;
        QTest::newRow("blanks and signs") << text(" 123", "-045", "+789", "  12")
                                          << QStringList{"12.3", "-4.5", "78.9", "1.2"} << Y << R;
        QTest::newRow("minus zero is zero")
            << text("-000") << QStringList{"0.0", "45.6", "78.9", "1.2"} << Y << R;
        QTest::newRow("decimal point")
            << text("12.5") << QStringList{"1.3", "45.6", "78.9", "1.2"} << Y << R;
        QTest::newRow("bad first alarm stops both")
            << text("0123", "0456", "0789", "0012", 'x', '2') << all << -1 << -1;
        QTest::newRow("bad second alarm keeps first")
            << text("0123", "0456", "0789", "0012", '2', '+') << all << R << -1;
        QTest::newRow("NUL in field") << QByteArray("01\0003,0456", 9) << none << -1 << -1;
        QTest::newRow("high bytes") << QByteArray("\xff\xfe\x80\x81") << none << -1 << -1;
        QTest::newRow("exponent is not a number") << text("1e3") << none << -1 << -1;
        QTest::newRow("blank field") << text("    ") << none << -1 << -1;
    }
    void decode()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, readings);
        QFETCH(int, colour0);
        QFETCH(int, colour2);
        DecodeFrame(frame, r, &sink);
        QCOMPARE(QStringList(r.begin(), r.end()), readings);
        QCOMPARE(sink.calls, (colour0 >= 0) + (colour2 >= 0));
        if (colour0 >= 0)
            QCOMPARE(int(sink.colour[0]), colour0);
        if (colour2 >= 0)
            QCOMPARE(int(sink.colour[2]), colour2);
    }

    void receiverCutsFrames()
    {
        FrameReceiver rx(buffer, r, &sink);
        // Characters before the first STX are decoded at the next CR like any frame.
        rx.feed("0011,0022,0033,0044,0,0\r");
        QCOMPARE(r[0], QStringLiteral("1.1"));
        // A frame split over many notifications.
        const QByteArray f = '\x02' + text() + '\r';
        for (char c : f)
            rx.feed(QByteArrayView(&c, 1));
        QCOMPARE(r[3], QStringLiteral("1.2"));
        QCOMPARE(int(sink.colour[2]), int(AlarmColour::Red));
    }

    void everyWaitingFrameIsDecoded()
    {
        // Two frames in one batch: the display shows the second, none is left waiting.
        FrameReceiver rx(buffer, r, &sink);
        rx.feed('\x02' + text("0001") + "\r\x02" + text("0002") + '\r');
        QCOMPARE(r[0], QStringLiteral("0.2"));
    }

    void wholeFramesAreCounted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("whole"); // frames with all four readings
        QTest::addColumn<bool>("bytewise");
        for (bool bytewise : {false, true}) {
            const char *how = bytewise ? "byte by byte" : "one batch";
            QTest::addRow("two frames, %s", how) << ('\x02' + text() + "\r\x02" + text() + '\r') << 2 << bytewise;
            QTest::addRow("four fields only, %s", how) << QByteArray("\x02" "0011,0022,0033,0044\r") << 1 << bytewise;
            QTest::addRow("three fields, %s", how) << QByteArray("\x02" "0011,0022,0033\r") << 0 << bytewise;
            QTest::addRow("letters, %s", how) << QByteArray("\x02" "abcd,0022,0033,0044,0,0\r") << 0 << bytewise;
            QTest::addRow("empty frame, %s", how) << QByteArray("\x02\r") << 0 << bytewise;
            QTest::addRow("no CR, %s", how) << ('\x02' + text()) << 0 << bytewise;
            QTest::addRow("NULs and CRs, %s", how) << QByteArray("\0\0\r\r\0\r", 6) << 0 << bytewise;
        }
    }
    void wholeFramesAreCounted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, whole);
        QFETCH(bool, bytewise);
        FrameReceiver rx(buffer, r, &sink);
        int n = 0;
        if (bytewise)
            for (char c : bytes)
                n += rx.feed(QByteArrayView(&c, 1));
        else
            n = rx.feed(bytes);
        QCOMPARE(n, whole);
    }

    void lostStxRepeatsPreviousFrame()
    {
        FrameReceiver rx(buffer, r, &sink);
        rx.feed('\x02' + text("0005") + '\r');
        rx.feed(text("0009") + '\r'); // its STX was lost: appended to the old text
        QCOMPARE(r[0], QStringLiteral("0.5"));
        rx.feed('\x02' + text("0007") + '\r');
        QCOMPARE(r[0], QStringLiteral("0.7"));
    }

    void bufferIsBounded()
    {
        FrameReceiver rx(buffer, r, &sink);
        rx.feed(QByteArray(10000, 'x'));
        QCOMPARE(buffer.size(), kRxBufferLimit);
        rx.feed('\x02' + text("0321") + '\r');
        QCOMPARE(r[0], QStringLiteral("32.1"));
        // A 10,000-character frame: its first 256 characters are kept and decoded.
        rx.feed('\x02' + QByteArray(10000, '7') + '\r');
        QCOMPARE(buffer.size(), kRxBufferLimit);
        QCOMPARE(r[3], QStringLiteral("777.7"));
    }

    void randomBytesKeepInvariants()
    {
        std::mt19937 rng(475);
        std::uniform_int_distribution<int> byte(0, 255), len(0, 64);
        FrameReceiver rx(buffer, r, &sink);
        static const QRegularExpression format(QStringLiteral("^-?\\d+\\.\\d$"));
        for (int i = 0; i < 20000; ++i) {
            QByteArray chunk;
            const int n = len(rng);
            for (int k = 0; k < n; ++k)
                chunk += char(byte(rng));
            if (i % 7 == 0)
                chunk += '\x02' + text("0100") + '\r';
            rx.feed(chunk);
            QVERIFY(buffer.size() <= kRxBufferLimit);
            for (const QString &s : r)
                QVERIFY2(format.match(s).hasMatch(), qPrintable(s));
        }
        // A good frame after all that still decodes.
        rx.feed('\x02' + text("0250") + '\r');
        QCOMPARE(r[0], QStringLiteral("25.0"));
    }
};

QTEST_GUILESS_MAIN(TstFrameDecoder)
#include "tst_frame_decoder.moc"
