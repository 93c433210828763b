#include "display/day_report.h"

#include "app/geometry.h"
#include "display/trend_chart.h"
#include "site/wind_rule.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

namespace report {

std::pair<qint64, qint64> dayBounds(const QDate &day)
{
    return {QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch(),
            QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch()};
}

void fillChart(TrendChart *chart, const history::WindHistory &record, qint64 fromMs, qint64 toMs,
               int width)
{
    // About a bucket a pixel, in whole seconds, minutes or more.
    const qint64 raw = std::max<qint64>(1000, (toMs - fromMs) / std::max(100, width));
    qint64 bucketMs = 1000;
    for (qint64 s : {2000, 5000, 10000, 30000, 60000, 120000, 300000, 600000, 1800000, 3600000})
        if (bucketMs < raw)
            bucketMs = s;
    std::array<bool, 4> lines{};
    for (int i = 0; i < 4; ++i)
        lines[size_t(i)] = record.mask() & (2 << i);
    chart->setShown(lines, false);
    const basSubMain::SiteSettings &rule = record.site();
    TrendChart::Site site;
    site.meanName = QStringLiteral("%1分平均").arg(rule.minutes);
    site.mean = record.meanLine(fromMs, toMs, bucketMs);
    site.thresholds = {{site::caption(site::Work::Caution, false), rule.caution / 10.0},
                       {site::caption(site::Work::Stop, false), rule.stop / 10.0},
                       {QStringLiteral("暴風"), rule.storm / 10.0}};
    for (const history::Period &p : record.figures(fromMs, toMs).stops)
        site.stops.append({p.startMs, p.endMs});
    chart->setSite(site);
    chart->setData(record.buckets(fromMs, toMs, bucketMs), bucketMs, fromMs, toMs);
}

namespace {

// Lays out one page after another on the writer, top to bottom.
class Pages
{
public:
    Pages(QPdfWriter &writer, QPainter &p) : m_writer(writer), m_p(p)
    {
        m_area =
            QRectF(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
        m_y = 0;
    }
    qreal mm(double v) const { return v * m_writer.resolution() / 25.4; }
    const QRectF &area() const { return m_area; }
    qreal y() const { return m_y; }
    void skip(qreal dy) { m_y += dy; }
    qreal left() const { return m_area.bottom() - m_y; }
    void newPage()
    {
        m_writer.newPage();
        m_y = 0;
    }
    // One line of text in the face at the size; returns its height.
    qreal text(const QString &s, double points, bool bold = false, qreal x = 0)
    {
        QFont f = basSubMain::japaneseFont(points);
        f.setBold(bold);
        m_p.setFont(f);
        const QFontMetricsF fm(f, &m_writer);
        m_p.setPen(Qt::black);
        m_p.drawText(QPointF(x, m_y + fm.ascent()), s);
        return fm.height();
    }
    QPainter &painter() { return m_p; }

private:
    QPdfWriter &m_writer;
    QPainter &m_p;
    QRectF m_area;
    qreal m_y;
};

} // namespace

QByteArray dayReport(const history::WindHistory &record, const Title &title, QList<QDate> days)
{
    if (record.empty())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("風速記録 日報"));
    writer.setCreator(
        QStringLiteral("QV-475簡易ソフト %1").arg(QCoreApplication::applicationVersion()));
    QPainter p(&writer);
    Pages page(writer, p);
    const qreal width = page.area().width();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);

    // The chart is drawn by the trend's own widget at a screen size, scaled onto the page.
    TrendChart chart;
    chart.setFont(basSubMain::japaneseFont(9));
    chart.resize(1000, 430);

