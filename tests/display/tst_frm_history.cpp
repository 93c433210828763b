// The history window offscreen: a whole day of one-second rows loads in the helper thread,
// the chart draws it, the figures beside it are the day's and fit their box, and the
// commands reach the files.
#include "display/frm_history.h"
#include "display/trend_chart.h"
#include "fakes.h"
#include "known_day.h"
#include "platform/file_dialog.h"
#include "platform/whole_file.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using knownday::at;
using namespace Qt::StringLiterals;

namespace {
struct FileDialog : platform::FileDialog {
    QString answer;
    std::optional<QString> getOpenFileName(QWidget *, const QString &, const QStringList &,
                                           const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> getSaveFileName(QWidget *, const QString &, const QStringList &,
                                           const QString &) override
    {
        return answer;
    }
};
} // namespace

class TstFrmHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    fakes::MessageBox boxes;
    FileDialog dialog;
    QMap<QString, QByteArray> written;
    std::unique_ptr<frmHistory> w;
    QString dayFile;

    void make(const std::function<void(frmHistory::Services *)> &adjust = {})
    {
        frmHistory::Services s;
        s.fileDialog = &dialog;
        s.messageBox = &boxes;
        s.read = &platform::readWholeFile;
        s.write = [this](const QString &path, const QByteArray &bytes, QString *) {
            written[path] = bytes;
            return true;
        };
        s.settings.site.enabled = true;
        if (adjust)
            adjust(&s);
        w = std::make_unique<frmHistory>(s);
        w->show();
    }
    bool load(const QStringList &paths)
    {
        QSignalSpy loaded(w.get(), &frmHistory::loaded);
        w->open(paths);
        // The window is still answering while the helper thread reads.
        if (!w->loading() || !w->findChild<QProgressBar *>("prgLoad")->isVisible() ||
            w->findChild<QAction *>("mnuHistOpen")->isEnabled())
            return false;
        return loaded.wait(20000) && loaded.first().first().toBool();
    }

private slots:
    void initTestCase()
    {
        dayFile = knownday::write(dir.path(), at(0, 0, 0), at(23, 59, 59) + 1000, false).first();
    }
    void init()
    {
        boxes.shown.clear();
        written.clear();
        make();
    }

    void aDayOfOneSecondRows()
    {
        QVERIFY(load({dayFile}));
        QCOMPARE(w->record().rows().size(), size_t(86400));
        QVERIFY(!w->findChild<QProgressBar *>("prgLoad")->isVisible());
        QVERIFY(boxes.shown.isEmpty());
        // The whole day is shown, its hours on the axis and the step and the storm drawn.
        QCOMPARE(w->spanFrom(), at(0, 0, 0));
        QCOMPARE(w->spanTo(), at(23, 59, 59));
        TrendChart *chart = w->chart();
        QCOMPARE(chart->tickLabel(chart->timeTicks().value(1)), QStringLiteral("3:00"));
        double highest = 0, first = 1e18, last = 0;
        for (const QList<QPointF> &piece : chart->segments(0))
            for (const QPointF &p : piece) {
                highest = std::max(highest, p.y());
                first = std::min(first, p.x());
                last = std::max(last, p.x());
            }
        QCOMPARE(highest, 31.0);
        QVERIFY(first < double(at(0, 10, 0)) && last > double(at(23, 50, 0)));
        QVERIFY(!chart->site().mean.isEmpty());

        // The figures beside the chart: the day's, each line whole within its box.
        auto *figures = w->findChild<QLabel *>("lblFigures");
        for (const QString &want :
             {QStringLiteral("31.0 m/s (10:55:00)"), QStringLiteral("12.0 m/s (10:09:56)"),
              QStringLiteral("10:07:05 〜 10:37:56 (31 分)"), QStringLiteral("10:55:00 31.0 m/s")})
            QVERIFY2(figures->text().contains(want), qPrintable(figures->text()));
        QVERIFY2(figures->sizeHint().width() <= figures->contentsRect().width(),
                 qPrintable(QString::number(figures->sizeHint().width())));
        QTRY_VERIFY2(figures->height() >= figures->sizeHint().height(),
                     qPrintable(QString::number(figures->height())));
        // What the window shows is drawn: the picture holds the mean's green line (the four
        // readings are equal in this day, and the last drawn hides the others).
        const QImage picture = w->grab().toImage();
        bool green = false;
        for (int y = 0; y < picture.height() && !green; y += 2)
            for (int x = 0; x < picture.width() && !green; ++x) {
                const QColor c = picture.pixelColor(x, y);
                green = qAbs(c.red() - 0) + qAbs(c.green() - 130) + qAbs(c.blue() - 60) < 40;
            }
        QVERIFY(green);
    }

