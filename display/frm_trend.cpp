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

void frmTrend::refresh()
{
    const int minutes = rangeMinutes();
    const qint64 to = m_clock->now().toMSecsSinceEpoch();
    const qint64 from = to - qint64(minutes) * 60000;
    const QList<Bucket> data = buckets(m_history.range(from, to), minutes == 10 ? 1000 : 3000);

    m_chart->removeAllSeries();
    // removeAxis() leaves the axis to its caller.
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_segments = QList<QList<QLineSeries *>>(4);
    m_band1 = m_band2 = nullptr;

    double top = 10;
    for (const Bucket &b : data)
        for (double v : b.value)
            top = std::max(top, v);
    // Round figures on the axis: 5 m/s steps, 10 m/s above 50 m/s.
    const int step = top * 1.1 > 50 ? 10 : 5;
    top = std::ceil(top * 1.1 / step) * step;

    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("H:mm"));
    x->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    x->setTickCount(minutes == 10 ? 11 : 7);
    auto *y = new QValueAxis;
    y->setRange(0, top);
    y->setTitleText(QStringLiteral("m/s"));
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setTickCount(int(top) / step + 1);
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);

    // Bands first, so the lines lie over them: the area under a line that steps up to the
    // top where the level is reached and back to 0 where it ends.
    const qint64 half = (minutes == 10 ? 1000 : 3000) / 2;
    for (int level : {1, 2}) {
        auto *upper = new QLineSeries;
        bool in = false;
        for (const Bucket &b : data) {
            const bool now = b.alarm == level;
            if (now && !in) {
                upper->append(b.ms - half, 0);
                upper->append(b.ms - half, top);
            } else if (!now && in) {
                upper->append(b.ms - half, top);
                upper->append(b.ms - half, 0);
            }
            in = now;
        }
        if (in && !data.isEmpty()) {
            upper->append(data.last().ms + half, top);
            upper->append(data.last().ms + half, 0);
        }
        auto *band = new QAreaSeries(upper);
        upper->setParent(band);
        band->setName(level == 1 ? QStringLiteral("警報1") : QStringLiteral("警報2"));
        const QColor c = level == 1 ? QColor(255, 255, 0, 110) : QColor(255, 0, 0, 90);
        band->setBrush(c);
        band->setPen(Qt::NoPen);
        m_chart->addSeries(band);
        band->attachAxis(x);
        band->attachAxis(y);
        (level == 1 ? m_band1 : m_band2) = band;
    }

    for (int i = 0; i < 4; ++i) {
        QLineSeries *line = nullptr;
        for (const Bucket &b : data) {
            if (!line || b.breakBefore) {
                line = new QLineSeries;
                line->setName(QString::fromUtf16(kCaptions[i]));
                line->setPen(QPen(kLineColours[i], i % 2 ? 1.2 : 2.0));
                m_segments[i].append(line);
            }
            line->append(b.ms, b.value[size_t(i)]);
        }
        if (m_segments[i].isEmpty()) { // an empty series keeps the legend entry
            line = new QLineSeries;
            line->setName(QString::fromUtf16(kCaptions[i]));
            line->setPen(QPen(kLineColours[i], i % 2 ? 1.2 : 2.0));
            m_segments[i].append(line);
        }
        for (QLineSeries *s : m_segments[i]) {
            m_chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
        }
        // One legend entry per reading, however many pieces the gaps cut it into.
        for (qsizetype k = 1; k < m_segments[i].size(); ++k)
            for (QLegendMarker *m : m_chart->legend()->markers(m_segments[i][k]))
                m->setVisible(false);
    }
}
