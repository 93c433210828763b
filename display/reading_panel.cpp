#include "display/reading_panel.h"

#include "base/geometry.h"
#include "base/language.h"
#include "base/settings.h"
#include "display/figure_font.h"
#include "link/frame_decoder.h"
#include "logging/csv_format.h"
#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QTextDocument>
#include <algorithm>

using namespace basSubMain;

namespace {

QColor colourOf(AlarmColour c)
{
    switch (c) {
    case AlarmColour::Yellow: return QColor(255, 255, 0);
    case AlarmColour::Red: return QColor(255, 0, 0);
    case AlarmColour::White: break;
    }
    return QColor(255, 255, 255);
}

AlarmColour colourForLevel(int level)
{
    return level == 2 ? AlarmColour::Red : level == 1 ? AlarmColour::Yellow : AlarmColour::White;
}

// Figures of a stopped link keep their values, drawn grey so that nobody takes them for
// live readings; an alarm background stays, faded halfway to white.
const QColor kLiveText(0, 0, 0);
const QColor kStaleText(150, 150, 150);
QColor faded(const QColor &c)
{
    return QColor((c.red() + 255) / 2, (c.green() + 255) / 2, (c.blue() + 255) / 2);
}

// Pixels kept free between a figure's widest text and its frame, for antialiased ink.
constexpr int kFigurePad = 2;

// Sets a label to "word  rest" on one line: the word bold in the largest pixel size that
// lets the whole line fit its box, the rest at percent of that size. A second line after
// "\n" (the latches under a stop) is set at kSecondLinePercent of the word's size, its
// parts ("word  text" pairs joined by "    ") each on its own colour. Returns the size.
constexpr int kSecondLinePercent = 45;
int setWordAndRest(QLabel *label, const QString &text, int percent)
{
    const QString first = text.section(QLatin1Char('\n'), 0, 0);
    const QString second = text.section(QLatin1Char('\n'), 1);
    const qsizetype cut = first.indexOf(QStringLiteral("  "));
    const QString word = first.left(cut);
    const QString rest = cut < 0 ? QString() : first.mid(cut + 2);
    QFont big = basSubMain::japaneseFont(9), small = basSubMain::japaneseFont(9),
          under = basSubMain::japaneseFont(9);
    big.setBold(true);
    under.setBold(true);
    const QRect box = label->contentsRect();
    auto restPx = [percent](int px) { return qMax(8, px * percent / 100); };
    auto underPx = [](int px) { return qMax(8, px * kSecondLinePercent / 100); };
    int px = qMax(8, box.height() * (second.isEmpty() ? 4 : 3) / 5);
    for (; px > 8; --px) {
        big.setPixelSize(px);
        small.setPixelSize(restPx(px));
        under.setPixelSize(underPx(px));
        const int width = QFontMetrics(big).horizontalAdvance(word + QLatin1Char(' ')) +
                          QFontMetrics(small).horizontalAdvance(rest);
        // Two lines of rich text take their line spacing each, and a little between.
        const int height = second.isEmpty() ? QFontMetrics(big).height()
                                            : QFontMetrics(big).lineSpacing() +
                                                  QFontMetrics(under).lineSpacing() + 6;
        if (width <= box.width() - 12 && height <= box.height())
            break;
    }
    // The latches' line keeps its size under the headword: when it does not fit its width,
    // the longest part (a fault's note) is cut with an ellipsis, so that every latch's word
    // stays (the whole of it is in the event log and --status).
    QStringList shown = second.split(QStringLiteral("    "), Qt::SkipEmptyParts);
    const QFontMetrics um(under);
    const int room =
        box.width() - 12 - int(shown.size()) * um.horizontalAdvance(QStringLiteral("    "));
    auto widthOf = [&um](const QStringList &parts) {
        int w = 0;
        for (const QString &p : parts)
            w += um.horizontalAdvance(p);
        return w;
    };
    while (!shown.isEmpty() && widthOf(shown) > room) {
        auto longest =
            std::max_element(shown.begin(), shown.end(), [&um](const QString &a, const QString &b) {
                return um.horizontalAdvance(a) < um.horizontalAdvance(b);
            });
        const int excess = widthOf(shown) - room;
        const QString cut = um.elidedText(*longest, Qt::ElideRight,
                                          qMax(um.horizontalAdvance(QStringLiteral("…")) * 4,
                                               um.horizontalAdvance(*longest) - excess));
        if (cut == *longest)
            break;
        *longest = cut;
    }
    auto htmlAt = [&](int px) {
        QString html = QStringLiteral("<b style=\"font-size:%1px\">%2</b> "
                                      "<span style=\"font-size:%3px\">%4</span>")
                           .arg(px)
                           .arg(word.toHtmlEscaped())
                           .arg(restPx(px))
                           .arg(rest.toHtmlEscaped());
        if (second.isEmpty())
            return html;
        // Purple for an inspection due, red on black for out of service.
        QStringList parts;
        for (const QString &part : shown) {
            const bool out = part.startsWith(
                language::stateWord(site::changeCaption(site::Change::OutOfService)));
            parts << QStringLiteral(
                         "<span style=\"background-color:%1; color:%2\">&nbsp;%3&nbsp;</span>")
                         .arg(out ? QStringLiteral("#000000") : QStringLiteral("#7000a0"),
                              out ? QStringLiteral("#ff3030") : QStringLiteral("#ffffff"),
                              part.toHtmlEscaped());
        }
        return html + QStringLiteral("<br><b style=\"font-size:%1px\">%2</b>")
                          .arg(underPx(px))
                          .arg(parts.join(QStringLiteral(" ")));
    };
    QString html = htmlAt(px);
    // Two lines as the label lays them out (its margins, each line's spacing) inside the
    // strip, never cut at its lower edge.
    if (!second.isEmpty())
        for (; px > 8; --px) {
            html = htmlAt(px);
            QTextDocument doc;
            doc.setDefaultFont(label->font());
            doc.setHtml(html);
            if (doc.size().height() <= box.height())
                break;
        }
    label->setText(html);
    return px;
}

QString clockText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).time().toString(QStringLiteral("H:mm"));
}
// Whole minutes, rounded up: "あと 1分" until the moment itself.
qint64 minutesLeft(qint64 ms)
{
    return qMax<qint64>(1, (ms + 59999) / 60000);
}

} // namespace

