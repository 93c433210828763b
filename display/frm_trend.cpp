#include "display/frm_trend.h"

#include "base/geometry.h"
#include "link/trend_data.h"
#include "platform/clock.h"
#include "site/wind_rule.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

frmTrend::frmTrend(const meterlink::ReadingHistory &history, platform::Clock *clock,
                   QWidget *parent)
    : QWidget(parent, Qt::Window), m_history(history), m_clock(clock)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QCoreApplication::translate("frmTrend", "ﾄﾚﾝﾄﾞ表示"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_range = new QComboBox(this);
    m_range->setObjectName(QStringLiteral("cmbRange"));
    m_range->addItem(QCoreApplication::translate("frmTrend", "10分"), 10);
    m_range->addItem(QCoreApplication::translate("frmTrend", "60分"), 60);
    connect(m_range, &QComboBox::currentIndexChanged, this, &frmTrend::refresh);

    m_chart = new TrendChart(this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QCoreApplication::translate("frmTrend", "表示期間："), this));
    top->addWidget(m_range);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
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

void frmTrend::refresh()
{
    const int minutes = rangeMinutes();
    const qint64 bucketMs = minutes == 10 ? 1000 : 3000;
    // A new point comes once a bucket: redrawing more often would show nothing new.
    m_timer->setInterval(int(bucketMs));
    const qint64 to = m_clock->now().toMSecsSinceEpoch();
    const qint64 from = to - qint64(minutes) * 60000;
    m_chart->setSite(m_site ? m_site(from, to) : TrendChart::Site());
    m_chart->setData(meterlink::trendBuckets(m_history.range(from, to), bucketMs), bucketMs, from,
                     to);
}

frmTrend *frmTrend::forSession(const session::Session &session, platform::Clock *clock,
                               QWidget *main)
{
    auto *trend = new frmTrend(session.history(), clock, main);
    trend->setSiteSource([&session](qint64 from, qint64 to) {
        return liveSiteLines(session.meanHistory(), session.settings().site, from, to);
    });
    trend->placeBeside(main);
    return trend;
}

void frmTrend::placeBeside(const QWidget *main)
{
    const QRect frame = main->frameGeometry();
    const QSize extra = frame.size() - main->geometry().size();
    if (const QScreen *screen = main->screen())
        if (const auto at =
                basSubMain::placeBeside(frame, size() + extra, screen->availableGeometry()))
            move(*at);
}

TrendChart::Site liveSiteLines(const std::deque<session::MeanPoint> &means,
                               const basSubMain::SiteSettings &rule, qint64 fromMs, qint64 toMs)
{
    TrendChart::Site site;
    if (!rule.enabled)
        return site;
    site.meanName = QCoreApplication::translate("frmMain", "%1分平均").arg(rule.minutes);
    QList<QPointF> piece;
    for (const session::MeanPoint &m : means) {
        if (m.ms < fromMs || m.ms > toMs)
            continue;
        if (m.tenths < 0) {
            if (!piece.isEmpty())
                site.mean << std::exchange(piece, {});
            continue;
        }
        piece << QPointF(double(m.ms), m.tenths / 10.0);
    }
    if (!piece.isEmpty())
        site.mean << piece;
    auto periods = [&](auto holds) {
        QList<std::pair<qint64, qint64>> out;
        bool open = false;
        for (const session::MeanPoint &m : means) {
            if (m.ms < fromMs || m.ms > toMs)
                continue;
            if (holds(m)) {
                if (open)
                    out.last().second = m.ms + 1000;
                else
                    out.append({m.ms, m.ms + 1000});
            }
            open = holds(m);
        }
        return out;
    };
    site.stops = periods([](const session::MeanPoint &m) { return m.work == site::Work::Stop; });
    site.storms = periods([](const session::MeanPoint &m) { return m.latched; });
    site.thresholds = {{site::caption(site::Work::Caution, false), rule.caution / 10.0},
                       {site::caption(site::Work::Stop, false), rule.stop / 10.0},
                       {QCoreApplication::translate("frmMain", "暴風"), rule.storm / 10.0}};
    return site;
}
