// The program's entry: the command line, the interface's language, the settings loaded,
// the main window shown, and a clean end on a termination signal.
#include "app/headless.h"
#include "app/records_cli.h"
#include "base/geometry.h"
#include "base/globals.h"
#include "base/language.h"
#include "base/settings.h"
#include "display/day_report.h"
#include "display/dlg_inspection.h"
#include "display/frm_history.h"
#include "display/frm_main.h"
#include "info/frm_about.h"
#include "info/frm_browser.h"
#include "info/manual.h"
#include "logging/background_writer.h"
#include "platform/alerts.h"
#include "platform/browser_view.h"
#include "platform/clock.h"
#include "platform/com_ports.h"
#include "platform/command_channel.h"
#include "platform/file_dialog.h"
#include "platform/file_output.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/mqtt_client.h"
#include "platform/notify_sender.h"
#include "platform/port_identity.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/sleep_inhibitor.h"
#include "platform/state_file.h"
#include "platform/termination.h"
#include "platform/timer.h"
#ifdef Q_OS_WIN
#include "platform/windows_service.h"
#endif
#include "platform/whole_file.h"
#include "publish/notify.h"
#include "publish/publisher.h"
#include "session/outputs.h"
#include "settings_dialog/frm_options.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

std::unique_ptr<platform::IniSettingsStore> makeSettings(const QString &configFile)
{
    return configFile.isEmpty() ? std::make_unique<platform::IniSettingsStore>()
                                : std::make_unique<platform::IniSettingsStore>(configFile);
}

struct RealServices {
    explicit RealServices(const QString &configFile) : settingsStore(makeSettings(configFile)) {}
    std::unique_ptr<platform::IniSettingsStore> settingsStore;
    platform::IniSettingsStore &settings = *settingsStore;
    platform::QtMessageBox messageBox;
    platform::SystemClock clock;
    platform::SystemPortEnumerator usbPorts;
    platform::PortFinder portFinder{[this](int n) { return platform::comPortDevice(n, &settings); },
                                    &usbPorts};
    platform::SystemSerialPort port{[this](int n) { return portFinder.device(n); }};
    platform::QtTimer timer;
    platform::LocalFileOutput file;
    platform::QtFileDialog fileDialog;
    platform::SystemRegistry registry;
    platform::QtLauncher launcher;
    platform::SystemSoundPlayer sound;
    platform::SystemNotifier notifier;
    platform::SystemSleepInhibitor sleepInhibitor;
    // The storm latch beside the settings file, named after it (one per meter's file).
    platform::StateFile latchFile{platform::StateFile::beside(
        settings.location(), QFileInfo(settings.location()).completeBaseName() + "_site.ini")};

    static std::unique_ptr<platform::MqttClient> mqttClient()
    {
#ifdef QV_HAVE_MQTT
        return std::make_unique<platform::MosquittoClient>();
#else
        // A Windows build without libmosquitto (see the README).
        return nullptr;
#endif
    }
    platform::Services services()
    {
        return {&settings, &messageBox, &clock,      &port,      &timer,          &file,
                &sound,    &notifier,   &mqttClient, &latchFile, &sleepInhibitor, &portFinder};
    }
};

// The exit codes of --report besides 0 (written), 1 (bad options) and 2 (settings).
constexpr int kReportInputRefused = 6, kReportWriteFailed = 7;
// The exit codes of --acknowledge besides 0 (recorded) and 1 (no name, bad options):
// no program of the settings file answers; it refused; the channel is another user's;
// the request is too long to be taken.
// 11: not now (work stopped, a storm blowing); 14: a caution or strong wind asks for
// --force first.
constexpr int kAckNoProgram = 8, kAckRefused = 9, kAckNotNow = 11, kAckNotOurs = 12,
              kAckTooLong = 13, kAckNeedsForce = 14;

// The channel where --acknowledge reaches the program running with this settings file.
std::unique_ptr<platform::CommandServer> listenForCommands(session::Session &session,
                                                           const QString &settingsPath,
                                                           const std::function<void(QString)> &say)
{
    auto server = std::make_unique<platform::CommandServer>(
        [&session](const QByteArray &request, const platform::CommandServer::Reply &reply) {
            session::answerCommand(session, request, reply);
        });
    QObject::connect(server.get(), &platform::CommandServer::line, server.get(), say);
    QString error;
    if (!server->listen(platform::channelNames(settingsPath), &error))
        say(QStringLiteral("acknowledgements from the command line not taken: ") + error);
    return server;
}

