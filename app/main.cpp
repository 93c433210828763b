// The program's entry: the command line, Qt's own texts in Japanese, the settings loaded,
// the main window shown, and a clean end on a termination signal.
#include "app/geometry.h"
#include "app/globals.h"
#include "app/settings.h"
#include "display/frm_main.h"
#include "info/frm_about.h"
#include "info/frm_browser.h"
#include "platform/browser_view.h"
#include "platform/clock.h"
#include "platform/com_ports.h"
#include "platform/file_dialog.h"
#include "platform/file_output.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/termination.h"
#include "platform/timer.h"
#include "settings_dialog/frm_options.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

struct RealServices {
    platform::IniSettingsStore settings;
    platform::QtMessageBox messageBox;
    platform::SystemClock clock;
    platform::QtSerialPort port{[this](int n) { return platform::comPortDevice(n, &settings); }};
    platform::QtTimer timer;
    platform::LocalFileOutput file;
    platform::QtFileDialog fileDialog;
    platform::SystemRegistry registry;
    platform::QtLauncher launcher;

    platform::Services services() { return {&settings, &messageBox, &clock, &port, &timer, &file}; }
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

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(QStringLiteral("QV-475簡易ソフト: 風速計 QV-475 の表示と記録"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(connect);
        parser.addOption(log);
    }
};

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("QV475_XP"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer without a display: no window system is started for them.
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView a(argv[i]);
        if (a == "--help" || a == "-h" || a == "--help-all" || a == "--version" || a == "-v") {
            QCoreApplication app(argc, argv);
            setNames();
            QCommandLineParser parser;
            StartOptions options;
            options.addTo(parser);
            parser.process(app);
            return 0;
        }
    }

    QApplication app(argc, argv);
    setNames();
    QApplication::setFont(basSubMain::japaneseFont(9));
    QCommandLineParser parser;
    StartOptions options;
    options.addTo(parser);
    parser.process(app);

    // The whole interface is Japanese, whatever the locale.
    QTranslator qtbase;
    if (qtbase.load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    RealServices real;
    frmMain *window = Main(real);
    QObject::connect(window, &frmMain::ended, &app, &QCoreApplication::quit);
    // A logout, `systemctl stop` or Ctrl+C ends the program as its exit command does.
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, window,
                     &frmMain::endWithoutAsking);
    window->setStartOptions(parser.isSet(options.connect) || parser.isSet(options.log),
                            parser.isSet(options.log));
    return app.exec();
}
