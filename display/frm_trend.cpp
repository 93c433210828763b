#include "display/frm_trend.h"

#include "app/geometry.h"
#include "platform/clock.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace {
const char16_t *const kCaptions[4] = {u"瞬間風速", u"瞬間最大風速", u"平均風速", u"平均最大風速"};
const QColor kLineColours[4] = {QColor(0, 90, 200), QColor(120, 170, 240), QColor(200, 60, 0),
                                QColor(240, 160, 110)};

// One point per bucket of time: the highest of each reading in it (gusts stay visible),
// the highest alarm level, and whether the link broke before it.
struct Bucket {
    qint64 ms = 0;
    std::array<double, 4> value{};
    int alarm = 0;
    bool breakBefore = false;
};

QList<Bucket> buckets(const QList<meterlink::Sample> &samples, qint64 bucketMs)
{
    QList<Bucket> out;
    qint64 current = -1;
    bool pendingBreak = false;
    qint64 lastMs = 0;
    for (const meterlink::Sample &s : samples) {
        if (s.gap) {
            pendingBreak = true;
            continue;
        }
        // Frames more than 2.5 s apart are a silence too, marked or not.
        if (lastMs && s.ms - lastMs > 2500)
            pendingBreak = true;
        lastMs = s.ms;
        const qint64 key = s.ms / bucketMs;
        if (key != current || pendingBreak) {
            Bucket b;
            b.ms = key * bucketMs + bucketMs / 2;
            b.breakBefore = pendingBreak;
            for (size_t i = 0; i < 4; ++i)
                b.value[i] = s.tenths[i] / 10.0;
            out.append(b);
            current = key;
            pendingBreak = false;
        }
        Bucket &b = out.last();
        for (size_t i = 0; i < 4; ++i)
            b.value[i] = std::max(b.value[i], s.tenths[i] / 10.0);
        b.alarm = std::max({b.alarm, int(s.alarms[0]), int(s.alarms[1])});
    }
    return out;
}
} // namespace

frmTrend::frmTrend(const meterlink::ReadingHistory &history, platform::Clock *clock, QWidget *parent)
    : QWidget(parent, Qt::Window), m_history(history), m_clock(clock)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("ﾄﾚﾝﾄﾞ表示"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_range = new QComboBox(this);
    m_range->setObjectName(QStringLiteral("cmbRange"));
    m_range->addItem(QStringLiteral("10分"), 10);
    m_range->addItem(QStringLiteral("60分"), 60);
    connect(m_range, &QComboBox::currentIndexChanged, this, &frmTrend::refresh);

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chtTrend"));
    m_view->setRenderHint(QPainter::Antialiasing);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("表示期間："), this));
    top->addWidget(m_range);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    resize(qRound(basSubMain::twipsToPixelsX(this, 12000)), qRound(basSubMain::twipsToPixelsY(this, 6600)));

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &frmTrend::refresh);
    refresh();
}

int frmTrend::rangeMinutes() const
{
    return m_range->currentData().toInt();
}

void frmTrend::setRangeMinutes(int minutes)
{
    m_range->setCurrentIndex(minutes == 60 ? 1 : 0);
}

void frmTrend::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_timer->start();
}

void frmTrend::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

QLineSeries *frmTrend::newSegment(int reading)
{
    auto *line = new QLineSeries;
    line->setName(QString::fromUtf16(kCaptions[reading]));
    line->setPen(QPen(kLineColours[reading], reading % 2 ? 1.2 : 2.0));
    m_chart->addSeries(line);
    line->attachAxis(m_x);
    line->attachAxis(m_y);
    // One legend entry per reading, however many pieces the gaps cut it into.
    if (!m_segments[reading].isEmpty())
        for (QLegendMarker *m : m_chart->legend()->markers(line))
            m->setVisible(false);
    m_segments[reading].append(line);
    return line;
}