// qv475 --notify-test: one test event through the web hook and the command of [Notify],
// one try each; what was sent and what came back are printed. 0 only when every one
// named succeeded; 1 without [Notify] (or with neither), 10 when one failed.
constexpr int kNotifyFailed = 10;
int runNotifyTest(QCoreApplication &app, const QString &configFile)
{
    auto say = [](const QString &text) {
        std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stdout);
    };
    const auto store = makeSettings(configFile);
    auto settings = publish::loadNotifySettings(*store);
    if (!settings || (settings->target.url.isEmpty() && settings->target.command.isEmpty())) {
        std::fprintf(stderr, "%s has no [Notify] with Url= or Command=\n",
                     qPrintable(store->location()));
        return headless::kBadOptions;
    }
    for (const QString &problem : settings->problems)
        say(QStringLiteral("settings: ") + problem);
    if (const auto mqtt = publish::loadMqttSettings(*store))
        settings->source = mqtt->topic;
    platform::NotifySender notifier(settings->target);
    notifier.setRetrying(false);
    int expected = int(!settings->target.url.isEmpty()) + int(!settings->target.command.isEmpty());
    bool allOk = true;
    QObject::connect(
        &notifier, &platform::NotifySender::tried, &app,
        [&](const QString &, const QString &channel, bool ok, const QString &sent,
            const QString &answer) {
            say(QStringLiteral("%1: sent %2").arg(channel, sent));
            say(QStringLiteral("%1: %2 (%3)")
                    .arg(channel, ok ? QStringLiteral("ok") : QStringLiteral("FAILED"), answer));
            allOk = allOk && ok;
            if (--expected == 0)
                app.quit();
        });
    session::Event e{session::Event::Kind::Test, QDateTime::currentMSecsSinceEpoch(), {}, {}};
    const basSubMain::Settings main = basSubMain::readSettings(*store);
    notifier.send(publish::delivery(
        session::NotifyOutput::notice(e, main.site.name, settings->source), *settings));
    app.exec();
    return allOk ? 0 : kNotifyFailed;
}

void sayOnStandardError(const QString &text);

// Sends a request to the program of this settings file; the exit code of a failure, or
// the answer.
std::optional<QByteArray> askRunning(const platform::SettingsStore &store,
                                     const QByteArray &request, int *failure)
{
    QString error;
    platform::SendError why = platform::SendError::NoProgram;
    // The program answers within its own bound (kAnswerBoundMs) once it has the request;
    // the rest is for a busy machine.
    const auto answer = platform::sendCommand(platform::channelNames(store.location()), request,
                                              10000, &error, &why);
    if (answer)
        return answer;
    switch (why) {
    case platform::SendError::TooLong:
        sayOnStandardError(QStringLiteral("the inspector's name and result are too long: ") +
                           error);
        *failure = kAckTooLong;
        return std::nullopt;
    case platform::SendError::NotOurs:
        sayOnStandardError(QStringLiteral("not sent: ") + error);
        *failure = kAckNotOurs;
        return std::nullopt;
    case platform::SendError::NoProgram: break;
    }
    sayOnStandardError(QStringLiteral("no program of %1 answers: %2").arg(store.location(), error));
    *failure = kAckNoProgram;
    return std::nullopt;
}

// qv475 --acknowledge NAME --result RESULT [--latch crane|scaffold] [--force]: hands the
// signed inspection of one latch to the running program.
int runAcknowledge(const QString &by, const QString &result, const QString &latch, bool force,
                   const QString &configFile)
{
    auto say = sayOnStandardError;
    if (site::cleanField(by).isEmpty()) {
        say(QStringLiteral("--acknowledge needs the inspector's name"));
        return headless::kBadOptions;
    }
    // Nobody's pass is assumed: the result is stated, or nothing is recorded.
    if (result.isNull()) {
        say(QStringLiteral(
            "--acknowledge needs --result \"異常なし\" or --result \"異常あり: NOTE\""));
        return headless::kBadOptions;
    }
    if (site::cleanField(result).isEmpty()) {
        say(QStringLiteral("--result says nothing (blanks or controls only)"));
        return headless::kBadOptions;
    }
    if (site::fieldTooLong(by) || site::fieldTooLong(result)) {
        say(QStringLiteral("--acknowledge and --result take at most %1 characters each")
                .arg(site::kMaxFieldChars));
        return headless::kBadOptions;
    }
    if (!latch.isNull() && !site::latchFromName(latch)) {
        say(QStringLiteral("--latch is crane or scaffold"));
        return headless::kBadOptions;
    }
    const auto store = makeSettings(configFile);
    QJsonObject ack{{QStringLiteral("by"), by}, {QStringLiteral("result"), result}};
    if (!latch.isNull())
        ack.insert(QStringLiteral("latch"), latch);
    if (force)
        ack.insert(QStringLiteral("force"), true);
    int failure = 0;
    const auto answer = askRunning(*store,
                                   QJsonDocument(QJsonObject{{QStringLiteral("acknowledge"), ack}})
                                       .toJson(QJsonDocument::Compact),
                                   &failure);
    if (!answer)
        return failure;
    const QJsonObject o = QJsonDocument::fromJson(*answer).object();
    if (!o.value(QStringLiteral("ok")).toBool()) {
        say(QStringLiteral("refused: ") + o.value(QStringLiteral("error")).toString());
        const QString code = o.value(QStringLiteral("code")).toString();
        if (code == QStringLiteral("too_long"))
            return kAckTooLong;
        if (code == QStringLiteral("still_stopped") || code == QStringLiteral("storm_blowing"))
            return kAckNotNow;
        if (code == QStringLiteral("needs_force"))
            return kAckNeedsForce;
        return kAckRefused;
    }
    say(QStringLiteral("inspection recorded: %1%2")
            .arg(site::cleanField(by), o.value(QStringLiteral("written")).toBool()
                                           ? QString()
                                           : QStringLiteral(" (the disk has not answered yet)")));
    return 0;
}

