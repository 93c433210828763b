#include "display/session_alerts.h"

#include "base/language.h"
#include "display/status_texts.h"
#include "platform/alerts.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "publish/notify.h"
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
                             platform::SoundPlayer *sound, platform::MessageBox *messageBox,
                             QWidget *owner)
    : QObject(owner), m_session(s), m_notifier(notifier), m_box(messageBox), m_owner(owner)
{
    using session::Session;
    connect(&s, &Session::linkLost, this, [this] {
        notify(m_session.heard()
                   ? translated(QT_TRANSLATE_NOOP("frmMain", "風速計からのﾃﾞｰﾀが途絶えました。"))
                   : translated(QT_TRANSLATE_NOOP("frmMain", "風速計が応答しません。")));
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
    connect(&s, &Session::fileStartFailed, this, &SessionAlerts::fileStartFailed);
    connect(&s, &Session::writeFailed, this, [this](const QString &reason, const QString &path) {
        // The session has stopped file output already when it was the file being written,
        // so the ticks that run while the box is up write nothing more.
        box(translated(
                QT_TRANSLATE_NOOP(
                    "frmMain", "ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。\n%1\n%2"))
                .arg(reason, path),
            translated(QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ警告")));
    });
    connect(&s, &Session::stalled, this,
            [this](qsizetype rowsWaiting) { notify(texts::diskStalled(rowsWaiting)); });
    connect(&s, &Session::latchNotKept, this, [this](const QString &error) {
        warn(translated(QT_TRANSLATE_NOOP("frmMain", "点検要の状態を保存できませんでした。\n")) +
             error);
    });
}

void SessionAlerts::notify(const QString &text)
{
    if (m_notifier)
        m_notifier->notify(texts::programTitle(), text);
}

void SessionAlerts::portFailed(const platform::PortError &error)
{
    QString text = translated(
        QT_TRANSLATE_NOOP("frmMain", "このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。"));
    if (!error.reason.isEmpty())
        text += QStringLiteral("\n\n") + error.text();
    if (error.permissionDenied)
        text += translated(QT_TRANSLATE_NOOP(
            "frmMain", "\nｼﾘｱﾙﾎﾟｰﾄを使うには、このﾕｰｻﾞｰを dialout ｸﾞﾙｰﾌﾟに加えてください"
                       "（sudo usermod -aG dialout $USER の後、ﾛｸﾞｲﾝし直します）。"));
    box(text, translated(QT_TRANSLATE_NOOP("frmMain", "ﾎﾟｰﾄのｵｰﾌﾟﾝ")),
        platform::MessageBox::Icon::Critical);
}

void SessionAlerts::fileStartFailed(session::StartResult why, const QString &error)
{
    const QString title = translated(QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ出力警告"));
    switch (why) {
    case session::StartResult::NoFileName:
        box(translated(QT_TRANSLATE_NOOP("frmMain", "出力ﾌｧｲﾙ名が指定されていません。")), title);
        emit settingsNeeded();
        break;
    case session::StartResult::BadFileName:
    case session::StartResult::NoColumns:
        // The settings are where the file's name and its columns are chosen.
        box(error, title);
        emit settingsNeeded();
        break;
    case session::StartResult::NotConnected:
        box(translated(
                QT_TRANSLATE_NOOP("frmMain", "QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。")),
            title);
        break;
    case session::StartResult::Failed:
        box(error, translated(QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ警告")));
        break;
    case session::StartResult::Started:
    case session::StartResult::Running: break;
    }
}

void SessionAlerts::testNotifications(platform::SettingsStore &store)
{
    const auto notify = publish::loadNotifySettings(store);
    if (!notify || (notify->target.url.isEmpty() && notify->target.command.isEmpty())) {
        warn(translated(QT_TRANSLATE_NOOP("frmMain",
                                          "設定ﾌｧｲﾙに通知先がありません。\n%1 の [Notify] に "
                                          "Url= か Command= を書いてください。"))
                 .arg(store.location()));
        return;
    }
    m_session.testNotifications();
}

void SessionAlerts::warn(const QString &text)
{
    box(text, texts::programTitle());
}

void SessionAlerts::box(const QString &text, const QString &title, platform::MessageBox::Icon icon)
{
    m_box->show(m_owner, text, title, icon, platform::MessageBox::Buttons::Ok);
}

} // namespace display
