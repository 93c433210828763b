// The main window's status bar: five panels (the status, file output, the link, the date
// and the time of day), the date and time kept current by themselves, the link panel's
// tool tip (why the port failed, how many frames were not whole), and after them one
// narrow panel, "sbPanelOutputs", for what the outputs say: an icon once one spoke, the
// short name of the last one as its accessible name, each one's last line in its tool tip. The five
// panels keep their places and widths whatever an output says.
#pragma once

#include <QMap>
#include <QStatusBar>
#include <array>

class QLabel;
class QTimer;

namespace platform {
class Clock;
}
namespace session {
class Session;
}

namespace display {

class MainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    MainStatusBar(platform::Clock *clock, QWidget *parent);

    // Shows what the session reports from now on: the link's state and its blink, file
    // output, a stalled disk, why the port failed, the frames that were not whole and the
    // outputs' state lines.
    void follow(const session::Session &session);

    // Panels 1 to 5; an unchanged text is not set again, so the panel is not repainted.
    void setText(int panel, const QString &text);
    QString text(int panel) const;
    void setToolTipOf(int panel, const QString &tip);
    // The link panel's tool tip: why the port failed (empty: it did not), and the count of
    // frames that were not whole.
    void setPortReason(const QString &reason);
    void setRejected(quint64 rejected);
    // An output's state line, for the outputs' panel.
    void showOutput(const QString &output, const QString &text);
    // The short name shown for an output ("Mqtt", "Notify", "StayAwake", "Port").
    static QString outputWord(const QString &output);
    // The date and time stop (the window is ending).
    void stopClock();

private:
    void updateLinkToolTip();
    platform::Clock *m_clock;
    std::array<QLabel *, 5> m_panels{};
    QLabel *m_outputPanel = nullptr;
    QMap<QString, QString> m_outputLines;
    void refreshClock();

    QTimer *m_clockTimer = nullptr;
    QString m_portReason;
    quint64 m_rejected = 0;
};

} // namespace display