    void zoomPanAndExport()
    {
        QVERIFY(load({dayFile}));
        w->setSpan(at(10, 0, 0), at(10, 1, 0));
        QCOMPARE(w->spanTo() - w->spanFrom(), 60000);
        w->zoom(2.0, at(10, 0, 30));
        QCOMPARE(w->spanFrom(), at(9, 59, 30));
        // Dragging the chart to the left moves on in time.
        TrendChart *chart = w->chart();
        const QPoint middle = chart->rect().center();
        QTest::mousePress(chart, Qt::LeftButton, {}, middle);
        QTest::mouseMove(chart, middle - QPoint(chart->width() / 4, 0));
        QTest::mouseRelease(chart, Qt::LeftButton, {}, middle - QPoint(chart->width() / 4, 0));
        QVERIFY(w->spanFrom() > at(9, 59, 30));
        // Never beyond the record.
        w->pan(-1e6);
        QCOMPARE(w->spanFrom(), at(0, 0, 0));

        // The span as one CSV of the program's own format: the rows as the log has them.
        w->setSpan(at(10, 0, 0), at(10, 1, 0));
        dialog.answer = dir.filePath(QStringLiteral("span.csv"));
        w->mnuHistExport_Click();
        QString expected = logging::headerLine(31);
        for (qint64 t = at(10, 0, 0); t <= at(10, 1, 0); t += 1000)
            expected += knownday::row(t, QStringLiteral("12.0"));
        QCOMPARE(written.value(dialog.answer), logging::toCp932(expected));
        dialog.answer = dir.filePath(QStringLiteral("day.pdf"));
        w->mnuHistReport_Click();
        QVERIFY(written.value(dialog.answer).startsWith("%PDF"));
    }

    // The register from the window, with nothing opened: the period asked, the file
    // chosen, the site's event logs read.
    void theRegisterFromTheWindow()
    {
        knownday::writeEvents(dir.path());
        QDate proposed;
        make([&](frmHistory::Services *s) {
            s->recordsBase = dir.filePath(u"wind"_s);
            s->period = [&](QWidget *, QDate from, QDate) {
                proposed = from;
                return std::optional<std::pair<QDate, QDate>>({from, from});
            };
        });
        dialog.answer = dir.filePath(u"register.csv"_s);
        w->findChild<QAction *>(u"mnuHistRegister"_s)->trigger();
        QCOMPARE(proposed, knownday::kDay);
        QVERIFY2(logging::fromCp932(written.value(dialog.answer))
                     .contains(u"点検未了,2026/12/08 10:55:00,,crane,最大瞬間風速 31.0 m/s"_s),
                 written.value(dialog.answer).constData());
    }

    // What is not one of the program's logs is refused at once, naming it, and the window
    // goes on: another program's file, a device that never ends, a FIFO nobody writes to
    // (it would block a reader for ever), a folder.
    void whatIsNotALogIsRefused_data()
    {
        QTest::addColumn<QString>("path"); // "OTHER", "FIFO": made here
        QTest::addColumn<QString>("said");
        QTest::newRow("another program's file") << "OTHER" << u"1 行目"_s;
#ifdef Q_OS_UNIX
        QTest::newRow("/dev/zero") << "/dev/zero" << u"通常のﾌｧｲﾙではありません"_s;
        QTest::newRow("a FIFO") << "FIFO" << u"通常のﾌｧｲﾙではありません"_s;
#endif
        QTest::newRow("a folder") << "FOLDER" << u"通常のﾌｧｲﾙではありません"_s;
    }
    void whatIsNotALogIsRefused()
    {
        QFETCH(QString, path);
        QFETCH(QString, said);
        if (path == u"OTHER"_s)
            path = knownday::put(dir.path(), QStringLiteral("other.csv"),
                                 QStringLiteral("Date,Time,Speed\r\n"));
#ifdef Q_OS_UNIX
        else if (path == u"FIFO"_s) {
            path = dir.filePath(QStringLiteral("pipe.csv"));
            QFile::remove(path);
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
#endif
        else if (path == u"FOLDER"_s)
            path = dir.path();
        QSignalSpy loaded(w.get(), &frmHistory::loaded);
        w->open({path});
        QVERIFY(loaded.wait(10000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.contains(QFileInfo(path).fileName()),
                 qPrintable(boxes.shown[0].text));
        QVERIFY2(boxes.shown[0].text.contains(said), qPrintable(boxes.shown[0].text));
        QVERIFY(!w->findChild<QWidget *>("cmdZoomIn")->isEnabled());
        // Still the window it was: the next log opens.
        boxes.shown.clear();
        QVERIFY(load({dayFile}));
    }
};

QTEST_MAIN(TstFrmHistory)
#include "tst_frm_history.moc"