// qv475 --status [--json]: what the running program of this settings file knows now.
int runStatus(bool json, const QString &configFile)
{
    const auto store = makeSettings(configFile);
    int failure = 0;
    const auto answer = askRunning(*store, R"({"status":{}})", &failure);
    if (!answer)
        return failure;
    QJsonObject o = QJsonDocument::fromJson(*answer).object();
    o.remove(QStringLiteral("ok"));
    if (json) {
        std::fprintf(stdout, "%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
        return 0;
    }
    auto text = [](const QJsonValue &v) {
        return v.isNull() || v.isUndefined() ? QStringLiteral("---")
               : v.isDouble()                ? QString::number(v.toDouble(), 'f', 1)
                                             : v.toString();
    };
    QStringList lines;
    lines << QStringLiteral("link: %1, last frame %2, instantaneous %3 m/s, average %4 m/s")
                 .arg(text(o[u"link"]), text(o[u"last_frame"]), text(o[u"instant"]),
                      text(o[u"average"]));
    if (o.contains(u"work")) {
        lines << QStringLiteral("work: %1, 10-minute mean %2 m/s")
                     .arg(text(o[u"work"]), text(o[u"mean"]));
        for (const QJsonValue &v : o[u"latches"].toArray()) {
            const QJsonObject l = v.toObject();
            QString line =
                QStringLiteral("latch %1: due since %2").arg(text(l[u"latch"]), text(l[u"since"]));
            if (l.contains(u"gust"))
                line += QStringLiteral(" (gust %1 m/s at %2)")
                            .arg(text(l[u"gust"]), text(l[u"gust_time"]));
            if (l.contains(u"stop_from"))
                line += QStringLiteral(" (stop from %1)").arg(text(l[u"stop_from"]));
            if (l[u"out_of_service"].toBool()) {
                const QJsonObject f = l[u"fault"].toObject();
                line += QStringLiteral(", OUT OF SERVICE: %1 by %2 at %3")
                            .arg(text(f[u"result"]), text(f[u"by"]), text(f[u"time"]));
            }
            lines << line;
        }
        const QJsonObject i = o[u"inspection"].toObject();
        if (!i.isEmpty())
            lines << QStringLiteral("last inspection: %1, %2 by %3 at %4%5")
                         .arg(text(i[u"latch"]), text(i[u"result"]), text(i[u"by"]),
                              text(i[u"time"]),
                              i[u"forced"].toBool() ? QStringLiteral(" (under a strong wind)")
                                                    : QString());
    }
    lines << QStringLiteral("file: %1, rows waiting %2, notices waiting %3")
                 .arg(text(o[u"file"]))
                 .arg(o[u"rows_waiting"].toInt())
                 .arg(o[u"notices_waiting"].toInt());
    std::fprintf(stdout, "%s\n", lines.join(QLatin1Char('\n')).toLocal8Bit().constData());
    return 0;
}

frmHistory::Services historyServices(RealServices &real)
{
    const basSubMain::Settings settings = basSubMain::readSettings(real.settings);
    return {&real.fileDialog,
            &real.messageBox,
            &platform::readWholeFile,
            &platform::replaceFile,
            settings,
            records::recordsBase(settings, real.settings.location()),
            {}};
}

// A history window of its own, closed with its last use.
frmHistory *showHistory(RealServices &real, const QStringList &paths)
{
    auto *window = new frmHistory(historyServices(real));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    if (paths.isEmpty())
        window->mnuHistOpen_Click();
    else
        window->open(paths);
    return window;
}

// The daily report without a window: the lines on standard error say what happened.
int runReport(const QStringList &files, const QString &out, const QString &configFile)
{
    auto say = [](const QString &text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    };
    if (files.isEmpty() || out.isEmpty()) {
        say(QStringLiteral("--report needs one or more log files and --out REPORT.pdf"));
        return headless::kBadOptions;
    }
    // The report never takes the place of what it is made from, nor of a folder or a
    // device.
    for (const QString &input : files)
        if (platform::sameFile(input, out)) {
            say(QStringLiteral("--out %1 is one of the logs; the report would replace it")
                    .arg(out));
            return headless::kBadOptions;
        }
    if (const QFileInfo target(out); (target.exists() || target.isSymLink()) && !target.isFile()) {
        say(QStringLiteral("--out %1 is not a regular file (a folder, a device)").arg(out));
        return headless::kBadOptions;
    }
    if (!configFile.isEmpty() && !QFileInfo(configFile).isReadable()) {
        say(QStringLiteral("cannot read the settings file %1").arg(configFile));
        return headless::kSettingsUnreadable;
    }
    const auto store = makeSettings(configFile);
    const basSubMain::Settings settings = basSubMain::readSettings(*store);
    history::WindHistory record(settings.site);
    QString error;
    if (!record.load(files, &platform::readWholeFile, &error)) {
        say(error);
        return kReportInputRefused;
    }
    if (record.empty()) {
        say(QStringLiteral("the files hold no rows"));
        return kReportInputRefused;
    }
    for (const history::FileInfo &f : record.files())
        for (const QString &w : f.warnings)
            say(f.path + QStringLiteral(": ") + w);
    const QByteArray pdf = report::dayReport(record, {settings.site.name, settings.port});
    if (!platform::replaceFile(out, pdf, &error)) {
        say(QStringLiteral("cannot write the report: ") + error);
        return kReportWriteFailed;
    }
    say(QStringLiteral("%1: %2 day(s), %3 rows")
            .arg(out)
            .arg(record.days().size())
            .arg(record.rows().size()));
    return 0;
}

// Creates the main window (which loads the settings) and shows it.
frmMain *Main(RealServices &real)
{
    frmMain::Windows windows;
    const bool english = language::current() == language::Language::English;
    windows.options = [&real, english](QWidget *owner, const basSubMain::Settings &current) {
        if (platform::endRequested())
            return current;
        frmOptions dialog(
            current, &real.fileDialog, [&real](int n) { return real.portFinder.device(n); }, owner);
        // F1 in the settings opens the manual at its settings.
        QObject::connect(new QShortcut(Qt::Key_F1, &dialog), &QShortcut::activated, &dialog,
                         [&real, &dialog, english] {
                             manual::open(real.launcher, real.messageBox, &dialog,
                                          QCoreApplication::applicationDirPath(), english,
                                          QString::fromLatin1(manual::kSettings));
                         });
        dialog.exec();
        return dialog.settings();
    };
    windows.about = [&real](QWidget *owner) {
        if (platform::endRequested())
            return;
        frmAbout dialog(&real.registry, &real.launcher, &real.messageBox, owner);
        dialog.exec();
    };
    windows.history = [&real](QWidget *) { showHistory(real, {}); };
    windows.manual = [&real, english](QWidget *owner) {
        manual::open(real.launcher, real.messageBox, owner, QCoreApplication::applicationDirPath(),
                     english);
    };
    windows.registerOf = [&real](QWidget *) {
        auto *window = new frmHistory(historyServices(real));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->mnuHistRegister_Click();
    };
    windows.inspect = [](QWidget *owner,
                         const InspectionRequest &request) -> std::optional<site::Inspection> {
        if (platform::endRequested())
            return std::nullopt;
        dlgInspection dialog(request, owner);
        if (dialog.exec() != QDialog::Accepted || !dialog.latch())
            return std::nullopt;
        return site::Inspection{dialog.inspector(), dialog.result(), 0, *dialog.latch()};
    };
    windows.web = [](QWidget *owner) {
        if (platform::endRequested())
            return;
        frmBrowser window(&platform::makeWebEngineView, owner);
        window.exec();
    };
    auto *window = new frmMain(real.services(), windows);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

// The options the program takes; --help and --version come with the parser.
struct StartOptions {
    QCommandLineOption connect{QStringLiteral("connect"),
                               QCoreApplication::translate("main", "起動時に風速計と接続します。")};
    QCommandLineOption log{
        QStringLiteral("log"),
        QCoreApplication::translate(
            "main", "接続後の最初のﾃﾞｰﾀでﾌｧｲﾙ出力を開始します (--connect を含みます)。")};
    QCommandLineOption headless{
        QStringLiteral("headless"),
        QCoreApplication::translate(
            "main", "ｳｨﾝﾄﾞｳなしで記録します: 接続、自動再接続、最初のﾃﾞｰﾀからﾌｧｲﾙ出力。")};
    QCommandLineOption open{
        QStringLiteral("open"),
        QCoreApplication::translate("main", "記録ﾌｧｲﾙ (FILE...) を記録表示のｳｨﾝﾄﾞｳで開きます。")};
    QCommandLineOption report{
        QStringLiteral("report"),
        QCoreApplication::translate(
            "main", "記録ﾌｧｲﾙ (FILE...) の日報を PDF にします (--out に書きます。ｳｨﾝﾄﾞｳなし)。")};
    QCommandLineOption out{
        QStringLiteral("out"),
        QCoreApplication::translate("main", "--report と --register の出力ﾌｧｲﾙ。"),
        QStringLiteral("REPORT.pdf")};
    QCommandLineOption registerOf{
        QStringLiteral("register"),
        QCoreApplication::translate(
            "main", "点検記録簿 (暴風、作業中止、点検の一覧) を --out の PDF か CSV にします。")};
    QCommandLineOption from{QStringLiteral("from"),
                            QCoreApplication::translate("main", "--register の最初の日。"),
                            QStringLiteral("YYYY-MM-DD")};
    QCommandLineOption to{QStringLiteral("to"),
                          QCoreApplication::translate("main", "--register の最後の日。"),
                          QStringLiteral("YYYY-MM-DD")};
    QCommandLineOption verify{
        QStringLiteral("verify"),
        QCoreApplication::translate(
            "main",
            "封印した記録が目録 (*_manifest.csv) のとおりか調べます (FOLDER、既定は記録の場所)。")};
    QCommandLineOption acknowledge{
        QStringLiteral("acknowledge"),
        QCoreApplication::translate(
            "main", "動作中のﾌﾟﾛｸﾞﾗﾑ (同じ設定ﾌｧｲﾙ) に点検確認を記録します。NAME は点検者。"),
        QStringLiteral("NAME")};
    QCommandLineOption result{
        QStringLiteral("result"),
        QCoreApplication::translate(
            "main", "--acknowledge の点検結果 (必須): 異常なし、または 異常あり: 内容。"),
        QStringLiteral("TEXT")};
    QCommandLineOption latch{
        QStringLiteral("latch"),
        QCoreApplication::translate(
            "main", "--acknowledge で確認する点検: crane (暴風の後) または scaffold (足場)。"),
        QStringLiteral("LATCH")};
    QCommandLineOption force{
        QStringLiteral("force"),
        QCoreApplication::translate("main", "注意または強風の間でも --acknowledge を記録します "
                                            "(強風下で確認と記録)。")};
    QCommandLineOption status{
        QStringLiteral("status"),
        QCoreApplication::translate("main", "動作中のﾌﾟﾛｸﾞﾗﾑ (同じ設定ﾌｧｲﾙ) の状態を表示します。")};
    QCommandLineOption json{QStringLiteral("json"),
                            QCoreApplication::translate("main", "--status を JSON で表示します。")};
    QCommandLineOption notifyTest{
        QStringLiteral("notify-test"),
        QCoreApplication::translate(
            "main", "[Notify] の通知先 (web hook とｺﾏﾝﾄﾞ) に試験の通知を 1 回送ります。")};
    QCommandLineOption config{QStringLiteral("config"),
                              QCoreApplication::translate("main", "設定ﾌｧｲﾙ (既定: %1)。")
                                  .arg(platform::IniSettingsStore::defaultLocation()),
                              QStringLiteral("FILE")};
#ifdef Q_OS_WIN
    QCommandLineOption installService{
        QStringLiteral("install-service"),
        QCoreApplication::translate("main",
                                    "ｳｨﾝﾄﾞｳなしの記録を Windows のｻｰﾋﾞｽ NAME として登録します "
                                    "(管理者として。--config の設定で起動時から記録)。"),
        QStringLiteral("NAME")};
    QCommandLineOption uninstallService{
        QStringLiteral("uninstall-service"),
        QCoreApplication::translate("main", "Windows のｻｰﾋﾞｽ NAME を止めて削除します。"),
        QStringLiteral("NAME")};
    QCommandLineOption service{QStringLiteral("service"), QString(), QStringLiteral("NAME")};
#endif

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QCoreApplication::translate("main", "QV-475簡易ソフト: 風速計 QV-475 の表示と記録"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(connect);
        parser.addOption(log);
        parser.addOption(headless);
        parser.addOption(open);
        parser.addOption(report);
        parser.addOption(out);
        parser.addOption(registerOf);
        parser.addOption(from);
        parser.addOption(to);
        parser.addOption(verify);
        parser.addOption(acknowledge);
        parser.addOption(result);
        parser.addOption(latch);
        parser.addOption(force);
        parser.addOption(status);
        parser.addOption(json);
        parser.addOption(notifyTest);
        parser.addOption(config);
#ifdef Q_OS_WIN
        parser.addOption(installService);
        parser.addOption(uninstallService);
        // What the service control manager runs; not for people.
        QCommandLineOption hidden = service;
        hidden.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(hidden);
#endif
        parser.addPositionalArgument(
            QStringLiteral("FILE"),
            QCoreApplication::translate("main", "--open と --report の記録ﾌｧｲﾙ。"),
            QStringLiteral("[FILE...]"));
    }
};

// The interface's language, from the settings file the program will use.
void installLanguage(const QString &configFile)
{
    const auto settings = makeSettings(configFile);
    language::install(language::chosen(*settings), language::bilingual(*settings));
}

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("QV475_XP"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
}

// A writer still stuck in a frozen disk after the end's bound holds the file it writes
// to: the program ends here, before that is freed under it.
void endLeavingStuckWriters(int rc)
{
    if (logging::BackgroundWriter::stuckWriters() == 0)
        return;
    std::fflush(stderr);
    std::_Exit(rc);
}

// One line of the logger on standard error.
void sayOnStandardError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// The logger without windows: lines to say (standard error), the exit code says why it
// ended. onStop, when given, registers what a service's stop calls (from another thread).
int runHeadless(QCoreApplication &app, const QString &configFile,
                const std::function<void(const QString &)> &say = sayOnStandardError,
                const std::function<void(std::function<void()>)> &onStop = {})
{
    auto stamped = [&say](const QString &text) {
        say(platform::isoStamp(QDateTime::currentDateTime()) + QLatin1Char(' ') + text);
    };
    if (!configFile.isEmpty() && !QFileInfo(configFile).isReadable()) {
        stamped(QStringLiteral("cannot read the settings file %1").arg(configFile));
        return headless::kSettingsUnreadable;
    }
    RealServices real(configFile);
    int rc;
    {
        headless::Services services{
            &real.settings,  &real.port,           &real.timer,
            &real.clock,     &real.file,           &RealServices::mqttClient,
            &real.latchFile, &real.sleepInhibitor, &real.portFinder};
        headless::Logger logger(services, say);
        QObject::connect(&logger, &headless::Logger::finished, &app, &QCoreApplication::exit);
        // A service is ended by its manager alone; a program from a console or a task by
        // the signals, the console's events and a close request.
        std::optional<platform::TerminationSignals> termination;
        if (onStop)
            onStop([&logger] {
                QMetaObject::invokeMethod(&logger, &headless::Logger::end, Qt::QueuedConnection);
            });
        else
            QObject::connect(&termination.emplace(),
                             &platform::TerminationSignals::terminationRequested, &logger,
                             &headless::Logger::end);
        const auto commands =
            listenForCommands(logger.session(), real.settings.location(), stamped);
        stamped(QStringLiteral("qv475 %1 --headless, settings %2")
                    .arg(QCoreApplication::applicationVersion(), real.settings.location()));
        QTimer::singleShot(0, &logger, &headless::Logger::start);
        rc = app.exec();
        if (onStop)
            onStop({});
    }
    endLeavingStuckWriters(rc);
    return rc;
}

#ifdef Q_OS_WIN
// Where a service's settings live when --config names none: a folder every account can
// reach, unlike the user's own.
QString serviceConfig(const QString &configFile)
{
    if (!configFile.isEmpty())
        return QFileInfo(configFile).absoluteFilePath();
    const QString data = qEnvironmentVariable("ProgramData", QStringLiteral("C:/ProgramData"));
    return QDir::fromNativeSeparators(data) + QStringLiteral("/QV475_XP/QV475_XP.ini");
}

// --install-service NAME: the service runs this program with --service NAME and the
// settings file; --uninstall-service NAME removes it.
int runServiceInstall(const QString &install, const QString &uninstall, const QString &configFile)
{
    QString error;
    if (!uninstall.isEmpty()) {
        if (!platform::uninstallService(uninstall, &error)) {
            sayOnStandardError(error);
            return headless::kBadOptions;
        }
        sayOnStandardError(QStringLiteral("service %1 removed").arg(uninstall));
        return 0;
    }
    const QString config = serviceConfig(configFile);
    const QString command =
        QStringLiteral("\"%1\" --service %2 --config \"%3\"")
            .arg(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()), install,
                 QDir::toNativeSeparators(config));
    if (!platform::installService(install, command, &error)) {
        sayOnStandardError(error);
        return headless::kBadOptions;
    }
    if (!error.isEmpty())
        sayOnStandardError(error);
    sayOnStandardError(QStringLiteral("service %1 installed: %2").arg(install, command));
    if (!QFileInfo(config).isReadable())
        sayOnStandardError(QStringLiteral("write the settings file %1 before the service starts")
                               .arg(QDir::toNativeSeparators(config)));
    sayOnStandardError(QStringLiteral("lines go to %1; start it with: sc start %2")
                           .arg(QDir::toNativeSeparators(QFileInfo(config).absolutePath() + "/" +
                                                         install + ".log"),
                                install));
    return 0;
}

// --service NAME, as the service control manager starts it: the logger on the service's
// thread, its lines in NAME.log beside the settings file; the manager's stop ends it as a
// termination signal does.
int runAsService(int argc, char *argv[], const QString &name, const QString &configFile)
{
    const QString config = serviceConfig(configFile);
    const QString logPath = QFileInfo(config).absolutePath() + "/" + name + ".log";
    int rc = 0;
    QString error;
    const bool ran = platform::runService(
        name, {headless::kBadOptions, headless::kSettingsUnreadable, headless::kNoFileName},
        [&](const std::function<void(platform::StopHandler)> &onStop) {
            QCoreApplication app(argc, argv);
            setNames();
            installLanguage(config);
            const auto say = [&logPath](const QString &text) {
                QFile f(logPath);
                if (f.open(QIODevice::WriteOnly | QIODevice::Append))
                    f.write(text.toUtf8() + "\r\n");
            };
            rc = runHeadless(app, config, say, onStop);
            say(platform::isoStamp(QDateTime::currentDateTime()) +
                QStringLiteral(" service %1 stopped (exit code %2)").arg(name).arg(rc));
            return rc;
        },
        &error);
    if (!ran) {
        sayOnStandardError(error);
        return headless::kBadOptions;
    }
    // Everything is written and the manager has been told. The static clean-up of Qt,
    // whose application lived on the service's thread, can block this thread for good
    // (seen under Wine), which would keep the stopped service's process: it ends here.
    platform::endServiceProcess(rc);
    return rc;
}
#endif

// A termination signal ends the window once no box or dialog is open: each is closed
// (answered with "no"), and the end waits until their event loops have returned, so that
// nothing is deleted under a handler that is still running.
void endWhenUnwound(QPointer<frmMain> window)
{
    if (!window)
        return;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !w->isModal())
            continue;
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
    }
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(10, [window] { endWhenUnwound(window); });
        return;
    }
    window->endWithoutAsking();
}

