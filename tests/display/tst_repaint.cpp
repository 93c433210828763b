// The main window paints only what changed: a second of identical frames repaints no
// figure and no steady panel; a new value is painted at the next tick.
#include "base/globals.h"
#include "display/frm_main.h"
#include "fakes.h"

#include <QLabel>
#include <QtTest>

namespace {

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject
{
public:
    void watch(QWidget *w)
    {
        w->installEventFilter(this);
        counts[w->objectName()] = 0;
    }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++counts[o->objectName()];
        return false;
    }
    QMap<QString, int> counts;
};

} // namespace

class TstRepaint : public QObject
{
    Q_OBJECT

private slots:
    void onlyWhatChangedIsPainted()
    {
        basSubMain::resetGlobals();
        fakes::World world;
        frmMain w(world.services());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.mnuFileCom_Click();
        auto second = [&](const QByteArray &frame) {
            for (int i = 0; i < 10; ++i) {
                world.port.receive(frame);
                world.clock.current = world.clock.current.addMSecs(100);
                w.Timer1_Timer();
                QCoreApplication::processEvents();
            }
        };
        const QByteArray steady("\x02"
                                "0123,0456,0078,0090,0,0\r");
        second(steady); // the first frame is shown, and the link's word
        PaintCounter painted;
        QList<QWidget *> watched;
        for (int i = 0; i < 4; ++i)
            watched << w.findChild<QLabel *>(QStringLiteral("lblPeak(%1)").arg(i));
        for (const char *panel : {"sbPanel3", "sbPanel4", "sbPanel5"})
            watched << w.findChild<QLabel *>(QLatin1String(panel));
        for (QWidget *widget : watched) {
            QVERIFY(widget);
            painted.watch(widget);
        }
        second(steady);
        for (auto i = painted.counts.cbegin(); i != painted.counts.cend(); ++i)
            QVERIFY2(i.value() == 0, qPrintable(i.key() + QStringLiteral(" was repainted")));

        // A new instantaneous value: painted at the next tick, whole; the others not.
        world.port.receive("\x02"
                           "0124,0456,0078,0090,0,0\r");
        QCoreApplication::processEvents();
        QCOMPARE(painted.counts.value(QStringLiteral("lblPeak(0)")), 0); // not before the tick
        w.Timer1_Timer();
        QCoreApplication::processEvents();
        QVERIFY(painted.counts.value(QStringLiteral("lblPeak(0)")) >= 1);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblPeak(0)"))->text(),
                 QStringLiteral("12.4"));
        QCOMPARE(painted.counts.value(QStringLiteral("lblPeak(2)")), 0);
        w.endWithoutAsking();
    }
};

QTEST_MAIN(TstRepaint)
#include "tst_repaint.moc"
