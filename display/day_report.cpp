#include "display/day_report.h"

#include "base/geometry.h"
#include "base/language.h"
#include "display/trend_chart.h"
#include "logging/manifest.h"
#include "site/wind_rule.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <functional>

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
    site.meanName = QCoreApplication::translate("DayReport", "%1分平均").arg(rule.minutes);
    site.mean = record.meanLine(fromMs, toMs, bucketMs);
    site.thresholds = {{site::caption(site::Work::Caution, false), rule.caution / 10.0},
                       {site::caption(site::Work::Stop, false), rule.stop / 10.0},
                       {QCoreApplication::translate("DayReport", "暴風"), rule.storm / 10.0}};
    for (const history::Period &p : record.figures(fromMs, toMs).stops)
        site.stops.append({p.startMs, p.endMs});
    // The storm's latch as the rule's record held it, row by row.
    for (const history::RuleRow &r : record.ruleRows()) {
        if (r.ms + 10000 < fromMs || r.ms > toMs || !r.latched)
            continue;
        if (!site.storms.isEmpty() && site.storms.last().second >= r.ms)
            site.storms.last().second = r.ms + 10000;
        else
            site.storms.append({r.ms, r.ms + 10000});
    }
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
    qreal text(const QString &s, double points, bool bold = false, qreal x = 0,
               const QColor &colour = Qt::black)
    {
        QFont f = basSubMain::japaneseFont(points);
        f.setBold(bold);
        m_p.setFont(f);
        const QFontMetricsF fm(f, &m_writer);
        m_p.setPen(colour);
        m_p.drawText(QPointF(x, m_y + fm.ascent()), s);
        return fm.height();
    }
    QPainter &painter() { return m_p; }
    // The foot of a page: its number of all ("1 / 3") and what made it.
    void foot(int total)
    {
        ++m_pages;
        const qreal width = m_area.width();
        m_p.setPen(Qt::black);
        m_p.setFont(basSubMain::japaneseFont(8));
        const qreal y = m_area.bottom() - mm(2);
        m_p.drawText(QRectF(0, y - mm(4), width, mm(5)), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("%1 / %2").arg(m_pages).arg(std::max(total, m_pages)));
        m_p.setFont(basSubMain::japaneseFont(7));
        m_p.drawText(QPointF(0, y),
                     QCoreApplication::translate("DayReport", "QV-475簡易ソフト %1 で作成")
                         .arg(QCoreApplication::applicationVersion()));
    }
    int pages() const { return m_pages; }

private:
    QPdfWriter &m_writer;
    QPainter &m_p;
    QRectF m_area;
    qreal m_y;
    int m_pages = 0;
};

// A sheet's bytes: laid out once to count its pages, then drawn with their numbers.
QByteArray twoPasses(const std::function<int(QIODevice *, int)> &draw)
{
    QBuffer counting;
    counting.open(QIODevice::WriteOnly);
    const int total = draw(&counting, 0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    draw(&buffer, total);
    return bytes;
}

} // namespace

