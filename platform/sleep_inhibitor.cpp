#include "platform/sleep_inhibitor.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

SystemSleepInhibitor::SystemSleepInhibitor() = default;

SystemSleepInhibitor::~SystemSleepInhibitor()
{
    release();
}

bool SystemSleepInhibitor::acquire(QString *why)
{
    if (m_held)
        return true;
    // logind's lock lives as long as the process that holds it: systemd-inhibit around a
    // command that waits until it is ended.
    const QString inhibit = QStandardPaths::findExecutable(QStringLiteral("systemd-inhibit"));
    if (inhibit.isEmpty()) {
        *why = QCoreApplication::translate("output", "このｼｽﾃﾑには systemd-inhibit がありません");
        return false;
    }
    m_lock = std::make_unique<QProcess>();
    m_lock->setProgram(inhibit);
    m_lock->setArguments({QStringLiteral("--what=sleep"), QStringLiteral("--who=QV-475"),
                          QStringLiteral("--why=file output runs"), QStringLiteral("--mode=block"),
                          QStringLiteral("sleep"), QStringLiteral("infinity")});
    m_lock->setStandardOutputFile(QProcess::nullDevice());
    m_lock->start();
    // Refused at once (no logind, no session bus): said; otherwise it holds.
    if (!m_lock->waitForStarted(2000) || m_lock->waitForFinished(150)) {
        *why = QCoreApplication::translate("output", "ｼｽﾃﾑがｽﾘｰﾌﾟ防止を拒否しました: %1")
                   .arg(QString::fromLocal8Bit(m_lock->readAllStandardError()).trimmed());
        m_lock.reset();
        return false;
    }
    m_held = true;
    return true;
}

void SystemSleepInhibitor::release()
{
    if (!std::exchange(m_held, false) || !m_lock)
        return;
    m_lock->terminate();
    if (!m_lock->waitForFinished(1000))
        m_lock->kill();
    m_lock->waitForFinished(500);
    m_lock.reset();
}

} // namespace platform
