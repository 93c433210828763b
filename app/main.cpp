// The program's entry: Qt's own texts in Japanese, the settings loaded, the main window shown.
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
#include "platform/timer.h"
#include "settings_dialog/frm_options.h"

#include <QApplication>
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QV475_XP"));
    QApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
    QApplication::setFont(basSubMain::japaneseFont(9));

    // The whole interface is Japanese, whatever the locale.
    QTranslator qtbase;
    if (qtbase.load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    RealServices real;
    frmMain *window = Main(real);
    QObject::connect(window, &frmMain::ended, &app, &QCoreApplication::quit);
    return app.exec();
}
