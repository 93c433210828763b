// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the event loop, so that a logout,
// `systemctl stop` or Ctrl+C ends the program as its own exit would; on Windows the
// console's control events and the end of the Windows session (a logoff, a shutdown, an
// update's restart) do the same. The end always runs
// to its finish (settings saved, rows written): a further signal while it runs is
// ignored, except a second Ctrl+C, which ends the process at once. A signal that was
// ignored when the program started (nohup) stays ignored.
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

// True once the program is ending: no box or dialog is to be opened any more (nobody
// may be there to answer it).
bool endRequested();
void setEndRequested(bool on);
// The end has run to its finish (settings saved, rows written). Windows waits for it
// before it lets the end of a Windows session go on; elsewhere nothing waits.
void endFinished();

} // namespace platform