void frmTrend::refresh()
{
    const int minutes = rangeMinutes();
    const qint64 bucketMs = minutes == 10 ? 1000 : 3000;
    // A new point comes once a bucket: redrawing more often would show nothing new.
    m_timer->setInterval(int(bucketMs));
    const qint64 to = m_clock->now().toMSecsSinceEpoch();
    const qint64 from = to - qint64(minutes) * 60000;
    const QList<Bucket> data = buckets(m_history.range(from, to), bucketMs);

    // The axes, the bands and the lines are made once; each refresh replaces their
    // points, which is what keeps a redraw a second cheap.
    if (!m_x) {
        m_x = new QDateTimeAxis;
        m_x->setFormat(QStringLiteral("H:mm"));
        m_y = new QValueAxis;
        m_y->setTitleText(QStringLiteral("m/s"));
        m_y->setLabelFormat(QStringLiteral("%.0f"));
        m_chart->addAxis(m_x, Qt::AlignBottom);
        m_chart->addAxis(m_y, Qt::AlignLeft);
        for (int level : {1, 2}) {
            auto *band = new QAreaSeries(new QLineSeries);
            band->upperSeries()->setParent(band);
            band->setName(level == 1 ? QStringLiteral("警報1") : QStringLiteral("警報2"));
            band->setBrush(level == 1 ? QColor(255, 255, 0, 110) : QColor(255, 0, 0, 90));
            band->setPen(Qt::NoPen);
            m_chart->addSeries(band);
            band->attachAxis(m_x);
            band->attachAxis(m_y);
            (level == 1 ? m_band1 : m_band2) = band;
        }
        m_segments = QList<QList<QLineSeries *>>(4);
        for (int i = 0; i < 4; ++i)
            newSegment(i);
    }
    m_x->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    m_x->setTickCount(minutes == 10 ? 11 : 7);

    double top = 10;
    for (const Bucket &b : data)
        for (double v : b.value)
            top = std::max(top, v);
    // Round figures on the axis: 5 m/s steps, 10 m/s above 50 m/s.
    const int step = top * 1.1 > 50 ? 10 : 5;
    top = std::ceil(top * 1.1 / step) * step;
    m_y->setRange(0, top);
    m_y->setTickCount(int(top) / step + 1);

    // A band is the area under a line that steps up to the top where its level is
    // reached and back to 0 where it ends.
    const qint64 half = bucketMs / 2;
    for (int level : {1, 2}) {
        QList<QPointF> upper;
        bool in = false;
        const Bucket *previous = nullptr;
        for (const Bucket &b : data) {
            const bool now = b.alarm == level;
            // No link, no alarm known: a band ends with the last bucket before a gap.
            if (in && b.breakBefore) {
                upper << QPointF(previous->ms + half, top) << QPointF(previous->ms + half, 0);
                in = false;
            }
            previous = &b;
            if (now != in) {
                upper << QPointF(b.ms - half, now ? 0 : top) << QPointF(b.ms - half, now ? top : 0);
                in = now;
            }
        }
        if (in && !data.isEmpty())
            upper << QPointF(data.last().ms + half, top) << QPointF(data.last().ms + half, 0);
        (level == 1 ? m_band1 : m_band2)->upperSeries()->replace(upper);
    }

    for (int i = 0; i < 4; ++i) {
        QList<QList<QPointF>> pieces;
        for (const Bucket &b : data) {
            if (pieces.isEmpty() || b.breakBefore)
                pieces.append(QList<QPointF>());
            pieces.last().append(QPointF(b.ms, b.value[size_t(i)]));
        }
        if (pieces.isEmpty())
            pieces.append(QList<QPointF>()); // an empty line keeps its legend entry
        while (m_segments[i].size() < pieces.size())
            newSegment(i);
        while (m_segments[i].size() > pieces.size()) {
            QLineSeries *extra = m_segments[i].takeLast();
            m_chart->removeSeries(extra);
            delete extra;
        }
        for (qsizetype k = 0; k < pieces.size(); ++k)
            m_segments[i][k]->replace(pieces[k]);
    }
}
