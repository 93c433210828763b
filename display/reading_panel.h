// The reading area of the main window: the four figures with their captions and units,
// their alarm colours and stale drawing, the link's words while it is not live, and the
// strip of the site's rule. It draws a session's snapshot and places its labels by the
// layout tables, sizing its window to match; the window decides the view, the size and the
// menus.
#pragma once

#include "model/snapshot.h"

#include <QSizeF>
#include <QString>
#include <QWidget>
#include <array>

class QLabel;

// A label's place in twips and its font size in points.
struct LabelPlace {
    int left, top, width, height;
    double points;
};

// The background of a figure: white, or the alarm level's yellow or red.
enum class AlarmColour { White, Yellow, Red };

// The site strip's line: the state's word (the latch first, with its cause, then the
// work state under it), what an undecided state waits for, the mean and the gust, and
// until when a running hold lasts.
// receiving: frames come now (without them an undecided says "データなし").
QString siteStripLine(const session::SiteState &site, int minutes, qint64 nowMs,
                      bool receiving = true);

namespace display {

class ReadingPanel : public QWidget
{
    Q_OBJECT
public:
    // Which figures a view shows: all four, the instantaneous, or the average.
    enum class View { Multi, Peak, Ave };
    // The site strip's height in twips in the large and the small layouts.
    static constexpr int kSiteStripLarge = 1440, kSiteStripSmall = 720;
    // The least height of the link's words in the large window (twips).
    static constexpr int kLinkBannerLeastLarge = 1260;

    explicit ReadingPanel(QWidget *parent = nullptr);

    // Draws the snapshot: figures, colours, the stale state, the banner, the site strip.
    // minutes is the rule's window, nowMs the time the strip counts down from.
    void show(const session::Snapshot &s, int minutes, qint64 nowMs);
    const session::Snapshot &shown() const { return m_shown; }

    // One layout: hides every figure, places the view's labels by its table for the large
    // or the small window, sizes and centres the window, then shows the view's labels and
    // the strips; nothing half-moved is drawn.
    void layout(View view, bool large, bool site);
    // Its steps: hideFigures, then placeView by the view's table for the large or the small
    // window (which its owner sizes by windowTwips meanwhile), then showView; nothing
    // half-moved is drawn.
    void hideFigures();
    void placeView(View view, bool large);
    void showView(View view);
    // The window's client size in twips for a layout, with the site's strip when shown.
    static QSizeF windowTwips(bool large, bool site);
    // The strip shown (or hidden) at the bottom, and the link's words above it.
    void placeStrips(bool site);

    QLabel *lblPeak(int i) const { return m_lblPeak[size_t(i)]; }
    QLabel *label(int n) const { return m_label[size_t(n - 1)]; } // Label1 to Label8
    AlarmColour alarmColour(int figure) const { return m_alarm[size_t(figure)]; }
    // False while the figures show the last values of a stopped link (drawn grey).
    bool figuresLive() const { return m_figuresLive; }
    // The words under the figures while the link is not live ("" while live), and the
    // pixel size of the state's word.
    QString linkBannerText() const;
    int linkBannerWordPx() const { return m_linkBannerWordPx; }
    QLabel *siteStrip() const { return m_siteStrip; }
    QString siteStripText() const { return m_siteText; }
    int siteStripCaptionPx() const { return m_siteCaptionPx; }
    // The strip's height in pixels in the current layout.
    int siteStripPx() const;

signals:
    // A caption grew or the strip was switched on or off: the window is laid out again.
    void layoutNeeded();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void place(QLabel *label, const LabelPlace &p);
    void setAlarmColour(int figure, AlarmColour colour);
    void applyFigureStyle(size_t figure);
    void setFiguresLive(bool live);
    void showSite(const session::SiteState &site, int minutes, qint64 nowMs, bool receiving);
    void updateLinkBanner();
    void placeLinkBanner();
    void placeSiteStrip();

    std::array<QLabel *, 4> m_lblPeak{};
    std::array<QLabel *, 8> m_label{};
    QLabel *m_linkBanner = nullptr;
    QLabel *m_siteStrip = nullptr;
    std::array<AlarmColour, 4> m_alarm{};
    bool m_figuresLive = true;
    bool m_large = false;
    session::Snapshot m_shown;
    QString m_siteText;
    int m_siteCaptionPx = 0;
    QString m_linkBannerText;
    int m_linkBannerWordPx = 0;
};

} // namespace display