// For the start benchmark: with QV475_FIRST_PAINT set, the moment (ms since the epoch)
// a widget of the main window is first painted goes to standard error, once.
class FirstPaintTrace : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Paint && widget && qobject_cast<frmMain *>(widget->window())) {
            std::fprintf(stderr, "qv475: first paint at %lld\n",
                         QDateTime::currentMSecsSinceEpoch());
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    // --help, --version and --headless run without a display: no window system is
    // started for them.
    // A command line that does not parse gets the usage, also without a display.
    StartOptions options;
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser check;
    options.addTo(check);
    // Qt's own options for a window program (-platform, -style ...) are QApplication's:
    // known here, so that they do not count as unknown.
    check.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char *name :
         {"platform", "style", "stylesheet", "display", "geometry", "qwindowtitle"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        check.addOption(qt);
    }
    check.addOption(QCommandLineOption(QStringLiteral("reverse")));
    const bool parses = check.parse(args);
#ifdef Q_OS_WIN
    // No application object on this thread: the service's thread makes its own.
    if (parses && check.isSet(options.service))
        return runAsService(argc, argv, check.value(options.service), check.value(options.config));
#endif
    bool guiless = !parses || check.isSet(QStringLiteral("help")) ||
                   check.isSet(QStringLiteral("help-all")) ||
                   check.isSet(QStringLiteral("version")) || check.isSet(options.headless) ||
                   check.isSet(options.acknowledge) || check.isSet(options.notifyTest) ||
                   check.isSet(options.status) || check.isSet(options.verify);
#ifdef Q_OS_WIN
    guiless =
        guiless || check.isSet(options.installService) || check.isSet(options.uninstallService);
#endif
    if (guiless) {
        QCoreApplication app(argc, argv);
        setNames();
        installLanguage(parses ? check.value(options.config) : QString());
        QCommandLineParser parser;
        const StartOptions described; // the help's texts, in the language just installed
        described.addTo(parser);
        if (!parser.parse(app.arguments())) {
            std::fprintf(stderr, "%s\n\n%s", qPrintable(parser.errorText()),
                         qPrintable(parser.helpText()));
            return headless::kBadOptions;
        }
        parser.process(app); // --help and --version print and end here
        if (parser.isSet(options.notifyTest))
            return runNotifyTest(app, parser.value(options.config));
#ifdef Q_OS_WIN
        if (parser.isSet(options.installService) || parser.isSet(options.uninstallService))
            return runServiceInstall(parser.value(options.installService),
                                     parser.value(options.uninstallService),
                                     parser.value(options.config));
#endif
        if (parser.isSet(options.acknowledge))
            return runAcknowledge(
                parser.value(options.acknowledge),
                parser.isSet(options.result) ? parser.value(options.result) : QString(),
                parser.isSet(options.latch) ? parser.value(options.latch) : QString(),
                parser.isSet(options.force), parser.value(options.config));
        if (parser.isSet(options.status))
            return runStatus(parser.isSet(options.json), parser.value(options.config));
        if (parser.isSet(options.verify)) {
            const auto store = makeSettings(parser.value(options.config));
            const QString folder = parser.positionalArguments().value(
                0,
                QFileInfo(records::recordsBase(basSubMain::readSettings(*store), store->location()))
                    .absolutePath());
            return records::runVerify(folder);
        }
        return runHeadless(app, parser.value(options.config));
    }

