#include "display/main_status_bar.h"

#include "base/geometry.h"
#include "display/status_texts.h"
#include "logging/csv_format.h"
#include "platform/clock.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QTimer>

namespace display {

MainStatusBar::MainStatusBar(platform::Clock *clock, QWidget *parent)
    : QStatusBar(parent), m_clock(clock)
{
    setObjectName(QStringLiteral("sbStatusBar"));
    setSizeGripEnabled(false);
    const int minWidth[5] = {1440, 1200, 900, 1440, 1000};
    for (int i = 0; i < 5; ++i) {
        auto *p = new QLabel(this);
        p->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        const int w = qRound(basSubMain::twipsToPixelsX(parent, minWidth[i]));
        // Fixed in both directions: a new text (the link's blink) then repaints the panel
        // only, where a panel that may change size has the whole bar laid out and repainted.
        if (i == 1 || i == 2)
            p->setFixedSize(w, p->sizeHint().height());
        else
            p->setMinimumWidth(w);
        if (i == 0)
            addWidget(p, 1);
        else
            addPermanentWidget(p);
        m_panels[size_t(i)] = p;
    }
    m_panels[0]->setText(QCoreApplication::translate("frmMain", "ｽﾃｰﾀｽ"));
    // Present from the start and of fixed width, so that an output's line never moves
    // or narrows the five panels.
    m_outputPanel = new QLabel(this);
    m_outputPanel->setObjectName(QStringLiteral("sbPanelOutputs"));
    m_outputPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_outputPanel->setFixedWidth(qRound(basSubMain::twipsToPixelsX(parent, 330)));
    addPermanentWidget(m_outputPanel);

    // The clock shows minutes: it wakes at each minute's edge (and after a pause of the
    // machine, which the session reports), not every second.
    m_clockTimer = new QTimer(this);
    m_clockTimer->setSingleShot(true);
    connect(m_clockTimer, &QTimer::timeout, this, &MainStatusBar::refreshClock);
    refreshClock();
}

void MainStatusBar::refreshClock()
{
    const QDateTime now = m_clock->now();
    const QLocale loc = QLocale::system();
    setText(4, loc.toString(now.date(), logging::rowDateFormat(loc)));
    setText(5, loc.toString(now.time(), logging::shortTimeFormat(loc)));
    const int intoMinute = now.time().second() * 1000 + now.time().msec();
    // A little past the edge, so that a timer a moment early does not show the old minute.
    m_clockTimer->start(60000 - intoMinute + 20);
}

void MainStatusBar::follow(const session::Session &s)
{
    using session::Session;
    connect(&s, &Session::linkStateChanged, this, [this, &s](meterlink::LinkState state) {
        switch (state) {
        case meterlink::LinkState::Live: setText(2, texts::linkLive()); break;
        case meterlink::LinkState::Reconnecting:
            // File output goes on, with gap rows, until the meter talks again: its word is
            // steady, whichever half of the blink the link was lost in.
            setText(2, texts::linkReconnecting());
            if (s.fileOutputRunning())
                setText(1, texts::fileRunning());
            break;
        case meterlink::LinkState::Stopped: setText(2, texts::linkStopped()); break;
        }
    });
    connect(&s, &Session::blink, this, [this, &s](bool shown) {
        setText(2, shown ? texts::linkLive() : QString());
        if (s.fileOutputRunning())
            setText(1, shown ? texts::fileRunning() : QString());
    });
    connect(&s, &Session::fileStarted, this, [this] { setText(1, texts::fileRunning()); });
    connect(&s, &Session::fileStopped, this, [this] { setText(1, texts::fileStopped()); });
    connect(&s, &Session::stalled, this, [this](qsizetype rowsWaiting) {
        const QString text = texts::diskStalled(rowsWaiting);
        setToolTipOf(1, text);
        showMessage(text);
    });
    connect(&s, &Session::stallEnded, this, [this] {
        setToolTipOf(1, QString());
        clearMessage();
    });
    // A port that failed while open says why in the link's panel; the watchdog decides.
    connect(&s, &Session::portFailed, this, &MainStatusBar::setPortReason);
    connect(&s, &Session::snapshotChanged, this,
            [this](const session::Snapshot &now) { setRejected(now.rejected); });
    connect(&s, &Session::outputStatus, this, &MainStatusBar::showOutput);
    connect(&s, &Session::paused, this, [this] {
        if (m_clockTimer->isActive())
            refreshClock();
    });
}

void MainStatusBar::setText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 5 && m_panels[size_t(panel - 1)]->text() != text)
        m_panels[size_t(panel - 1)]->setText(text);
}

QString MainStatusBar::text(int panel) const
{
    return panel >= 1 && panel <= 5 ? m_panels[size_t(panel - 1)]->text() : QString();
}

void MainStatusBar::setToolTipOf(int panel, const QString &tip)
{
    if (panel >= 1 && panel <= 5)
        m_panels[size_t(panel - 1)]->setToolTip(tip);
}

void MainStatusBar::setPortReason(const QString &reason)
{
    m_portReason = reason;
    updateLinkToolTip();
}

void MainStatusBar::setRejected(quint64 rejected)
{
    if (rejected == m_rejected)
        return;
    m_rejected = rejected;
    updateLinkToolTip();
}

void MainStatusBar::updateLinkToolTip()
{
    // What a technician looks for: why the port failed, and how many frames were cut or
    // garbled on the line.
    QStringList lines;
    if (!m_portReason.isEmpty())
        lines << m_portReason;
    if (m_rejected)
        lines << QCoreApplication::translate("frmMain", "不完全なﾌﾚｰﾑ: %1").arg(m_rejected);
    m_panels[1]->setToolTip(lines.join(QLatin1Char('\n')));
}

QString MainStatusBar::outputWord(const QString &output)
{
    if (output == QLatin1String("Mqtt"))
        return QStringLiteral("MQTT");
    if (output == QLatin1String("Notify"))
        return QCoreApplication::translate("status", "通知");
    if (output == QLatin1String("StayAwake"))
        return QCoreApplication::translate("status", "ｽﾘｰﾌﾟ");
    if (output == QLatin1String("Port"))
        return QCoreApplication::translate("status", "ﾎﾟｰﾄ");
    return output;
}

void MainStatusBar::showOutput(const QString &output, const QString &text)
{
    m_outputLines[output] = text;
    // An icon only, so that the small window keeps its room for the five panels; who spoke
    // is the panel's name for a screen reader, what it said its tool tip.
    if (m_outputPanel->pixmap().isNull()) {
        const int side = m_outputPanel->contentsRect().height() - 2;
        m_outputPanel->setPixmap(
            style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side, side));
        m_outputPanel->setAlignment(Qt::AlignCenter);
    }
    m_outputPanel->setAccessibleName(outputWord(output));
    QStringList lines;
    for (auto i = m_outputLines.cbegin(); i != m_outputLines.cend(); ++i)
        lines << i.value();
    m_outputPanel->setToolTip(lines.join(QLatin1Char('\n')));
}

void MainStatusBar::stopClock()
{
    m_clockTimer->stop();
}

} // namespace display
