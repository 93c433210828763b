#include "display/trend_chart.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
const char *const kCaptions[4] = {
    QT_TRANSLATE_NOOP("frmMain", "瞬間風速"), QT_TRANSLATE_NOOP("frmMain", "瞬間最大風速"),
    QT_TRANSLATE_NOOP("frmMain", "平均風速"), QT_TRANSLATE_NOOP("frmMain", "平均最大風速")};
const QColor kLineColours[4] = {QColor(0, 90, 200), QColor(120, 170, 240), QColor(200, 60, 0),
                                QColor(240, 160, 110)};
// Short band names, so that the legend shows them whole; each one translated whole.
const char *const kBandNames[2][2] = {
    {QT_TRANSLATE_NOOP("TrendChart", "瞬間警報1"), QT_TRANSLATE_NOOP("TrendChart", "瞬間警報2")},
    {QT_TRANSLATE_NOOP("TrendChart", "平均警報1"), QT_TRANSLATE_NOOP("TrendChart", "平均警報2")}};
QString bandName(int figure, int level)
{
    return QCoreApplication::translate("TrendChart", kBandNames[figure == 0 ? 0 : 1][level - 1]);
}
QColor bandFill(int level)
{
    return level == 1 ? QColor(230, 200, 0, 120) : QColor(255, 0, 0, 100);
}
// The hatching is drawn opaque, or its thin lines would vanish.
QColor bandHatch(int level)
{
    return level == 1 ? QColor(200, 160, 0) : QColor(220, 0, 0);
}
QBrush bandBrush(int figure, int level)
{
    return figure == 0 ? QBrush(bandFill(level)) : QBrush(bandHatch(level), Qt::BDiagPattern);
}
constexpr int kLegendRows = 2;
// The bars along the top of the plot: the stop's and the storm latch's.
const QColor kBarColours[2] = {QColor(220, 0, 0), QColor(112, 0, 160)};
const char *const kBarNames[2] = {QT_TRANSLATE_NOOP("site", "作業中止"),
                                  QT_TRANSLATE_NOOP("site", "点検要")};
} // namespace