QString siteStripLine(const session::SiteState &site, int minutes, qint64, bool receiving)
{
    const QString none = QStringLiteral("---");
    const bool scaffold = site.scaffoldMs != 0;
    const bool stop = site.work == site::Work::Stop;
    auto word = [](site::Change c) { return language::stateWord(site::changeCaption(c)); };
    auto faultText = [](const site::Inspection &f) {
        return QCoreApplication::translate("frmMain", "点検で%1 — %2 %3")
            .arg(f.result, f.by, clockText(f.ms));
    };
    // Each latch with its cause: the crane's after a storm, the scaffolds' after a stop,
    // out of service when an inspection found a fault.
    QStringList latches;
    if (site.latched) {
        QStringList l;
        if (site.craneFault.ms)
            l << word(site::Change::OutOfService) << faultText(site.craneFault);
        else
            l << language::stateWord(site::caption(site.work, true));
        if (site.stateUnreadable)
            l << QCoreApplication::translate("frmMain", "状態ﾌｧｲﾙを読めません");
        else if (site.storm.tenths >= 0)
            l << QCoreApplication::translate("frmMain", "暴風 %1 m/s (%2)")
                     .arg(meterlink::formatTenths(site.storm.tenths), clockText(site.storm.ms));
        latches << l.join(QStringLiteral("  "));
    }
    if (scaffold) {
        QStringList l{word(site::Change::Scaffold)};
        if (site.scaffoldFault.ms)
            l = QStringList{word(site::Change::OutOfService), word(site::Change::Scaffold),
                            faultText(site.scaffoldFault)};
        latches << l.join(QStringLiteral("  "));
    }
    // Under a stop, each latch in short: its word and what it waits for.
    QStringList under;
    if (site.latched)
        under << (site.craneFault.ms ? word(site::Change::OutOfService) + QStringLiteral("  ") +
                                           site.craneFault.result
                  : site.stateUnreadable || site.storm.tenths < 0
                      ? language::stateWord(site::caption(site.work, true))
                      : language::stateWord(site::caption(site.work, true)) + QStringLiteral("  ") +
                            QCoreApplication::translate("frmMain", "暴風 %1 m/s (%2)")
                                .arg(meterlink::formatTenths(site.storm.tenths),
                                     clockText(site.storm.ms)));
    if (scaffold)
        under << (site.scaffoldFault.ms ? word(site::Change::OutOfService) + QStringLiteral("  ") +
                                              word(site::Change::Scaffold)
                                        : word(site::Change::Scaffold));
    QStringList parts;
    // A stop is always the headword; the latches go under it. Otherwise the latch comes
    // first, with the work state underneath it never hidden.
    if (!stop && !latches.isEmpty())
        parts << latches;
    parts << language::stateWord(site::caption(site.work));
    if (site.work == site::Work::Undecided && !receiving)
        parts << QCoreApplication::translate("frmMain", "データなし");
    else if (site.work == site::Work::Undecided && site.stats.missingMs > 0)
        parts << QCoreApplication::translate("frmMain", "あと %1分")
                     .arg(minutesLeft(site.stats.missingMs));
    parts << QCoreApplication::translate("frmMain", "%1分平均 %2")
                 .arg(minutes)
                 .arg(site.stats.valid ? meterlink::formatTenths(site.stats.meanTenths) : none);
    parts << QCoreApplication::translate("frmMain", "最大瞬間 %1 m/s")
                 .arg(site.stats.gustTenths >= 0 ? meterlink::formatTenths(site.stats.gustTenths)
                                                 : none);
    // A condition, never a permission: resuming work is a person's decision.
    if (site.releaseMs > 0)
        parts << QCoreApplication::translate("frmMain", "%1分平均が基準未満で %2 に解除条件成立")
                     .arg(minutes)
                     .arg(clockText(site.releaseMs));
    QString line = parts.join(QStringLiteral("  "));
    if (stop && !under.isEmpty())
        line += QLatin1Char('\n') + under.join(QStringLiteral("    "));
    return line;
}

