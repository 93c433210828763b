// Resident memory of the main window over an hour of frames at 10 a second, fast-forwarded
// on a fake clock: the site's rule on, the trend window open, a row every second. Prints
// the resident size at the start and after the hour.
#include "base/globals.h"
#include "display/frm_main.h"
#include "fakes.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    QTemporaryDir dir;
    basSubMain::resetGlobals();
    fakes::World world;
    world.settings.values[QStringLiteral("Settings/fName")] = dir.filePath(QStringLiteral("w.csv"));
    world.settings.values[QStringLiteral("Settings/fTime")] = QStringLiteral("1");
    world.settings.values[QStringLiteral("Site/Enabled")] = QStringLiteral("1");
    frmMain w(world.services());
    w.show();
    w.mnuFileCom_Click();
    w.mnuFileOpen_Click();
    w.mnuViewTrend_Click();
    QCoreApplication::processEvents();
    const long start = residentKb();
    // A gusty wind that wanders: every figure changes often, as on a site.
    unsigned seed = 12345;
    auto next = [&seed](int span) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(span));
    };
    for (int tick = 0; tick < seconds * 10; ++tick) {
        world.clock.current = world.clock.current.addMSecs(100);
        const int instant = 40 + next(120);
        const QByteArray frame = QStringLiteral("\x02%1,%2,%3,%4,%5,0\r")
                                     .arg(instant, 4, 10, QLatin1Char('0'))
                                     .arg(200, 4, 10, QLatin1Char('0'))
                                     .arg(60 + next(20), 4, 10, QLatin1Char('0'))
                                     .arg(90, 4, 10, QLatin1Char('0'))
                                     .arg(instant >= 100 ? 1 : 0)
                                     .toLatin1();
        world.port.receive(frame);
        w.Timer1_Timer();
        if (tick % 10 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    std::printf("resident memory of the main window: %ld kB at start, %ld kB after %d s of "
                "frames at 10 a second\n",
                start, residentKb(), seconds);
    w.endWithoutAsking();
    return 0;
}