    const bool reportOnly =
        parses && (check.isSet(options.report) || check.isSet(options.registerOf));
#ifndef Q_OS_WIN
    // The report is drawn without a display, wherever it runs.
    if (reportOnly && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    setNames();
#ifdef Q_OS_WIN
    // The IPA Gothic face that comes with the program, for a Windows without Japanese faces.
    QFontDatabase::addApplicationFont(QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/fonts/ipagp.ttf"));
#endif
    QApplication::setFont(basSubMain::japaneseFont(9));
    installLanguage(parses ? check.value(options.config) : QString());
    QCommandLineParser parser;
    const StartOptions described;
    described.addTo(parser);
    parser.process(app);
    if (reportOnly && parser.isSet(options.registerOf)) {
        const auto store = makeSettings(parser.value(options.config));
        const basSubMain::Settings settings = basSubMain::readSettings(*store);
        return records::runRegister(settings, records::recordsBase(settings, store->location()),
                                    parser.value(options.from), parser.value(options.to),
                                    parser.value(options.out));
    }
    if (reportOnly)
        return runReport(parser.positionalArguments(), parser.value(options.out),
                         parser.value(options.config));

    RealServices real(parser.value(options.config));
    if (parser.isSet(options.open)) {
        // Past logs only: no meter, no main window; the program ends with the window.
        showHistory(real, parser.positionalArguments());
        return app.exec();
    }
    FirstPaintTrace firstPaint;
    if (qEnvironmentVariableIsSet("QV475_FIRST_PAINT"))
        app.installEventFilter(&firstPaint);
    frmMain *window = Main(real);
    QObject::connect(window, &frmMain::ended, &app, [&app] {
        platform::endFinished();
        app.quit();
    });
    // A logout, `systemctl stop` or Ctrl+C ends the program as its exit command does.
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, window,
                     [window] { endWhenUnwound(window); });
    // From the event loop, so that a box the start shows runs inside it and a signal that
    // comes meanwhile can close it.
    const bool connectAtStart = parser.isSet(options.connect) || parser.isSet(options.log);
    const bool logAtFirstFrame = parser.isSet(options.log);
    const auto commands =
        listenForCommands(window->session(), real.settings.location(),
                          [](const QString &text) { qWarning("%s", qPrintable(text)); });
    QTimer::singleShot(0, window, [window, connectAtStart, logAtFirstFrame] {
        if (!platform::endRequested())
            window->checkSiteSettings();
        if (!platform::endRequested())
            window->setStartOptions(connectAtStart, logAtFirstFrame);
    });
    const int rc = app.exec();
    endLeavingStuckWriters(rc);
    return rc;
}