namespace display {

ReadingPanel::ReadingPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("readingArea"));
    static const char *const captions[8] = {QT_TRANSLATE_NOOP("frmMain", "瞬間風速"),
                                            QT_TRANSLATE_NOOP("frmMain", "瞬間最大風速"),
                                            QT_TRANSLATE_NOOP("frmMain", "平均風速"),
                                            QT_TRANSLATE_NOOP("frmMain", "平均最大風速"),
                                            "m/s",
                                            "m/s",
                                            "m/s",
                                            "m/s"};
    for (int n = 1; n <= 8; ++n) {
        auto *l = new QLabel(QCoreApplication::translate("frmMain", captions[n - 1]), this);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_label[size_t(n - 1)] = l;
    }
    for (int i = 0; i < 4; ++i) {
        auto *l = new QLabel(QStringLiteral("999.9"), this);
        l->setObjectName(QStringLiteral("lblPeak(%1)").arg(i));
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setLineWidth(1);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // No indent: the text may use the whole box inside the frame.
        l->setIndent(0);
        l->setMargin(0);
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(pal);
        m_lblPeak[size_t(i)] = l;
    }
    // While the link is not live, the free strip under the figures says so in large
    // words, with the time of the last whole frame; the figures keep their place.
    m_linkBanner = new QLabel(this);
    m_linkBanner->setObjectName(QStringLiteral("lblLinkState"));
    m_linkBanner->setAlignment(Qt::AlignCenter);
    m_linkBanner->setTextFormat(Qt::RichText);
    m_linkBanner->setAttribute(Qt::WA_TransparentForMouseEvents);
    {
        QPalette pal = m_linkBanner->palette();
        pal.setColor(QPalette::WindowText, QColor(176, 0, 0));
        pal.setColor(QPalette::Window, QColor(255, 255, 255, 235));
        m_linkBanner->setPalette(pal);
    }
    // The site's rule, where it is seen from a distance: the state in words on its
    // colour, the mean and the gust. Shown only while [Site] is switched on.
    m_siteStrip = new QLabel(this);
    m_siteStrip->setObjectName(QStringLiteral("lblSite"));
    m_siteStrip->setAlignment(Qt::AlignCenter);
    m_siteStrip->setTextFormat(Qt::RichText);
    m_siteStrip->setAutoFillBackground(true);
    m_siteStrip->setMargin(0);
    m_siteStrip->hide();
    // Design geometry: the small multi layout with the design font sizes.
    const LabelPlace design[12] = {
        {240, 600, 1350, 225, 11.25},  {240, 2160, 1350, 225, 11.25},
        {3120, 600, 1350, 225, 11.25}, {3120, 2160, 1350, 225, 11.25},
        {2640, 1560, 735, 435, 21.75}, {2640, 3120, 735, 435, 21.75},
        {5760, 1560, 735, 435, 21.75}, {5760, 3120, 735, 435, 21.75},
        {360, 960, 2175, 1065, 48},    {360, 2520, 2175, 1065, 48},
        {3480, 960, 2175, 1065, 48},   {3480, 2520, 2175, 1065, 48},
    };
    for (int i = 0; i < 8; ++i)
        place(m_label[size_t(i)], design[i]);
    for (int i = 0; i < 4; ++i)
        place(m_lblPeak[size_t(i)], design[8 + i]);
}

