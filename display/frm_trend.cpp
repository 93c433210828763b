#include "display/frm_trend.h"

#include "app/geometry.h"
#include "link/trend_data.h"
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

namespace {
const char16_t *const kCaptions[4] = {u"瞬間風速", u"瞬間最大風速", u"平均風速", u"平均最大風速"};
const QColor kLineColours[4] = {QColor(0, 90, 200), QColor(120, 170, 240), QColor(200, 60, 0),
                                QColor(240, 160, 110)};

} // namespace

frmTrend::frmTrend(const meterlink::ReadingHistory &history, platform::Clock *clock,
                   QWidget *parent)
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
    resize(qRound(basSubMain::twipsToPixelsX(this, 12000)),
           qRound(basSubMain::twipsToPixelsY(this, 6600)));

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
    const QList<meterlink::Bucket> data =
        meterlink::trendBuckets(m_history.range(from, to), bucketMs);

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
        // Each figure's alarm in a band of its own: the instantaneous one in the upper
        // half, the average one (the criterion for stopping work) hatched in the lower.
        for (int figure : {0, 1})
            for (int level : {1, 2}) {
                auto *band = new QAreaSeries(new QLineSeries, new QLineSeries);
                band->upperSeries()->setParent(band);
                band->lowerSeries()->setParent(band);
                // Short names, so that the legend shows them whole: 瞬間警報1 ... 平均警報2.
                band->setName(
                    QStringLiteral("%1警報%2").arg(figure == 0 ? u"瞬間" : u"平均").arg(level));
                const QColor colour =
                    level == 1 ? QColor(230, 200, 0, 120) : QColor(255, 0, 0, 100);
                // The hatching is drawn opaque, or its thin lines would vanish.
                const QColor hatch = level == 1 ? QColor(200, 160, 0) : QColor(220, 0, 0);
                band->setBrush(figure == 0 ? QBrush(colour) : QBrush(hatch, Qt::BDiagPattern));
                band->setPen(figure == 0 ? QPen(Qt::NoPen) : QPen(hatch, 1));
                m_chart->addSeries(band);
                band->attachAxis(m_x);
                band->attachAxis(m_y);
                m_bands[size_t(figure * 2 + level - 1)] = band;
            }
        m_segments = QList<QList<QLineSeries *>>(4);
        for (int i = 0; i < 4; ++i)
            newSegment(i);
    }
    m_x->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    m_x->setTickCount(minutes == 10 ? 11 : 7);

    double highest = 0;
    for (const meterlink::Bucket &b : data)
        for (double v : b.value)
            highest = std::max(highest, v);
    // Round steps, 5 to 10 labels, at any range.
    const meterlink::AxisScale scale = meterlink::valueScale(highest);
    const double top = scale.top;
    m_y->setRange(0, top);
    m_y->setTickCount(scale.ticks());

    // A band is the area between two lines that part where its period begins and meet
    // again where it ends.
    for (int figure : {0, 1})
        for (int level : {1, 2}) {
            const double lo = figure == 0 ? top / 2 : 0, hi = figure == 0 ? top : top / 2;
            QList<QPointF> upper, lower;
            for (const meterlink::Period &p :
                 meterlink::alarmPeriods(data, bucketMs, figure, level)) {
                upper << QPointF(p.startMs, lo) << QPointF(p.startMs, hi) << QPointF(p.endMs, hi)
                      << QPointF(p.endMs, lo);
                lower << QPointF(p.startMs, lo) << QPointF(p.startMs, lo) << QPointF(p.endMs, lo)
                      << QPointF(p.endMs, lo);
            }
            QAreaSeries *band = m_bands[size_t(figure * 2 + level - 1)];
            band->upperSeries()->replace(upper);
            band->lowerSeries()->replace(lower);
        }

    for (int i = 0; i < 4; ++i) {
        QList<QList<QPointF>> pieces;
        for (const meterlink::Bucket &b : data) {
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
