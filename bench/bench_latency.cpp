// Frame arrival to figure shown: the meter writes a frame with a new value on the
// pseudo-terminal at a random moment; the time until the figure shows it is measured.
#include "base/globals.h"
#include "display/frm_main.h"
#include "fakes.h"
#include "platform/com_ports.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "pty_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 100;

    meter::PtyMeter meter;
    if (!meter.open())
        return 1;
    fakes::World world;
    world.settings.setText("Ports", "COM1", QString::fromStdString(meter.devicePath()));
    platform::QtSerialPort port([&](int n) { return platform::comPortDevice(n, &world.settings); });
    platform::QtTimer timer;
    platform::SystemClock clock;
    platform::Services s = world.services();
    s.port = &port;
    s.timer = &timer;
    s.clock = &clock;
    frmMain w(s);
    w.mnuFileCom_Click();
    meter.read(500);

    std::mt19937 rng(1);
    std::uniform_int_distribution<int> phase(0, 99);
    std::vector<double> ms;
    QElapsedTimer clockMs;
    for (int i = 0; i < samples; ++i) {
        // Wait a random part of a tick, so frames arrive at every phase of the timer.
        QElapsedTimer wait;
        wait.start();
        const int delay = 50 + phase(rng);
        while (wait.elapsed() < delay)
            app.processEvents(QEventLoop::AllEvents, 5);
        const int value = 100 + i % 900;
        const QString expected = QString::number(value / 10) + "." + QString::number(value % 10);
        meter.write(meter::makeFrame({value, value, value, value, 0, 0}));
        clockMs.start();
        while (w.lblPeak(0)->text() != expected && clockMs.elapsed() < 1000)
            app.processEvents(QEventLoop::AllEvents, 1);
        ms.push_back(clockMs.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    auto pct = [&](double p) { return ms[std::min(ms.size() - 1, size_t(p * ms.size()))]; };
    std::printf(
        "frame to figure over %d frames: median %.1f ms, p90 %.1f ms, p99 %.1f ms, max %.1f ms\n",
        samples, pct(0.5), pct(0.9), pct(0.99), ms.back());
    return 0;
}