void ReadingPanel::place(QLabel *label, const LabelPlace &p)
{
    moveTwips(label, QRect(p.left, p.top, p.width, p.height));
    // The figures keep their box and point size; a face whose digits are wider than the
    // design face's is narrowed so that every reading fits whole.
    if (label->frameShape() != QFrame::NoFrame) {
        label->setFont(display::fitFigureFont(japaneseFont(p.points),
                                              label->contentsRect().width() - kFigurePad));
        return;
    }
    label->setFont(japaneseFont(p.points));
    // A caption or unit whose face is wider than the design face grows to fit its text
    // rather than being cut off.
    {
        const QFontMetrics fm(label->font());
        const int w = fm.horizontalAdvance(label->text()) + 2;
        const int h = fm.height();
        if (w > label->width() || h > label->height())
            label->resize(qMax(w, label->width()), qMax(h, label->height()));
    }
}

void ReadingPanel::setAlarmColour(int figure, AlarmColour colour)
{
    m_alarm[size_t(figure)] = colour;
    applyFigureStyle(size_t(figure));
}

void ReadingPanel::applyFigureStyle(size_t figure)
{
    QLabel *l = m_lblPeak[figure];
    QColor background = colourOf(m_alarm[figure]);
    if (!m_figuresLive && background != Qt::white)
        background = faded(background);
    const QColor &text = m_figuresLive ? kLiveText : kStaleText;
    QPalette pal = l->palette();
    // Setting an equal palette would still repaint the figure.
    if (pal.color(QPalette::Window) == background && pal.color(QPalette::WindowText) == text)
        return;
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, text);
    l->setPalette(pal);
}

void ReadingPanel::setFiguresLive(bool live)
{
    if (m_figuresLive != live) {
        m_figuresLive = live;
        for (size_t i = 0; i < 4; ++i)
            applyFigureStyle(i);
    }
    updateLinkBanner();
}

QString ReadingPanel::linkBannerText() const
{
    QString text = m_shown.link == meterlink::LinkState::Reconnecting
                       ? QCoreApplication::translate("frmMain", "再接続待ち")
                   : m_shown.link == meterlink::LinkState::Live
                       ? QCoreApplication::translate("frmMain", "受信待ち")
                       : QCoreApplication::translate("frmMain", "通信停止中");
    if (m_shown.frameSecond > 0)
        text +=
            QCoreApplication::translate("frmMain", "  最終受信 ") +
            QLocale::system().toString(QDateTime::fromSecsSinceEpoch(m_shown.frameSecond).time(),
                                       logging::rowTimeFormat(QLocale::system()));
    return text;
}

void ReadingPanel::show(const session::Snapshot &s, int minutes, qint64 nowMs)
{
    m_shown = s;
    const meterlink::Readings texts = meterlink::readingTexts(s.tenths);
    for (size_t i = 0; i < 4; ++i) {
        // An unchanged text is not set again, so the figure is not repainted.
        if (m_lblPeak[i]->text() != texts[i])
            m_lblPeak[i]->setText(texts[i]);
    }
    setAlarmColour(0, colourForLevel(s.levels[0]));
    setAlarmColour(2, colourForLevel(s.levels[1]));
    setFiguresLive(s.receiving);
    showSite(s.site, minutes, nowMs, s.receiving);
}

int ReadingPanel::siteStripPx() const
{
    return qRound(twipsToPixelsY(this, m_large ? kSiteStripLarge : kSiteStripSmall));
}

