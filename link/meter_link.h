// The link to the meter without windows: the port commands, connect and stop, reception,
// the watchdog, and (when switched on) reconnecting after the meter fell silent or the
// port failed. It keeps the watchdog countdown, the reception buffer, the link state, the
// blink phase, the reconnect timing and the count of frames that were not whole; each
// whole frame is handed on with its contents.
#pragma once

#include "link/frame_decoder.h"
#include "link/watchdog.h"

#include <QObject>

namespace platform {
class SerialPort;
struct PortError;
} // namespace platform

namespace meterlink {

enum class LinkState {
    Stopped,      // port closed, nothing watched
    Live,         // connected; the watchdog counts down between whole frames
    Reconnecting, // the meter fell silent with reconnecting on: attempts every 3 s
};

// The state's name where others read it (the published state): "stopped", "live",
// "reconnecting".
QString linkStateName(LinkState state);

class MeterLink : public QObject
{
    Q_OBJECT
public:
    explicit MeterLink(platform::SerialPort *port, QObject *parent = nullptr);

    LinkState state() const { return m_state; }
    // True from the first whole frame of a connection until the link stops or is lost:
    // the readings are being measured now.
    bool receiving() const { return m_receiving; }
    bool reconnectEnabled() const { return m_reconnect; }
    void setReconnectEnabled(bool on) { m_reconnect = on; }
    qint16 blinkCount() const { return m_blink; }
    // Ticks left before the watchdog finds the meter silent; 0 when nothing is watched.
    qint16 countdown() const { return m_countdown; }
    // The characters received since the last STX.
    const QByteArray &rxBuffer() const { return m_receiver.buffer(); }
    // Frames that were not whole since the program started (a technician's figure).
    quint64 rejectedFrames() const { return m_receiver.rejected(); }

    // The port: opened if closed (false when open already or when it fails), closed,
    // and a command sent as its letters and CR (the port opened first if needed).
    bool openPort(platform::PortError *error);
    void closePort();
    bool sendCommand(const QString &command);

    // Connect on an open port: "D" to the meter, the watchdog armed, the link live.
    void start();
    // The link stopped: port closed, countdown 0, no more attempts.
    void stop();
    // Puts the link to stopped without telling anyone (the window's initialiser).
    void clear();
    // Starts reconnecting from the stopped state (a connect at start-up that failed).
    void beginReconnecting();

    // The port has characters: every waiting frame is decoded.
    void onComm();
    // One 100 ms tick: the watchdog, the blink phase and the reconnect attempts. Returns
    // the blink phase that starts now, if one does.
    Blink tick();

signals:
    void stateChanged(meterlink::LinkState state);
    // A whole frame was decoded (before any state change that it brings).
    void frameDecoded(const meterlink::Frame &frame);
    // The watchdog found the meter silent (the link stops or starts reconnecting next).
    void lost();
    // Frames again after reconnecting (the link is live again).
    void back();
    void receivingChanged(bool receiving);
    // The open port failed (device gone); the reason names the device.
    void portFailed(const QString &reason);
    // A reconnect attempt: whether the port opened, and why not.
    void reconnectAttempted(bool opened, const QString &reason);
    // The port was opened (by a connect, a command or a reconnect attempt).
    void portOpened();

private:
    bool open(platform::PortError *error);
    void setState(LinkState state);
    void setReceiving(bool on);
    void attempt();

    platform::SerialPort *m_port;
    qint16 m_countdown = 0;
    FrameReceiver m_receiver;
    LinkState m_state = LinkState::Stopped;
    bool m_receiving = false;
    bool m_reconnect = false;
    qint16 m_blink = 0;
    int m_retryTicks = 0;
};

} // namespace meterlink
