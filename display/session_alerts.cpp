#include "display/session_alerts.h"

#include "app/language.h"
#include "platform/alerts.h"
#include "platform/message_box.h"
#include "session/session.h"
#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QWidget>

namespace display {

namespace {
// The texts are the main window's.
QString translated(const char *source)
{
    return QCoreApplication::translate("frmMain", source);
}
} // namespace

SessionAlerts::SessionAlerts(session::Session &s, platform::Notifier *notifier,
                             platform::SoundPlayer *sound, platform::MessageBox *box,
                             QWidget *owner)
    : QObject(owner), m_session(s), m_notifier(notifier), m_box(box), m_owner(owner)
{
    using session::Session;
    connect(&s, &Session::linkLost, this, [this] {
        notify(translated(QT_TRANSLATE_NOOP("frmMain", "風速計からのﾃﾞｰﾀが途絶えました。")));
    });
    connect(&s, &Session::linkBack, this, [this] {
        notify(translated(QT_TRANSLATE_NOOP("frmMain", "風速計との通信が回復しました。")));
    });
    connect(&s, &Session::alarmRose, this, [this](int figure, int level, const QString &reading) {
        notify(translated(QT_TRANSLATE_NOOP("frmMain", "%1 %2 m/s: 警報ﾚﾍﾞﾙ%3"))
                   .arg(figure == 0 ? translated(QT_TRANSLATE_NOOP("frmMain", "瞬間風速"))
                                    : translated(QT_TRANSLATE_NOOP("frmMain", "平均風速")),
                        reading)
                   .arg(level));
    });
    connect(&s, &Session::soundDue, this, [sound](int level) {
        if (sound)
            sound->play(level);
    });
    connect(&s, &Session::workChanged, this, [this](site::Work work, const QString &mean) {
        notify(translated(QT_TRANSLATE_NOOP("frmMain", "作業判定: %1 (%2分平均 %3 m/s)"))
                   .arg(language::stateWord(site::caption(work, false)))
                   .arg(m_session.settings().site.minutes)
                   .arg(mean));
    });
    connect(&s, &Session::storm, this, [this](const QString &reading) {
        notify(translated(QT_TRANSLATE_NOOP("frmMain", "暴風 %1 m/s: 点検要")).arg(reading));
    });
    connect(
        &s, &Session::stateUnreadable, this, [this](const QString &path, const QString &keptAs) {
            warn(translated(QT_TRANSLATE_NOOP("frmMain",
                                              "状態ﾌｧｲﾙを読めません。点検要として扱います。\n%1%2"))
                     .arg(path,
                          keptAs.isEmpty()
                              ? QString()
                              : translated(QT_TRANSLATE_NOOP(
                                               "frmMain", "\n読めなかったﾌｧｲﾙは %1 に残しました。"))
                                    .arg(keptAs)));
        });
    connect(&s, &Session::latchNotKept, this, [this](const QString &error) {
        warn(translated(QT_TRANSLATE_NOOP("frmMain", "点検要の状態を保存できませんでした。\n")) +
             error);
    });
}

void SessionAlerts::notify(const QString &text)
{
    if (m_notifier)
        m_notifier->notify(translated(QT_TRANSLATE_NOOP("frmMain", "QV-475簡易ソフト")), text);
}

void SessionAlerts::warn(const QString &text)
{
    m_box->show(m_owner, text, translated(QT_TRANSLATE_NOOP("frmMain", "QV-475簡易ソフト")),
                platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
}

} // namespace display
