// Frames cut from a character stream and decoded into reading texts and alarm levels.
#include "link/frame_decoder.h"

#include <QRegularExpression>
#include <QtTest>
#include <random>

using namespace meterlink;

namespace {
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
    // The readings as the last whole frame left them.
    Readings r;
    std::function<void(const Frame &)> take = [this](const Frame &f) { r = readingTexts(f); };

private slots:
    void init()
    {
        // Readings that a frame which is not whole must leave as they are.
        r.fill(QStringLiteral("5.5"));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("readings"); // empty: not whole, nothing changes
        QTest::addColumn<int>("level0");
        QTest::addColumn<int>("level1");
        const QStringList all = {"12.3", "45.6", "78.9", "1.2"};
        const int W = 0, Y = 1, R = 2;
        QTest::newRow("full frame") << text() << all << Y << R;
        QTest::newRow("D prefix") << "D" + text() << all << Y << R;
        QTest::newRow("other separators") << QByteArray("0123x0456;0789 0012|1#2") << all << Y << R;
        QTest::newRow("red and white")
            << text("0123", "0456", "0789", "0012", '2', '0') << all << R << W;
        QTest::newRow("zeros") << text("0000", "0000", "0000", "0000", '0', '0')
                               << QStringList{"0.0", "0.0", "0.0", "0.0"} << W << W;
        QTest::newRow("max") << text("9999", "9999", "9999", "9999", '0', '0')
                             << QStringList{"999.9", "999.9", "999.9", "999.9"} << W << W;
        // Not whole: nothing of these reaches a reading or a colour.
        const QStringList none;
        QTest::newRow("22 chars, no alarm digit") << text().left(22) << none << 0 << 0;
        QTest::newRow("trailing characters") << text() + ",xyz" << none << 0 << 0;
        QTest::newRow("short field, right length")
            << QByteArray("0123,0456,078,0012,1,2,") << none << 0 << 0;
        QTest::newRow("letter in a field") << text("0123", "0456", "07a9") << none << 0 << 0;
        QTest::newRow("lowercase d is no prefix") << "d" + text() << none << 0 << 0;
        QTest::newRow("empty") << QByteArray() << none << 0 << 0;
        QTest::newRow("leading blank") << text(" 123") << none << 0 << 0;
        QTest::newRow("minus sign") << text("0123", "-045") << none << 0 << 0;
        QTest::newRow("decimal point") << text("12.5") << none << 0 << 0;
        QTest::newRow("digit as separator")
            << QByteArray("012390456,0789,0012,1,2") << none << 0 << 0;
        QTest::newRow("bad first alarm")
            << text("0123", "0456", "0789", "0012", 'x', '2') << none << 0 << 0;
        QTest::newRow("NUL in field")
            << QByteArray(text()).replace(2, 1, QByteArray(1, '\0')) << none << 0 << 0;
    }
    void decode()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, readings);
        QFETCH(int, level0);
        QFETCH(int, level1);
        const auto f = parseFrame(frame);
        QCOMPARE(bool(f), !readings.isEmpty());
        if (!f)
            return;
        const Readings texts = readingTexts(*f);
        QCOMPARE(QStringList(texts.begin(), texts.end()), readings);
        QCOMPARE(f->levels, (std::array<int, 2>{level0, level1}));
    }

    void onlyWholeFramesCount_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("whole");
        QTest::addColumn<int>("rejected");
        QTest::addColumn<QString>("first"); // reading 0 afterwards
        QTest::addColumn<bool>("bytewise");
        const QByteArray good = '\x02' + text("0100") + '\r';
        for (bool bytewise : {false, true}) {
            const char *how = bytewise ? "byte by byte" : "one batch";
            QTest::addRow("two frames, %s", how) << good + good << 2 << 0 << "10.0" << bytewise;
            QTest::addRow("cut frame after a good one, %s", how) << good + "\x02"
                                                                           "0123,0456,07\r"
                                                                 << 1 << 1 << "10.0" << bytewise;
            QTest::addRow("four fields only, %s", how) << good + "\x02"
                                                                 "0123,0456,0789,0\r"
                                                       << 1 << 1 << "10.0" << bytewise;
            // A line at the wrong speed: CRs among garbage must not replay the last frame.
            QTest::addRow("garbage with CRs after a good frame, %s", how)
                << good + "\xf0\x0f\r\x80\r\r" << 1 << 3 << "10.0" << bytewise;
            QTest::addRow("lost STX after a good frame, %s", how)
                << good + text("0009") + '\r' << 1 << 1 << "10.0" << bytewise;
            QTest::addRow("text before the first STX, %s", how)
                << text("0011") + '\r' << 0 << 1 << "5.5" << bytewise;
            QTest::addRow("STX restarts a frame, %s", how) << "\x02"
                                                              "0123,04\x02" +
                                                                  text("0042") + '\r'
                                                           << 1 << 0 << "4.2" << bytewise;
            QTest::addRow("empty frame, %s", how)
                << QByteArray("\x02\r") << 0 << 1 << "5.5" << bytewise;
            QTest::addRow("no CR, %s", how) << ('\x02' + text()) << 0 << 0 << "5.5" << bytewise;
            QTest::addRow("overlong frame, %s", how)
                << '\x02' + QByteArray(300, '7') + text("0077") + '\r' << 0 << 1 << "5.5"
                << bytewise;
        }
    }
    void onlyWholeFramesCount()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, whole);
        QFETCH(int, rejected);
        QFETCH(QString, first);
        QFETCH(bool, bytewise);
        FrameReceiver rx;
        int n = 0;
        if (bytewise)
            for (char c : bytes)
                n += rx.feed(QByteArrayView(&c, 1), take);
        else
            n = rx.feed(bytes, take);
        QCOMPARE(n, whole);
        QCOMPARE(rx.rejected(), quint64(rejected));
        QCOMPARE(r[0], first);
        QVERIFY(rx.buffer().size() <= kRxBufferLimit);
        // Whatever came before, the next whole frame decodes.
        QCOMPARE(rx.feed('\x02' + text("0250") + '\r', take), 1);
        QCOMPARE(r[0], QStringLiteral("25.0"));
    }

    void randomBytesKeepInvariants()
    {
        std::mt19937 rng(475);
        std::uniform_int_distribution<int> byte(0, 255), len(0, 64);
        FrameReceiver rx;
        static const QRegularExpression format(QStringLiteral("^\\d+\\.\\d$"));
        for (int i = 0; i < 20000; ++i) {
            QByteArray chunk;
            const int n = len(rng);
            for (int k = 0; k < n; ++k)
                chunk += char(byte(rng));
            if (i % 7 == 0)
                chunk += '\x02' + text("0100") + '\r';
            rx.feed(chunk, take);
            QVERIFY(rx.buffer().size() <= kRxBufferLimit);
            for (const QString &s : r)
                QVERIFY2(format.match(s).hasMatch(), qPrintable(s));
        }
        // A good frame after all that still decodes.
        rx.feed('\x02' + text("0250") + '\r', take);
        QCOMPARE(r[0], QStringLiteral("25.0"));
    }
};

QTEST_GUILESS_MAIN(TstFrameDecoder)
#include "tst_frame_decoder.moc"
