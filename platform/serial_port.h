// The one serial port to the meter: port number, line settings, open state,
// the waiting input and output, and a notification when characters arrive.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSerialPort;
class QWinEventNotifier;
class QTimer;

namespace platform {

// Why a port could not be opened: its device path and the port's own reason.
struct PortError {
    QString device;
    QString reason;
    // The device exists but this user may not open it (Linux: not in the dialout group).
    bool permissionDenied = false;
    // "device: reason", or the reason alone when no device could be named.
    QString text() const;
};

class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Port number (1 = COM1); the caller sets it only while the port is closed.
    virtual void setCommPort(int n) = 0;
    virtual int commPort() const = 0;
    // Line settings such as "9600,n,8,1"; a string the port cannot use makes open() fail.
    virtual void setSettings(const QString &settings) = 0;
    virtual QString settings() const = 0;

    // Opens the port; on failure returns false with the reason in *error.
    virtual bool open(PortError *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual int inBufferCount() const = 0;
    // Takes up to max waiting characters.
    virtual QByteArray input(int max) = 0;
    // Sends the bytes; false when they could not be handed to the port.
    virtual bool output(const QByteArray &bytes) = 0;

signals:
    // Raised as soon as at least one character has arrived.
    void comm();
    // The open port failed (device gone, read error) and was closed; the reason says why.
    void failed(const QString &reason);
};

#ifndef Q_OS_WIN
// QSerialPort on the user-interface thread; COM numbers resolved by a function.
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    using Resolver = std::function<QString(int)>;
    explicit QtSerialPort(Resolver resolver, QObject *parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int n) override;
    int commPort() const override { return m_commPort; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    bool open(PortError *error) override;
    void close() override;
    bool isOpen() const override;
    int inBufferCount() const override;
    QByteArray input(int max) override;
    bool output(const QByteArray &bytes) override;

private:
    Resolver m_resolver;
    QSerialPort *m_port;
    int m_commPort = 1;
    QString m_settings;
};
using SystemSerialPort = QtSerialPort;
#else
// The Win32 communications API: COMn is the Windows port n (\\.\COMn); reads overlapped
// and signalled to the event loop.
class Win32SerialPort : public SerialPort
{
    Q_OBJECT
public:
    using Resolver = std::function<QString(int)>;
    explicit Win32SerialPort(Resolver resolver = {}, QObject *parent = nullptr);
    ~Win32SerialPort() override;

    void setCommPort(int n) override { m_commPort = n; }
    int commPort() const override { return m_commPort; }
    void setSettings(const QString &settings) override { m_settings = settings; }
    QString settings() const override { return m_settings; }
    bool open(PortError *error) override;
    void close() override;
    bool isOpen() const override;
    int inBufferCount() const override { return int(m_in.size()); }
    QByteArray input(int max) override;
    bool output(const QByteArray &bytes) override;
    // The reads that completed since the port opened: about one a pause while the meter
    // is silent, a few a frame while it sends, never a busy loop.
    quint64 readCompletions() const { return m_completions; }
    static constexpr int kIdleReadMs = 20;

private:
    struct Io;
    bool startRead();
    void onReadDone();
    void fail(const QString &reason);

    Resolver m_resolver;
    std::unique_ptr<Io> m_io;
    QWinEventNotifier *m_notifier = nullptr;
    QTimer *m_idle = nullptr; // the pause after a read that found nothing
    QByteArray m_in;
    int m_commPort = 1;
    QString m_settings;
    quint64 m_completions = 0;
};
using SystemSerialPort = Win32SerialPort;
#endif

} // namespace platform