namespace {

// The boxes a site stamps or signs in, right-aligned at the top of a day's page.
void approvalBoxes(QPainter &p, const Pages &page, qreal top)
{
    const QStringList names{QCoreApplication::translate("DayReport", "作成"),
                            QCoreApplication::translate("DayReport", "確認"),
                            QCoreApplication::translate("DayReport", "承認")};
    const qreal w = page.mm(20), head = page.mm(5), h = page.mm(18);
    const qreal right = page.area().width();
    p.save();
    p.setPen(QPen(Qt::black, page.mm(0.25)));
    p.setFont(basSubMain::japaneseFont(8));
    for (int i = 0; i < names.size(); ++i) {
        const QRectF box(right - (names.size() - i) * w, top, w, h);
        p.drawRect(box);
        p.drawLine(box.topLeft() + QPointF(0, head), box.topRight() + QPointF(0, head));
        p.drawText(QRectF(box.left(), box.top(), w, head), Qt::AlignCenter, names[i]);
    }
    p.restore();
}

// A sheet to sign: A4 at 300 dpi with room for the stamps, titled, made by this program.
void setUpSheet(QPdfWriter &writer, const QString &title)
{
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
    writer.setTitle(title);
    writer.setCreator(QCoreApplication::translate("DayReport", "QV-475簡易ソフト %1")
                          .arg(QCoreApplication::applicationVersion()));
}

// The report drawn onto device; total: the pages of the whole report, for the page
// numbers ("1 / 3"). Returns the pages it took.
int drawReport(QIODevice *device, const history::WindHistory &record, const Title &title,
               const QList<QDate> &days, int total)
{
    QPdfWriter writer(device);
    setUpSheet(writer, QCoreApplication::translate("DayReport", "風速記録 日報"));
    QPainter p(&writer);
    Pages page(writer, p);
    const qreal width = page.area().width();
    // The day's name in the report's language.
    const QLocale dayNames = language::current() == language::Language::English
                                 ? QLocale(QLocale::English, QLocale::UnitedKingdom)
                                 : QLocale(QLocale::Japanese, QLocale::Japan);
    const basSubMain::SiteSettings &site = record.site();
    auto nextPage = [&] {
        page.foot(total);
        page.newPage();
    };

    // The chart is drawn by the trend's own widget at a screen size, scaled onto the page.
    TrendChart chart;
    chart.setFont(basSubMain::japaneseFont(9));
    chart.resize(1000, 430);

    for (qsizetype d = 0; d < days.size(); ++d) {
        const QDate day = days[d];
        if (d > 0)
            nextPage();
        const auto [dayFrom, dayTo] = dayBounds(day);
        const history::Figures f = record.figures(dayFrom, dayTo - 1);

        approvalBoxes(p, page, page.y());
        page.skip(page.text(QCoreApplication::translate("DayReport", "風速記録 日報"), 18, true));
        page.skip(page.mm(2));
        page.skip(page.text(
            dayNames.toString(day, QCoreApplication::translate("DayReport", "yyyy年M月d日 (ddd)")),
            12, true));
        page.skip(page.mm(1));
        page.skip(page.text(QCoreApplication::translate("DayReport", "現場: %1    記録: %2 〜 %3")
                                .arg(title.siteName.isEmpty()
                                         ? QCoreApplication::translate("DayReport", "(未設定)")
                                         : title.siteName,
                                     history::timeOf(f.fromMs, day), history::timeOf(f.toMs, day)),
                            10));
        // Which meter, and where it stands, as far as the settings say.
        QStringList meter{
            QCoreApplication::translate("DayReport", "風速計: QV-475 COM%1").arg(title.port)};
        if (!site.serial.isEmpty())
            meter << QCoreApplication::translate("DayReport", "製造番号 %1").arg(site.serial);
        if (!site.position.isEmpty())
            meter << QCoreApplication::translate("DayReport", "設置場所 %1").arg(site.position);
        if (!site.height.isEmpty())
            meter << QCoreApplication::translate("DayReport", "高さ %1").arg(site.height);
        page.skip(page.text(meter.join(QStringLiteral("    ")), 10));
        // Whether the day's records are as they were sealed.
        QStringList dayRecords;
        for (const history::FileInfo &fi : record.files())
            if (fi.kind != history::Kind::Data &&
                fi.path.endsWith(day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv")))
                dayRecords << fi.path;
        if (!dayRecords.isEmpty())
            page.skip(page.text(logging::verificationLine(dayRecords), 9));
        page.skip(std::max(page.mm(3), page.mm(20) - page.y()));
        // What of the records could not be read, in a box before any figure.
        if (!f.notes.isEmpty()) {
            const qreal top = page.y();
            page.skip(page.mm(1.5));
            page.skip(page.text(QCoreApplication::translate("DayReport", "読めなかった記録"), 9,
                                true, page.mm(2)));
            for (const QString &note : f.notes)
                page.skip(page.text(note, 8, false, page.mm(4)));
            page.skip(page.mm(1.5));
            p.save();
            p.setPen(QPen(QColor(192, 0, 0), page.mm(0.4)));
            p.drawRect(QRectF(0, top, width, page.y() - top));
            p.restore();
            page.skip(page.mm(3));
        }

        // The chart over the quarter hours of the day that hold the record.
        constexpr qint64 quarter = 900000;
        const qint64 offset = QDateTime::fromMSecsSinceEpoch(dayFrom).offsetFromUtc() * 1000LL;
        const qint64 chartFrom =
            std::max(dayFrom, (f.fromMs + offset) / quarter * quarter - offset);
        const qint64 chartTo =
            std::min(dayTo, std::max(chartFrom + 2 * quarter,
                                     ((f.toMs + offset - 1) / quarter + 1) * quarter - offset));
        fillChart(&chart, record, chartFrom, chartTo, chart.width());
        const qreal scale = width / chart.width();
        p.save();
        p.translate(0, page.y());
        p.scale(scale, scale);
        chart.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
        p.restore();
        page.skip(chart.height() * scale + page.mm(3));

        page.skip(page.text(QCoreApplication::translate("DayReport", "判定の基準"), 11, true) +
                  page.mm(0.5));
        for (const QString &line : history::criteriaLines(site))
            page.skip(page.text(line, 9, false, page.mm(3)));
        page.skip(page.text(QCoreApplication::translate("DayReport", "判定の設定: ") +
                                history::ruleLine(site),
                            8, false, page.mm(3)));
        page.skip(page.mm(2));
        page.skip(page.text(QCoreApplication::translate("DayReport", "この日の数字"), 11, true) +
                  page.mm(0.5));
        for (const auto &[label, value] : history::figureLines(f, site, day)) {
            if (page.left() < page.mm(12))
                nextPage();
            page.text(label, 9, false, page.mm(3));
            page.skip(page.text(value, 9, false, page.mm(52)));
        }
        page.skip(page.mm(3));

        bool computed = false;
        const QList<history::EventRow> events = record.eventsIn(dayFrom, dayTo - 1, &computed);
        const QString eventsTitle =
            computed ? QCoreApplication::translate("DayReport", "事象 (記録の風速から算出)")
                     : QCoreApplication::translate("DayReport", "事象 (事象記録より)");
        const qreal columns[5] = {3, 25, 105, 128, 152};
        auto header = [&] {
            page.skip(page.text(eventsTitle, 11, true) + page.mm(1));
            const QString names[5] = {
                QCoreApplication::translate("DayReport", "時刻"),
                QCoreApplication::translate("DayReport", "事象"),
                QCoreApplication::translate("DayReport", "%1分平均").arg(site.minutes),
                QCoreApplication::translate("DayReport", "最大瞬間風速"),
                QCoreApplication::translate("DayReport", "瞬間風速")};
            qreal h = 0;
            for (int c = 0; c < 5; ++c)
                h = page.text(names[c], 9, true, page.mm(columns[c]));
            page.skip(h);
        };
        if (page.left() < page.mm(24))
            nextPage();
        header();
        if (events.isEmpty())
            page.skip(
                page.text(QCoreApplication::translate("DayReport", "なし"), 9, false, page.mm(3)));
        for (const history::EventRow &e : events) {
            if (page.left() < page.mm(12)) {
                nextPage();
                header();
            }
            const QString cells[5] = {history::timeOf(e.ms, day), history::eventText(e), e.mean,
                                      e.gust, e.instant};
            qreal h = 0;
            for (int c = 0; c < 5; ++c)
                h = page.text(cells[c], 9, false, page.mm(columns[c]));
            page.skip(h);
        }
    }
    page.foot(total);
    p.end();
    return page.pages();
}

} // namespace

QByteArray registerReport(const history::Register &r, const Title &title,
                          const basSubMain::SiteSettings &site, const QString &verification)
{
    // Drawn twice: once to count the pages, then with their numbers.
    auto draw = [&](QIODevice *device, int total) {
        QPdfWriter writer(device);
        setUpSheet(writer, QCoreApplication::translate("DayReport", "点検記録簿"));
        QPainter p(&writer);
        Pages page(writer, p);
        approvalBoxes(p, page, page.y());
        page.skip(page.text(QCoreApplication::translate("DayReport", "点検記録簿"), 18, true));
        page.skip(page.mm(2));
        page.skip(page.text(QCoreApplication::translate("DayReport", "期間: %1 〜 %2")
                                .arg(r.from.toString(QStringLiteral("yyyy/MM/dd")),
                                     r.to.toString(QStringLiteral("yyyy/MM/dd"))),
                            12, true));
        page.skip(page.mm(1));
        QStringList meter{
            QCoreApplication::translate("DayReport", "現場: %1")
                .arg(title.siteName.isEmpty() ? QCoreApplication::translate("DayReport", "(未設定)")
                                              : title.siteName),
            QCoreApplication::translate("DayReport", "風速計: QV-475 COM%1").arg(title.port)};
        if (!site.serial.isEmpty())
            meter << QCoreApplication::translate("DayReport", "製造番号 %1").arg(site.serial);
        page.skip(page.text(meter.join(QStringLiteral("    ")), 10));
        page.skip(page.text(verification, 9));
        page.skip(std::max(page.mm(3), page.mm(24) - page.y()));
        for (const QString &line : history::criteriaLines(site))
            page.skip(page.text(line, 9, false, page.mm(3)));
        for (const QString &note : r.notes)
            page.skip(page.text(note, 8, false, page.mm(3)));
        page.skip(page.mm(3));
        const qreal columns[3] = {3, 28, 92};
        auto header = [&] {
            const QString names[3] = {QCoreApplication::translate("DayReport", "種別"),
                                      QCoreApplication::translate("DayReport", "日時"),
                                      QCoreApplication::translate("DayReport", "内容")};
            qreal h = 0;
            for (int c = 0; c < 3; ++c)
                h = page.text(names[c], 9, true, page.mm(columns[c]));
            page.skip(h + page.mm(0.5));
        };
        header();
        if (r.items.isEmpty())
            page.skip(
                page.text(QCoreApplication::translate("DayReport", "なし"), 9, false, page.mm(3)));
        auto at = [](qint64 ms) {
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy/MM/dd H:mm"));
        };
        for (const history::RegisterItem &item : r.items) {
            if (page.left() < page.mm(12)) {
                page.foot(total);
                page.newPage();
                header();
            }
            const QString when = item.toMs ? at(item.fromMs) + QStringLiteral(" 〜 ") +
                                                 QDateTime::fromMSecsSinceEpoch(item.toMs).toString(
                                                     QStringLiteral("M/d H:mm"))
                                           : at(item.fromMs);
            const QString cells[3] = {history::registerKindText(item), when,
                                      history::registerDetail(item)};
            const bool open = item.kind == history::RegisterItem::Kind::Open;
            qreal h = 0;
            for (int c = 0; c < 3; ++c) // still due: in red
                h = page.text(cells[c], 9, open, page.mm(columns[c]),
                              open ? QColor(192, 0, 0) : QColor(Qt::black));
            page.skip(h);
        }
        page.foot(total);
        p.end();
        return page.pages();
    };
    return twoPasses(draw);
}

QByteArray dayReport(const history::WindHistory &record, const Title &title, QList<QDate> days)
{
    if (record.empty())
        return {};
    if (days.isEmpty())
        days = record.days();
    return twoPasses([&](QIODevice *device, int total) {
        return drawReport(device, record, title, days, total);
    });
}

} // namespace report
