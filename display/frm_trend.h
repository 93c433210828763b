// The trend window: the four readings of the last 10 or 60 minutes against local clock
// time, with the periods of alarm level 1 and 2 of each figure as yellow and red bands
// (the instantaneous one above, the average one hatched below) and the periods without
// a link as gaps. Modeless; redrawn at most once a second while shown.
#pragma once

#include "link/reading_history.h"

#include <QList>
#include <QWidget>
#include <array>

class QComboBox;
class QTimer;
class QChart;
class QChartView;
class QLineSeries;
class QAreaSeries;

namespace platform {
class Clock;
}

class frmTrend : public QWidget
{
    Q_OBJECT
public:
    frmTrend(const meterlink::ReadingHistory &history, platform::Clock *clock,
             QWidget *parent = nullptr);

    // Rebuilds the chart from the history.
    void refresh();
    int rangeMinutes() const;
    void setRangeMinutes(int minutes);

    // For the tests: the line segments of reading i (0 to 3), and the band of a figure
    // (0 instantaneous, 1 average) at a level (1 or 2) and above.
    QList<QLineSeries *> segments(int reading) const { return m_segments.value(reading); }
    QAreaSeries *band(int figure, int level) const
    {
        return m_bands[size_t(figure * 2 + level - 1)];
    }
    class QValueAxis *valueAxis() const { return m_y; }
    QChart *chart() const { return m_chart; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QLineSeries *newSegment(int reading);

    const meterlink::ReadingHistory &m_history;
    platform::Clock *m_clock;
    QComboBox *m_range = nullptr;
    QChartView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QTimer *m_timer = nullptr;
    QList<QList<QLineSeries *>> m_segments;
    std::array<QAreaSeries *, 4> m_bands{};
    class QDateTimeAxis *m_x = nullptr;
    class QValueAxis *m_y = nullptr;
};