TrendChart::TrendChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("chtTrend"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void TrendChart::setData(const QList<meterlink::Bucket> &buckets, qint64 bucketMs, qint64 fromMs,
                         qint64 toMs)
{
    m_from = fromMs;
    m_to = qMax(fromMs + 1, toMs);
    double highest = 0;
    for (const meterlink::Bucket &b : buckets)
        for (double v : b.value)
            highest = std::max(highest, v);
    // The lines a decision is read against stay in view (the storm's only when reached).
    for (qsizetype k = 0; k < m_site.thresholds.size() && k < 2; ++k)
        highest = std::max(highest, m_site.thresholds[k].second);
    m_scale = meterlink::valueScale(highest);
    for (int i = 0; i < 4; ++i) {
        auto &pieces = m_segments[size_t(i)];
        pieces.clear();
        bool cut = true;
        for (const meterlink::Bucket &b : buckets) {
            const double v = b.value[size_t(i)];
            if (std::isnan(v)) { // not known in this bucket: no line through it
                cut = true;
                continue;
            }
            if (cut || b.breakBefore)
                pieces.append(QList<QPointF>());
            cut = false;
            pieces.last().append(QPointF(double(b.ms), v));
        }
    }
    for (int figure : {0, 1})
        for (int level : {1, 2})
            m_bands[size_t(figure * 2 + level - 1)] =
                meterlink::alarmPeriods(buckets, bucketMs, figure, level);
    update();
}

QString TrendChart::caption(int reading) const
{
    // Beside the rule's mean, the meter's own average is named as the meter's.
    if (reading == 2 && !m_site.meanName.isEmpty())
        return QCoreApplication::translate("TrendChart", "平均風速(計器)");
    return QCoreApplication::translate("frmMain", kCaptions[reading]);
}

QStringList TrendChart::legendNames() const
{
    QStringList names;
    for (int i = 0; i < 4; ++i)
        if (m_lines[size_t(i)])
            names << caption(i);
    if (m_showBands)
        for (int figure : {0, 1})
            for (int level : {1, 2})
                names << bandName(figure, level);
    for (int k = 0; k < 2; ++k)
        if (!barPeriods(k).isEmpty())
            names << QCoreApplication::translate("site", kBarNames[k]);
    return names;
}

QList<qint64> TrendChart::timeTicks() const
{
    // Every minute over ten minutes, every ten over an hour, and over longer spans the
    // first of 30 minutes to a week that gives at most 12 ticks: whole times of the clock.
    const qint64 span = m_to - m_from;
    constexpr qint64 minute = 60000, hour = 60 * minute, day = 24 * hour;
    qint64 step = span <= 15 * minute ? minute : 10 * minute;
    for (qint64 s : {30 * minute, hour, 3 * hour, 6 * hour, 12 * hour, day, 2 * day, 7 * day})
        if (span / step > 12)
            step = s;
    const qint64 offset = QDateTime::fromMSecsSinceEpoch(m_from).offsetFromUtc() * 1000LL;
    QList<qint64> ticks;
    for (qint64 t = ((m_from + offset + step - 1) / step) * step - offset; t <= m_to; t += step)
        ticks << t;
    return ticks;
}

QString TrendChart::tickLabel(qint64 ms) const
{
    // Over more than a day, midnight is named by its date.
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    if (m_to - m_from > 24 * 3600000LL && t.time() == QTime(0, 0))
        return t.toString(QStringLiteral("M/d"));
    return t.toString(QStringLiteral("H:mm"));
}

QRectF TrendChart::plotRect() const
{
    const QFontMetrics fm(font());
    const qreal left = fm.horizontalAdvance(QStringLiteral("0000")) + 10;
    const qreal bottom = fm.height() + 6 + kLegendRows * (fm.height() + 4) + 4;
    return QRectF(left, fm.height() + 6, width() - left - 12, height() - bottom - fm.height() - 6);
}

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm(font());
    const QRectF plot = plotRect();
    if (plot.width() < 10 || plot.height() < 10)
        return;
    auto x = [&](double ms) {
        return plot.left() + (ms - m_from) * plot.width() / (m_to - m_from);
    };
    auto y = [&](double v) { return plot.bottom() - v * plot.height() / m_scale.top; };

    // Grid and value labels.
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(0, 0, plot.left() - 4, fm.height() + 2), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("m/s"));
    for (int k = 0; k < m_scale.ticks(); ++k) {
        const double v = k * m_scale.step;
        const qreal at = y(v);
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
        p.setPen(QColor(60, 60, 60));
        p.drawText(QRectF(0, at - fm.height() / 2.0, plot.left() - 6, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', 0));
    }
    const QLocale locale = QLocale::system();
    for (qint64 t : timeTicks()) {
        const qreal at = x(double(t));
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        p.setPen(QColor(60, 60, 60));
        const QString label = tickLabel(t);
        const qreal w = fm.horizontalAdvance(label);
        p.drawText(QPointF(qBound(0.0, at - w / 2, width() - w), plot.bottom() + fm.ascent() + 4),
                   label);
    }

    p.save();
    p.setClipRect(plot);
    // The bands: the instantaneous figure's in the upper half, the average's hatched in
    // the lower half.
    for (int figure : {0, 1})
        for (int level : {1, 2})
            for (const meterlink::Period &period :
                 m_showBands ? band(figure, level) : QList<meterlink::Period>()) {
                const qreal top = figure == 0 ? plot.top() : plot.center().y();
                const QRectF r(QPointF(x(double(period.startMs)), top),
                               QPointF(x(double(period.endMs)), top + plot.height() / 2));
                p.fillRect(r, bandBrush(figure, level));
                if (figure == 1) {
                    p.setPen(QPen(bandHatch(level), 1));
                    p.drawRect(r);
                }
            }
    for (int i = 0; i < 4; ++i) {
        if (!m_lines[size_t(i)])
            continue;
        p.setPen(QPen(kLineColours[i], i % 2 ? 1.2 : 2.0));
        for (const QList<QPointF> &piece : m_segments[size_t(i)]) {
            QPainterPath path;
            for (qsizetype k = 0; k < piece.size(); ++k) {
                const QPointF at(x(piece[k].x()), y(piece[k].y()));
                if (k == 0)
                    path.moveTo(at);
                else
                    path.lineTo(at);
            }
            if (piece.size() == 1)
                p.drawPoint(path.currentPosition());
            else
                p.drawPath(path);
        }
    }
    // The site's thresholds, dashed, named at the right; the mean, thick, over all.
    const QColor kMeanColour(0, 130, 60);
    for (const auto &[name, value] : m_site.thresholds) {
        if (value > m_scale.top)
            continue;
        p.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
        p.drawLine(QPointF(plot.left(), y(value)), QPointF(plot.right(), y(value)));
        // Named at the left, on white, so that the lines of the readings do not hide it.
        // The rule's words as the interface shows them.
        const QString label =
            QStringLiteral("%1 %2")
                .arg(QCoreApplication::translate("site", name.toUtf8().constData()))
                .arg(value, 0, 'f', 1);
        const QRectF box(plot.left() + 4, y(value) - fm.height() - 1,
                         fm.horizontalAdvance(label) + 4, fm.height());
        p.fillRect(box, QColor(255, 255, 255, 220));
        p.setPen(QColor(60, 60, 60));
        p.drawText(box, Qt::AlignCenter, label);
    }
    p.setPen(QPen(kMeanColour, 3.0));
    for (const QList<QPointF> &piece : m_site.mean) {
        QPolygonF line;
        for (const QPointF &pt : piece)
            line << QPointF(x(pt.x()), y(pt.y()));
        p.drawPolyline(line);
    }
    // The stop (red) and the storm's latch (purple) as bars along the top, named in the
    // legend (a name inside a bar this thin would be too small to read).
    const qreal bar = qMax<qreal>(6, fm.height() / 2.0);
    for (int k = 0; k < 2; ++k) {
        const qreal top = plot.top() + k * bar;
        for (const auto &[from, to] : barPeriods(k)) {
            const qreal left = qMax(plot.left(), x(double(from)));
            const qreal right = qMin(plot.right(), x(double(to)));
            if (right < left)
                continue;
            p.fillRect(QRectF(left, top, qMax<qreal>(2, right - left), bar), kBarColours[k]);
        }
    }
    p.restore();
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawRect(plot);
    if (!m_site.meanName.isEmpty()) {
        // The mean's name in the top right corner, above the plot.
        const qreal w = fm.horizontalAdvance(m_site.meanName);
        p.setPen(QPen(kMeanColour, 3.0));
        p.drawLine(QPointF(plot.right() - w - 34, plot.top() - fm.height() / 2.0 - 3),
                   QPointF(plot.right() - w - 12, plot.top() - fm.height() / 2.0 - 3));
        p.setPen(QColor(30, 30, 30));
        p.drawText(QPointF(plot.right() - w, plot.top() - 6 - fm.descent()), m_site.meanName);
    }

    // The legend: the lines in the first row, the bands in the second.
    const qreal rowHeight = fm.height() + 4;
    const qreal top0 = plot.bottom() + fm.height() + 10;
    for (int row = 0; row < kLegendRows; ++row) {
        QList<int> entries; // lines 0 to 3, bands 4 to 7, bars 8 and 9
        for (int k = 0; k < 4; ++k)
            if (row == 0 ? m_lines[size_t(k)] : m_showBands)
                entries << row * 4 + k;
        for (int k = 0; k < 2; ++k)
            if (row == 1 && !barPeriods(k).isEmpty())
                entries << 8 + k;
        QStringList names;
        for (int e : entries)
            names << (e < 4   ? caption(e)
                      : e < 8 ? bandName((e - 4) / 2, e % 2 + 1)
                              : QCoreApplication::translate("site", kBarNames[e - 8]));
        qreal total = 0;
        for (const QString &name : names)
            total += 28 + fm.horizontalAdvance(name) + 16;
        qreal at = qMax(0.0, (width() - total) / 2);
        const qreal top = top0 + row * rowHeight;
        for (qsizetype n = 0; n < entries.size(); ++n) {
            const int k = entries[n] % 4;
            const QRectF swatch(at, top + 3, 22, fm.height() - 6);
            if (entries[n] >= 8) {
                p.fillRect(swatch, kBarColours[entries[n] - 8]);
            } else if (row == 0) {
                p.setPen(QPen(kLineColours[k], k % 2 ? 1.2 : 2.0));
                p.drawLine(QPointF(swatch.left(), swatch.center().y()),
                           QPointF(swatch.right(), swatch.center().y()));
            } else {
                const int figure = k / 2, level = k % 2 + 1;
                p.fillRect(swatch, bandBrush(figure, level));
                p.setPen(QPen(figure == 0 ? bandFill(level) : bandHatch(level), 1));
                p.drawRect(swatch);
            }
            p.setPen(QColor(30, 30, 30));
            p.drawText(QPointF(at + 28, top + fm.ascent()), names[n]);
            at += 28 + fm.horizontalAdvance(names[n]) + 16;
        }
    }
}
