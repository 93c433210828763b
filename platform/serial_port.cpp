#include "platform/serial_port.h"

#include "platform/serial_settings.h"

#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <unistd.h>

namespace platform {

QString PortError::text() const
{
    return device.isEmpty() ? reason : device + QStringLiteral(": ") + reason;
}

QtSerialPort::QtSerialPort(Resolver resolver, QObject *parent)
    : SerialPort(parent), m_resolver(std::move(resolver)), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::comm);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // A device that went away makes QSerialPort repeat ReadError in a tight loop:
        // stop reading at once; the link watchdog notices the silence on its own.
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError) {
            if (m_port->isOpen()) {
                const QString reason =
                    m_port->portName() + QStringLiteral(": ") + m_port->errorString();
                m_port->close();
                emit failed(reason);
            }
        }
        // UnsupportedOperationError (no modem lines on a pseudo-terminal) is harmless.
    });
}

QtSerialPort::~QtSerialPort() = default;

void QtSerialPort::setCommPort(int n)
{
    m_commPort = n;
}

void QtSerialPort::setSettings(const QString &settings)
{
    m_settings = settings;
}

bool QtSerialPort::open(PortError *error)
{
    const QString path = m_resolver ? m_resolver(m_commPort) : QString();
    auto fail = [error, &path](const QString &why, bool denied = false) {
        if (error)
            *error = {path, why, denied};
        return false;
    };
    if (m_port->isOpen())
        return fail(QStringLiteral("port already open"));
    if (path.isEmpty())
        return fail(QStringLiteral("no device for COM%1").arg(m_commPort));
    const auto cfg = parseSerialSettings(m_settings);
    if (!cfg)
        return fail(QStringLiteral("invalid line settings \"%1\"").arg(m_settings));

    m_port->setPortName(path);
    if (!m_port->open(QIODevice::ReadWrite)) {
        // QSerialPort reports a lock held by another program and a denied device alike;
        // access() tells the two apart.
        const QByteArray native = QFile::encodeName(path);
        const bool denied = ::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES;
        const QString reason = m_port->errorString();
        m_port->clearError();
        return fail(reason, denied);
    }

    using P = SerialSettings::Parity;
    using S = SerialSettings::StopBits;
    const QSerialPort::Parity parity = cfg->parity == P::None   ? QSerialPort::NoParity
                                       : cfg->parity == P::Even ? QSerialPort::EvenParity
                                       : cfg->parity == P::Odd  ? QSerialPort::OddParity
                                       : cfg->parity == P::Mark ? QSerialPort::MarkParity
                                                                : QSerialPort::SpaceParity;
    const QSerialPort::StopBits stop = cfg->stopBits == S::One ? QSerialPort::OneStop
                                       : cfg->stopBits == S::OneAndHalf
                                           ? QSerialPort::OneAndHalfStop
                                           : QSerialPort::TwoStop;
    // Pseudo-terminals reject some of these settings; what matters is that the port is open.
    m_port->setBaudRate(cfg->baud);
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(cfg->dataBits));
    m_port->setParity(parity);
    m_port->setStopBits(stop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clearError();
    return true;
}

void QtSerialPort::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool QtSerialPort::isOpen() const
{
    return m_port->isOpen();
}

int QtSerialPort::inBufferCount() const
{
    return m_port->isOpen() ? int(qMin<qint64>(m_port->bytesAvailable(), INT_MAX)) : 0;
}

QByteArray QtSerialPort::input(int max)
{
    // What has arrived, up to max: a read of max itself would allocate max bytes first.
    if (!m_port->isOpen())
        return QByteArray();
    return m_port->read(qMin<qint64>(max, m_port->bytesAvailable()));
}

bool QtSerialPort::output(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return false;
    if (m_port->write(bytes) != bytes.size())
        return false;
    // Commands are two bytes; hand them to the device now rather than at the next event loop turn.
    m_port->flush();
    return true;
}

} // namespace platform
