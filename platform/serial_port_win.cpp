#include "platform/serial_port.h"

#include "platform/serial_settings.h"

#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>

namespace platform {

QString PortError::text() const
{
    return device.isEmpty() ? reason : device + QStringLiteral(": ") + reason;
}

namespace {
QString lastError()
{
    return qt_error_string(int(GetLastError())).trimmed();
}
} // namespace

// The port's handle and the reads and writes in flight.
struct Win32SerialPort::Io {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED read{};
    OVERLAPPED write{};
    char buffer[4096];
    bool reading = false;
    Io()
    {
        read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Io()
    {
        CloseHandle(read.hEvent);
        CloseHandle(write.hEvent);
    }
};

Win32SerialPort::Win32SerialPort(Resolver resolver, QObject *parent)
    : SerialPort(parent), m_resolver(std::move(resolver)), m_io(std::make_unique<Io>())
{
    m_notifier = new QWinEventNotifier(m_io->read.hEvent, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QWinEventNotifier::activated, this, &Win32SerialPort::onReadDone);
    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(kIdleReadMs);
    connect(m_idle, &QTimer::timeout, this, [this] {
        if (isOpen() && !m_io->reading && !startRead())
            fail(lastError());
    });
}

Win32SerialPort::~Win32SerialPort()
{
    close();
}

bool Win32SerialPort::isOpen() const
{
    return m_io->handle != INVALID_HANDLE_VALUE;
}

bool Win32SerialPort::open(PortError *error)
{
    const QString name =
        m_resolver ? m_resolver(m_commPort) : QStringLiteral("COM%1").arg(m_commPort);
    auto failWith = [error, &name](const QString &why) {
        if (error)
            *error = {name, why, false};
        return false;
    };
    if (isOpen())
        return failWith(QStringLiteral("port already open"));
    const auto cfg = parseSerialSettings(m_settings);
    if (!cfg)
        return failWith(QStringLiteral("invalid line settings \"%1\"").arg(m_settings));
    const std::wstring device = (QStringLiteral("\\\\.\\") + name).toStdWString();
    HANDLE h = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failWith(lastError());

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    GetCommState(h, &dcb);
    using P = SerialSettings::Parity;
    using S = SerialSettings::StopBits;
    dcb.BaudRate = DWORD(cfg->baud);
    dcb.ByteSize = BYTE(cfg->dataBits);
    dcb.Parity = cfg->parity == P::None   ? NOPARITY
                 : cfg->parity == P::Even ? EVENPARITY
                 : cfg->parity == P::Odd  ? ODDPARITY
                 : cfg->parity == P::Mark ? MARKPARITY
                                          : SPACEPARITY;
    dcb.StopBits = cfg->stopBits == S::One          ? ONESTOPBIT
                   : cfg->stopBits == S::OneAndHalf ? ONE5STOPBITS
                                                    : TWOSTOPBITS;
    dcb.fBinary = TRUE;
    dcb.fParity = cfg->parity != P::None;
    // No flow control: the meter sends without asking.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    if (!SetCommState(h, &dcb)) {
        const QString why = lastError();
        CloseHandle(h);
        return failWith(why);
    }
    // Reads return at once with what has come. A read that found nothing is issued again
    // only after a short pause (kIdleReadMs), so a silent meter costs a few completions a
    // tenth of a second, never a loop of empty reads. (Reads that wait in the system, by
    // their timeouts or by WaitCommEvent, never complete or block writes on Wine's serial
    // port; this way is right on Windows and Wine alike.)
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(h, &t);
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_io->handle = h;
    m_in.clear();
    m_completions = 0;
    if (!startRead()) {
        const QString why = lastError();
        close();
        return failWith(why);
    }
    return true;
}

bool Win32SerialPort::startRead()
{
    ResetEvent(m_io->read.hEvent);
    DWORD got = 0;
    // Finished at once or pending: either way the event is set when it is done, and the
    // notifier comes back for it.
    if (!ReadFile(m_io->handle, m_io->buffer, sizeof(m_io->buffer), &got, &m_io->read) &&
        GetLastError() != ERROR_IO_PENDING)
        return false;
    m_io->reading = true;
    m_notifier->setEnabled(true);
    return true;
}

void Win32SerialPort::onReadDone()
{
    if (!isOpen() || !m_io->reading)
        return;
    m_io->reading = false;
    ++m_completions;
    DWORD got = 0;
    if (!GetOverlappedResult(m_io->handle, &m_io->read, &got, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) {
            m_io->reading = true;
            return;
        }
        fail(lastError());
        return;
    }
    if (got == 0) {
        // Nothing had come: the next read after a pause.
        m_idle->start();
        return;
    }
    m_in.append(m_io->buffer, qsizetype(got));
    if (!startRead()) {
        fail(lastError());
        return;
    }
    emit comm();
}

void Win32SerialPort::fail(const QString &reason)
{
    const QString text = QStringLiteral("COM%1: ").arg(m_commPort) + reason;
    close();
    emit failed(text);
}

void Win32SerialPort::close()
{
    if (!isOpen())
        return;
    m_notifier->setEnabled(false);
    m_idle->stop();
    CancelIo(m_io->handle);
    if (m_io->reading) {
        DWORD got = 0;
        GetOverlappedResult(m_io->handle, &m_io->read, &got, TRUE);
        m_io->reading = false;
    }
    CloseHandle(m_io->handle);
    m_io->handle = INVALID_HANDLE_VALUE;
    m_in.clear();
}

QByteArray Win32SerialPort::input(int max)
{
    const QByteArray out = m_in.left(max);
    m_in.remove(0, out.size());
    return out;
}

bool Win32SerialPort::output(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    ResetEvent(m_io->write.hEvent);
    DWORD done = 0;
    if (!WriteFile(m_io->handle, bytes.constData(), DWORD(bytes.size()), &done, &m_io->write)) {
        if (GetLastError() != ERROR_IO_PENDING)
            return false;
        // Commands are two bytes: waiting for them is short.
        if (!GetOverlappedResult(m_io->handle, &m_io->write, &done, TRUE))
            return false;
    }
    return done == DWORD(bytes.size());
}

} // namespace platform
