#include "platform/serial_port.h"

#include "platform/serial_settings.h"

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
    OVERLAPPED wait{}; // the wait for a received character
    OVERLAPPED read{};
    OVERLAPPED write{};
    DWORD events = 0;
    char buffer[4096];
    bool reading = false; // a wait is in flight
    Io()
    {
        wait.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Io()
    {
        CloseHandle(wait.hEvent);
        CloseHandle(read.hEvent);
        CloseHandle(write.hEvent);
    }
};

Win32SerialPort::Win32SerialPort(Resolver resolver, QObject *parent)
    : SerialPort(parent), m_resolver(std::move(resolver)), m_io(std::make_unique<Io>())
{
    m_notifier = new QWinEventNotifier(m_io->wait.hEvent, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QWinEventNotifier::activated, this, &Win32SerialPort::onReadDone);
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
    // The system waits for the first character (WaitCommEvent with EV_RXCHAR, signalled to
    // the event loop); then reads return at once with what has come. So a silent meter
    // costs nothing and a sending one a completion or so a frame, never a loop of empty
    // reads. (Wine never completes a read that waits by its timeouts: MAXDWORD for the
    // interval and the multiplier with a total constant.)
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(h, &t);
    SetCommMask(h, EV_RXCHAR);
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
    ResetEvent(m_io->wait.hEvent);
    m_io->events = 0;
    // Pending, or done at once (its event is set then too): the notifier comes back for it.
    if (!WaitCommEvent(m_io->handle, &m_io->events, &m_io->wait) &&
        GetLastError() != ERROR_IO_PENDING)
        return false;
    m_io->reading = true;
    m_notifier->setEnabled(true);
    return true;
}

bool Win32SerialPort::drain(QByteArray *into)
{
    // What has come, read at once; a bounded number of reads, each with what is there.
    for (int i = 0; i < 64; ++i) {
        ResetEvent(m_io->read.hEvent);
        DWORD got = 0;
        ++m_completions;
        if (!ReadFile(m_io->handle, m_io->buffer, sizeof(m_io->buffer), &got, &m_io->read)) {
            if (GetLastError() != ERROR_IO_PENDING ||
                !GetOverlappedResult(m_io->handle, &m_io->read, &got, TRUE))
                return false;
        }
        if (got == 0)
            return true;
        into->append(m_io->buffer, qsizetype(got));
        if (got < sizeof(m_io->buffer))
            return true;
    }
    return true;
}

void Win32SerialPort::onReadDone()
{
    if (!isOpen() || !m_io->reading)
        return;
    m_io->reading = false;
    ++m_completions;
    DWORD unused = 0;
    if (!GetOverlappedResult(m_io->handle, &m_io->wait, &unused, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) {
            m_io->reading = true;
            return;
        }
        fail(lastError());
        return;
    }
    const qsizetype before = m_in.size();
    if (!drain(&m_in) || !startRead()) {
        fail(lastError());
        return;
    }
    // What came between the last read and the new wait is read now, not at the next
    // character.
    COMSTAT status{};
    DWORD errors = 0;
    if (ClearCommError(m_io->handle, &errors, &status) && status.cbInQue > 0 && !drain(&m_in)) {
        fail(lastError());
        return;
    }
    if (m_in.size() > before)
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
    CancelIo(m_io->handle);
    if (m_io->reading) {
        DWORD got = 0;
        GetOverlappedResult(m_io->handle, &m_io->wait, &got, TRUE);
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