void ReadingPanel::showSite(const session::SiteState &site, int minutes, qint64 nowMs,
                            bool receiving)
{
    // Beside the rule's mean, the meter's own average is named as the meter's.
    const QString average = site.on ? QCoreApplication::translate("frmMain", "平均風速(計器)")
                                    : QCoreApplication::translate("frmMain", "平均風速");
    if (m_label[2]->text() != average) {
        m_label[2]->setText(average);
        // The longer caption grows its label, as a wider face does.
        const QFontMetrics fm(m_label[2]->font());
        m_label[2]->resize(qMax(m_label[2]->width(), fm.horizontalAdvance(average) + 2),
                           m_label[2]->height());
        emit layoutNeeded();
    }
    // Switched on or off: the window grows or shrinks by the strip.
    if (m_siteStrip->isHidden() == site.on)
        emit layoutNeeded();
    if (!site.on)
        return;
    const QString text = siteStripLine(site, minutes, nowMs, receiving);
    // Stop red whatever latch holds (the latches under it); otherwise out of service
    // black, latched purple, caution yellow, normal green, undecided grey.
    const bool latch = (site.latched || site.scaffoldMs) && site.work != site::Work::Stop;
    const QColor back = site.work == site::Work::Stop        ? QColor(220, 0, 0)
                        : latch && site.outOfService()       ? QColor(0, 0, 0)
                        : latch                              ? QColor(112, 0, 160)
                        : site.work == site::Work::Caution   ? QColor(255, 220, 0)
                        : site.work == site::Work::Undecided ? QColor(96, 96, 96)
                                                             : QColor(0, 140, 60);
    const QColor ink = site.work == site::Work::Caution && !latch ? Qt::black : Qt::white;
    QPalette pal = m_siteStrip->palette();
    if (pal.color(QPalette::Window) != back || pal.color(QPalette::WindowText) != ink) {
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::WindowText, ink);
        m_siteStrip->setPalette(pal);
    }
    if (m_siteText != text) {
        m_siteText = text;
        placeSiteStrip();
    }
}

void ReadingPanel::placeSiteStrip()
{
    const int h = qMin(siteStripPx(), this->height());
    // Never above the reading area (an area not yet laid out has no height).
    m_siteStrip->setGeometry(0, qMax(0, this->height() - h), this->width(), h);
    // The state in the largest bold face that lets the whole line fit, the mean and the
    // gust at 60 % of it after it.
    m_siteCaptionPx = setWordAndRest(m_siteStrip, m_siteText, 60);
}

void ReadingPanel::updateLinkBanner()
{
    if (!m_linkBanner)
        return;
    if (m_figuresLive) {
        m_linkBanner->hide();
        return;
    }
    const QString text = linkBannerText();
    if (text != m_linkBannerText) {
        m_linkBannerText = text;
        placeLinkBanner();
    }
    m_linkBanner->show();
}

void ReadingPanel::placeLinkBanner()
{
    if (!m_linkBanner)
        return;
    // The strip from the lowest caption or figure shown to the bottom of the reading area.
    int top = 0;
    for (QLabel *l : m_lblPeak)
        if (!l->isHidden())
            top = qMax(top, l->geometry().bottom() + 1);
    for (QLabel *l : m_label)
        if (!l->isHidden())
            top = qMax(top, l->geometry().bottom() + 1);
    const int bottom = this->height() - (m_siteStrip->isHidden() ? 0 : siteStripPx());
    // The large window leaves little under its figures: the words take at least the
    // height they have in the small one, over the lower edge of the stale figures and
    // their units, on a light ground of their own.
    const int least = m_large ? qRound(twipsToPixelsY(this, kLinkBannerLeastLarge)) : 0;
    const bool over = bottom - top < least;
    if (over)
        top = qMax(0, bottom - least);
    m_linkBanner->setAutoFillBackground(over);
    const QRect strip(0, top, this->width(), qMax(0, bottom - top));
    m_linkBanner->setGeometry(strip);
    m_linkBanner->raise();
    // The state in words as large as the strip allows, the time of the last frame at
    // half that size after it, all on one line.
    m_linkBannerWordPx = setWordAndRest(m_linkBanner, m_linkBannerText, 50);
}

void ReadingPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A strip placed before the area had its size (a box at start) follows it.
    if (!m_siteStrip->isHidden())
        placeSiteStrip();
    placeLinkBanner();
}

