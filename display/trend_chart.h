// The trend's chart, drawn with QPainter: the value axis from 0 in round steps, the time
// axis in whole minutes, each figure's alarm periods as bands (the instantaneous one in
// the upper half, the average one hatched in the lower), the four readings as lines cut
// where the link was down, and a legend under the plot.
#pragma once

#include "link/trend_data.h"

#include <QList>
#include <QPointF>
#include <QWidget>
#include <array>
#include <utility>

class TrendChart : public QWidget
{
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    // The site's rule, drawn while [Site] is on: the rolling mean (pieces cut where it is
    // not valid) and the thresholds as level lines.
    // With a mean named, the meter's own average is named 平均風速(計器) apart from it.
    struct Site {
        QString meanName;
        QList<QList<QPointF>> mean;
        QList<std::pair<QString, double>> thresholds; // name, m/s
        // The periods of the work stop and of the storm latch (ms), drawn as bars along
        // the top of the plot.
        QList<std::pair<qint64, qint64>> stops, storms;
    };
    // Before setData: the caution and stop lines count for the value axis.
    void setSite(const Site &site) { m_site = site; }
    const Site &site() const { return m_site; }

    // Which of the four lines (and their legend entries) are drawn, and whether the alarm
    // bands are (a log has no alarm levels); all of them unless told.
    void setShown(const std::array<bool, 4> &lines, bool bands)
    {
        m_lines = lines;
        m_showBands = bands;
    }

    // What to draw: the buckets of [fromMs, toMs] and their bucket length.
    void setData(const QList<meterlink::Bucket> &buckets, qint64 bucketMs, qint64 fromMs,
                 qint64 toMs);

    // What is drawn, in data units (milliseconds since the epoch, m/s): the pieces of
    // reading i's line, the periods of a figure's band at a level, the axis and the
    // legend's names.
    const QList<QList<QPointF>> &segments(int reading) const { return m_segments[size_t(reading)]; }
    const QList<meterlink::Period> &band(int figure, int level) const
    {
        return m_bands[size_t(figure * 2 + level - 1)];
    }
    meterlink::AxisScale valueScale() const { return m_scale; }
    QStringList legendNames() const;
    // A reading's name in the legend.
    QString caption(int reading) const;
    // The time axis's labelled ticks, and a tick's label.
    QList<qint64> timeTicks() const;
    QString tickLabel(qint64 ms) const;

    QSize sizeHint() const override { return {640, 360}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF plotRect() const;
    const QList<std::pair<qint64, qint64>> &barPeriods(int k) const
    {
        return k == 0 ? m_site.stops : m_site.storms;
    }

    std::array<QList<QList<QPointF>>, 4> m_segments;
    std::array<QList<meterlink::Period>, 4> m_bands;
    meterlink::AxisScale m_scale{10, 1};
    Site m_site;
    std::array<bool, 4> m_lines{true, true, true, true};
    bool m_showBands = true;
    qint64 m_from = 0;
    qint64 m_to = 1;
};
