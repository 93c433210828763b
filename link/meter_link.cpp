#include "link/meter_link.h"

#include "platform/serial_port.h"

namespace meterlink {

QString linkStateName(LinkState state)
{
    switch (state) {
    case LinkState::Live: return QStringLiteral("live");
    case LinkState::Reconnecting: return QStringLiteral("reconnecting");
    case LinkState::Stopped: break;
    }
    return QStringLiteral("stopped");
}

MeterLink::MeterLink(platform::SerialPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &platform::SerialPort::comm, this, &MeterLink::onComm);
    connect(m_port, &platform::SerialPort::failed, this, &MeterLink::portFailed);
}

bool MeterLink::openPort(platform::PortError *error)
{
    if (m_port->isOpen())
        return false;
    return open(error);
}

bool MeterLink::open(platform::PortError *error)
{
    if (!m_port->open(error))
        return false;
    emit portOpened();
    return true;
}

void MeterLink::closePort()
{
    if (m_port->isOpen())
        m_port->close();
}

bool MeterLink::sendCommand(const QString &command)
{
    // A port that cannot be opened (device gone, held elsewhere) takes no command.
    if (!m_port->isOpen() && !open(nullptr))
        return false;
    return m_port->output(command.toLatin1() + '\r');
}

void MeterLink::start()
{
    sendCommand(QStringLiteral("D"));
    m_countdown = kLinkCountdownStart;
    setReceiving(false);
    setState(LinkState::Live);
}

void MeterLink::stop()
{
    closePort();
    m_countdown = 0;
    setReceiving(false);
    // Reported also when already stopped: a stop always re-applies the stopped state.
    m_state = LinkState::Stopped;
    emit stateChanged(m_state);
}

void MeterLink::clear()
{
    m_countdown = 0;
    m_state = LinkState::Stopped;
    m_receiving = false;
}

void MeterLink::beginReconnecting()
{
    closePort();
    m_countdown = 0;
    m_retryTicks = kReconnectTicks;
    setReceiving(false);
    setState(LinkState::Reconnecting);
}

void MeterLink::onComm()
{
    if (m_port->inBufferCount() == 0)
        return;
    // Every complete frame waiting is decoded now: the port notifies only when new bytes
    // arrive, so a frame left waiting would keep the display one frame behind.
    const int frames = m_receiver.feed(m_port->input(1 << 20),
                                       [this](const Frame &frame) { emit frameDecoded(frame); });
    // Only a whole frame proves that a meter is talking: garbage from a line at the wrong
    // speed decodes partly but must not keep the link (and the log) alive.
    if (frames == 0)
        return;
    m_countdown = kLinkCountdownStart;
    setReceiving(true);
    if (m_state == LinkState::Reconnecting) {
        setState(LinkState::Live);
        emit back();
    }
}

Blink MeterLink::tick()
{
    if (m_state == LinkState::Live) {
        const WatchdogStep step = watchdogTick(m_countdown, m_blink);
        if (step.silent) {
            emit lost();
            if (m_reconnect)
                beginReconnecting();
            else
                stop();
        }
        return step.blink;
    }
    if (m_state == LinkState::Reconnecting) {
        // An attempt whose port opened gets the watchdog's 2 s to bring a frame.
        if (m_port->isOpen() && m_countdown > 0 && --m_countdown == 0)
            closePort();
        if (--m_retryTicks <= 0) {
            m_retryTicks = kReconnectTicks;
            attempt();
        }
    }
    return Blink::None;
}

void MeterLink::attempt()
{
    closePort();
    platform::PortError error;
    if (!open(&error)) {
        emit reconnectAttempted(false, error.text());
        return;
    }
    m_port->output(QByteArrayLiteral("D\r"));
    m_countdown = kLinkCountdownStart;
    emit reconnectAttempted(true, QString());
}

void MeterLink::setState(LinkState state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void MeterLink::setReceiving(bool on)
{
    if (m_receiving == on)
        return;
    m_receiving = on;
    emit receivingChanged(on);
}

} // namespace meterlink
