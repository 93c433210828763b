// The trend window: the four readings of the last 10 or 60 minutes against local clock
// time, with the periods of alarm level 1 and 2 of each figure as yellow and red bands
// and the periods without a link as gaps. Modeless; redrawn at most once a bucket (1 or
// 3 s) while shown.
#pragma once

#include "base/settings.h"
#include "display/trend_chart.h"
#include "link/reading_history.h"
#include "session/session.h"

#include <deque>
#include <functional>

#include <QWidget>

class QComboBox;
class QTimer;

namespace platform {
class Clock;
}

class frmTrend : public QWidget
{
    Q_OBJECT
public:
    frmTrend(const meterlink::ReadingHistory &history, platform::Clock *clock,
             QWidget *parent = nullptr);
    // The trend of a live session (its readings, and the site's lines while the rule is
    // on), owned by and placed beside the main window.
    static frmTrend *forSession(const session::Session &session, platform::Clock *clock,
                                QWidget *main);

    // Takes the history's last 10 or 60 minutes into the chart.
    void refresh();
    int rangeMinutes() const;
    void setRangeMinutes(int minutes);
    TrendChart *chart() const { return m_chart; }
    // The site's mean and thresholds for [fromMs, toMs] (none while [Site] is off).
    using SiteSource = std::function<TrendChart::Site(qint64 fromMs, qint64 toMs)>;
    void setSiteSource(SiteSource source)
    {
        m_site = std::move(source);
        refresh();
    }
    // Beside the main window (right, else left, else below), so that the figures stay
    // in view.
    void placeBeside(const QWidget *main);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    const meterlink::ReadingHistory &m_history;
    platform::Clock *m_clock;
    QComboBox *m_range = nullptr;
    TrendChart *m_chart = nullptr;
    QTimer *m_timer = nullptr;
    SiteSource m_site;
};

// The site's lines of a live session for [fromMs, toMs] (none while the rule is off): the
// mean, cut where it is not valid; the stops and the latches, second by second; and the
// thresholds.
TrendChart::Site liveSiteLines(const std::deque<session::MeanPoint> &means,
                               const basSubMain::SiteSettings &rule, qint64 fromMs, qint64 toMs);