void ReadingPanel::layout(View view, bool large, bool site)
{
    hideFigures();
    placeView(view, large);
    const QSizeF twips = windowTwips(large, site);
    basSubMain::CenterForm(window(), twips.width(), twips.height());
    showView(view);
    placeStrips(site);
}

void ReadingPanel::hideFigures()
{
    for (QLabel *l : m_label)
        l->setVisible(false);
    for (QLabel *l : m_lblPeak)
        l->setVisible(false);
}

void ReadingPanel::showView(View view)
{
    // Label1 and Label5 caption the instantaneous figure, Label3 and Label7 the average.
    for (int n = 1; n <= 8; ++n)
        m_label[size_t(n - 1)]->setVisible(
            view == View::Multi || (view == View::Peak ? n == 1 || n == 5 : n == 3 || n == 7));
    for (int i = 0; i < 4; ++i)
        m_lblPeak[size_t(i)]->setVisible(view == View::Multi || i == (view == View::Peak ? 0 : 2));
}

namespace {
// Multi view, per label Label1..Label8 then lblPeak(0..3): large and small.
constexpr LabelPlace kMultiLarge[12] = {
    {240, 600, 2730, 495, 22},    {240, 4440, 2730, 495, 22},    {7920, 600, 2730, 495, 22},
    {7920, 4440, 2730, 495, 22},  {6120, 3360, 1635, 960, 48},   {6120, 7200, 1635, 960, 48},
    {13800, 3360, 1635, 960, 48}, {13800, 7200, 1635, 960, 48},  {240, 1080, 5775, 3225, 150},
    {240, 4920, 5775, 3225, 150}, {7920, 1080, 5775, 3225, 150}, {7920, 4920, 5775, 3225, 150},
};
constexpr LabelPlace kMultiSmall[12] = {
    {240, 600, 1350, 225, 11},   {240, 2160, 1350, 225, 11},  {3120, 600, 1350, 225, 11},
    {3120, 2160, 1350, 225, 11}, {2640, 1560, 735, 435, 22},  {2640, 3120, 735, 435, 22},
    {5760, 1560, 735, 435, 22},  {5760, 3120, 735, 435, 22},  {360, 960, 2175, 1065, 48},
    {360, 2520, 2175, 1065, 48}, {3480, 960, 2175, 1065, 48}, {3480, 2520, 2175, 1065, 48},
};
// Single-value views: caption, unit, figure.
constexpr LabelPlace kSingleLarge[3] = {
    {240, 600, 3000, 720, 36}, {13800, 7200, 1635, 960, 48}, {240, 1440, 13215, 6585, 300}};
constexpr LabelPlace kSingleSmall[3] = {
    {240, 600, 1350, 345, 14}, {5760, 3120, 735, 435, 22}, {360, 960, 5295, 2625, 120}};
constexpr double kLargeW = 15765, kLargeH = 9360, kSmallW = 6780, kSmallH = 4935;
} // namespace

void ReadingPanel::placeView(View view, bool large)
{
    m_large = large;
    if (view == View::Multi) {
        const LabelPlace(&table)[12] = large ? kMultiLarge : kMultiSmall;
        for (size_t i = 0; i < 8; ++i)
            place(m_label[i], table[i]);
        for (size_t i = 0; i < 4; ++i)
            place(m_lblPeak[i], table[8 + i]);
        return;
    }
    // The instantaneous figure with Label1 and Label5, or the average with Label3 and
    // Label7.
    const size_t figure = view == View::Peak ? 0 : 2;
    const LabelPlace(&table)[3] = large ? kSingleLarge : kSingleSmall;
    place(m_label[figure], table[0]);
    place(m_label[figure + 4], table[1]);
    place(m_lblPeak[figure], table[2]);
}

QSizeF ReadingPanel::windowTwips(bool large, bool site)
{
    // The site's strip, when it is shown, adds its height below the figures.
    return large ? QSizeF(kLargeW, kLargeH + (site ? kSiteStripLarge : 0))
                 : QSizeF(kSmallW, kSmallH + (site ? kSiteStripSmall : 0));
}

void ReadingPanel::placeStrips(bool site)
{
    m_siteStrip->setVisible(site);
    if (site)
        placeSiteStrip();
    placeLinkBanner();
}

} // namespace display
