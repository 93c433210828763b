// The program's entry: the command line, Qt's own texts in Japanese, the settings loaded,
// the main window shown, and a clean end on a termination signal.
#include "app/geometry.h"
#include "app/headless.h"
#include "app/globals.h"
#include "app/settings.h"
#include "display/frm_main.h"
#include "info/frm_about.h"
#include "info/frm_browser.h"
#include "platform/alerts.h"
#include "platform/browser_view.h"
#include "platform/clock.h"
#include "platform/com_ports.h"
#include "platform/file_dialog.h"
#include "platform/file_output.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/mqtt_client.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/termination.h"
#include "platform/timer.h"
#include "publish/publisher.h"
#include "settings_dialog/frm_options.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <QLibraryInfo>
#include <QTranslator>

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
    platform::QtSerialPort port{[this](int n) { return platform::comPortDevice(n, &settings); }};
    platform::QtTimer timer;
    platform::LocalFileOutput file;
    platform::QtFileDialog fileDialog;
    platform::SystemRegistry registry;
    platform::QtLauncher launcher;
    platform::MosquittoClient mqtt;
    platform::QtSoundPlayer sound;
    platform::DBusNotifier notifier;

    platform::Services services()
    {
        return {&settings, &messageBox, &clock, &port, &timer, &file, &sound, &notifier};
    }
};

// Loads the settings, creates the main window and shows it.
frmMain *Main(RealServices &real)
{
    basSubMain::LoadSettings(real.settings);
    frmMain::Windows windows;
    windows.options = [&real](QWidget *owner) {
        frmOptions dialog(
            &real.fileDialog, [&real](int n) { return platform::comPortDevice(n, &real.settings); },
            owner);
        dialog.exec();
    };
    windows.about = [&real](QWidget *owner) {
        frmAbout dialog(&real.registry, &real.launcher, &real.messageBox, owner);
        dialog.exec();
    };
    windows.web = [](QWidget *owner) {
        frmBrowser window(&platform::makeWebEngineView, owner);
        window.exec();
    };
    auto *window = new frmMain(real.services(), windows);
    window->setAttribute(Qt::WA_DeleteOnClose);
    basSubMain::gMainWindow = window;
    window->show();
    return window;
}

// The options the program takes; --help and --version come with the parser.
struct StartOptions {
    QCommandLineOption connect{QStringLiteral("connect"), QStringLiteral("起動時に風速計と接続します。")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("接続後の最初のﾃﾞｰﾀでﾌｧｲﾙ出力を開始します (--connect を含みます)。")};
    QCommandLineOption headless{
        QStringLiteral("headless"),
        QStringLiteral("ｳｨﾝﾄﾞｳなしで記録します: 接続、自動再接続、最初のﾃﾞｰﾀからﾌｧｲﾙ出力。")};
    QCommandLineOption config{QStringLiteral("config"),
                              QStringLiteral("設定ﾌｧｲﾙ (既定: ~/.config/QV475_XP/QV475_XP.ini)。"),
                              QStringLiteral("FILE")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(QStringLiteral("QV-475簡易ソフト: 風速計 QV-475 の表示と記録"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(connect);
        parser.addOption(log);
        parser.addOption(headless);
        parser.addOption(config);
    }
};

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("QV475_XP"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
}

// The logger without windows: lines on standard error, the exit code says why it ended.
int runHeadless(QCoreApplication &app, const QString &configFile)
{
    auto say = [](const QString &text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
    };
    auto stamped = [&say](const QString &text) {
        QDateTime now = QDateTime::currentDateTime();
        now.setOffsetFromUtc(now.offsetFromUtc());
        say(now.toString(Qt::ISODate) + QLatin1Char(' ') + text);
    };
    if (!configFile.isEmpty() && !QFileInfo(configFile).isReadable()) {
        stamped(QStringLiteral("cannot read the settings file %1").arg(configFile));
        return headless::kSettingsUnreadable;
    }
    RealServices real(configFile);
    headless::Services services{&real.settings, &real.port, &real.timer,
                                &real.clock,    &real.file, &real.mqtt};
    headless::Logger logger(services, say);
    QObject::connect(&logger, &headless::Logger::finished, &app, &QCoreApplication::exit);
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &logger,
                     &headless::Logger::end);
    stamped(QStringLiteral("qv475 %1 --headless, settings %2")
            .arg(QCoreApplication::applicationVersion(), real.settings.location()));
    QTimer::singleShot(0, &logger, &headless::Logger::start);
    return app.exec();
}

// A window that publishes to a broker when the settings name one; what the broker says
// goes to the status bar.
void startPublishing(RealServices &real, frmMain *window)
{
    const auto mqtt = publish::loadMqttSettings(real.settings);
    if (!mqtt)
        return;
    auto *publisher = new publish::Publisher(&real.mqtt, &real.clock, *mqtt,
                                             [window] { return window->publishSnapshot(); }, window);
    QObject::connect(publisher, &publish::Publisher::statusChanged, window,
                     &frmMain::setMqttStatus);
    auto *each = new QTimer(publisher);
    QObject::connect(each, &QTimer::timeout, publisher, &publish::Publisher::tick);
    each->start(1000);
    QObject::connect(window, &frmMain::ended, publisher, &publish::Publisher::stop);
    publisher->start();
}

} // namespace

int main(int argc, char *argv[])
{
    // --help, --version and --headless run without a display: no window system is
    // started for them.
    bool guiless = false, headlessMode = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView a(argv[i]);
        guiless = guiless || a == "--help" || a == "-h" || a == "--help-all" ||
                  a == "--version" || a == "-v" || a == "--headless";
        headlessMode = headlessMode || a == "--headless";
    }
    StartOptions options;
    if (guiless) {
        QCoreApplication app(argc, argv);
        setNames();
        QCommandLineParser parser;
        options.addTo(parser);
        parser.process(app);
        if (headlessMode)
            return runHeadless(app, parser.value(options.config));
        return 0;
    }

    QApplication app(argc, argv);
    setNames();
    QApplication::setFont(basSubMain::japaneseFont(9));
    QCommandLineParser parser;
    options.addTo(parser);
    parser.process(app);

    // The whole interface is Japanese, whatever the locale.
    QTranslator qtbase;
    if (qtbase.load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    RealServices real(parser.value(options.config));
    frmMain *window = Main(real);
    QObject::connect(window, &frmMain::ended, &app, &QCoreApplication::quit);
    // A logout, `systemctl stop` or Ctrl+C ends the program as its exit command does.
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, window,
                     &frmMain::endWithoutAsking);
    startPublishing(real, window);
    window->setStartOptions(parser.isSet(options.connect) || parser.isSet(options.log),
                            parser.isSet(options.log));
    return app.exec();
}
