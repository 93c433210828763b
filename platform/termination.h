// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the event loop, so that a logout,
// `systemctl stop` or Ctrl+C ends the program as its own exit would. A second signal
// while the first is being handled ends the process at once.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readPipe();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