    if (days.isEmpty())
        days = record.days();
    for (qsizetype d = 0; d < days.size(); ++d) {
        const QDate day = days[d];
        if (d > 0)
            page.newPage();
        const auto [dayFrom, dayTo] = dayBounds(day);
        const history::Figures f = record.figures(dayFrom, dayTo - 1);

        page.skip(page.text(QStringLiteral("風速記録 日報"), 18, true));
        page.skip(page.mm(2));
        page.skip(page.text(japanese.toString(day, QStringLiteral("yyyy年M月d日 (ddd)")) +
                                QStringLiteral("    ") + day.toString(QStringLiteral("yyyy/MM/dd")),
                            12, true));
        page.skip(page.mm(1));
        page.skip(page.text(
            QStringLiteral("現場: %1    風速計: COM%2    記録: %3 〜 %4")
                .arg(title.siteName.isEmpty() ? QStringLiteral("(未設定)") : title.siteName)
                .arg(title.port)
                .arg(history::timeOf(f.fromMs, day), history::timeOf(f.toMs, day)),
            10));
        page.skip(page.mm(3));

        // The chart over the day's whole hours that hold the record.
        constexpr qint64 hour = 3600000;
        const qint64 offset = QDateTime::fromMSecsSinceEpoch(dayFrom).offsetFromUtc() * 1000LL;
        const qint64 chartFrom = std::max(dayFrom, (f.fromMs + offset) / hour * hour - offset);
        const qint64 chartTo = std::min(
            dayTo, std::max(chartFrom + hour, ((f.toMs + offset) / hour + 1) * hour - offset));
        fillChart(&chart, record, chartFrom, chartTo, chart.width());
        const qreal scale = width / chart.width();
        p.save();
        p.translate(0, page.y());
        p.scale(scale, scale);
        chart.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
        p.restore();
        page.skip(chart.height() * scale + page.mm(4));

        page.skip(page.text(QStringLiteral("この日の数字"), 12, true) + page.mm(1));
        for (const auto &[label, value] : history::figureLines(f, record.site(), day)) {
            page.text(label, 10, false, page.mm(3));
            page.skip(page.text(value, 10, false, page.mm(62)));
        }
        page.skip(page.text(QStringLiteral("判定の基準: ") + history::ruleLine(record.site()), 8,
                            false, page.mm(3)));
        page.skip(page.mm(4));

        bool computed = false;
        const QList<history::EventRow> events = record.eventsIn(dayFrom, dayTo - 1, &computed);
        const QString eventsTitle = computed ? QStringLiteral("事象 (記録の風速から算出)")
                                             : QStringLiteral("事象 (事象記録より)");
        const qreal columns[5] = {3, 25, 105, 128, 152};
        auto header = [&] {
            page.skip(page.text(eventsTitle, 12, true) + page.mm(1));
            const QString names[5] = {QStringLiteral("時刻"), QStringLiteral("事象"),
                                      QStringLiteral("%1分平均").arg(record.site().minutes),
                                      QStringLiteral("最大瞬間風速"), QStringLiteral("瞬間風速")};
            qreal h = 0;
            for (int c = 0; c < 5; ++c)
                h = page.text(names[c], 9, true, page.mm(columns[c]));
            page.skip(h);
        };
        // The signature's lines stay at the foot of the day's first page; events that do
        // not fit above them go on to pages of their own.
        auto signature = [&] {
            const qreal foot = page.area().bottom() - page.mm(14);
            p.setPen(QPen(Qt::black, page.mm(0.3)));
            p.setFont(basSubMain::japaneseFont(10));
            p.drawText(QPointF(page.mm(3), foot), QStringLiteral("確認者 (責任者) 署名"));
            p.drawLine(QPointF(page.mm(42), foot + page.mm(1)),
                       QPointF(page.mm(120), foot + page.mm(1)));
            p.drawText(QPointF(page.mm(126), foot), QStringLiteral("確認日"));
            p.drawLine(QPointF(page.mm(140), foot + page.mm(1)), QPointF(width, foot + page.mm(1)));
            p.setFont(basSubMain::japaneseFont(7));
            p.drawText(QPointF(0, page.area().bottom() - page.mm(2)),
                       QStringLiteral("QV-475簡易ソフト %1 で作成")
                           .arg(QCoreApplication::applicationVersion()));
        };
        bool firstPage = true;
        header();
        if (events.isEmpty())
            page.skip(page.text(QStringLiteral("なし"), 9, false, page.mm(3)));
        for (const history::EventRow &e : events) {
            if (page.left() < (firstPage ? page.mm(22) : 0) + page.mm(6)) {
                if (std::exchange(firstPage, false))
                    signature();
                page.newPage();
                header();
            }
            const QString cells[5] = {history::timeOf(e.ms, day), history::eventText(e), e.mean,
                                      e.gust, e.instant};
            qreal h = 0;
            for (int c = 0; c < 5; ++c)
                h = page.text(cells[c], 9, false, page.mm(columns[c]));
            page.skip(h);
        }
        if (firstPage)
            signature();
    }
    p.end();
    return bytes;
}

} // namespace report
