// Loading and saving the settings through the real INI store.
#include "base/globals.h"
#include "base/settings.h"
#include "link/tenths.h"
#include "platform/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace basSubMain;

namespace {
// The value the process-wide variables hold, as the tests set them.
Settings fromGlobals()
{
    return {gPort, gComSt, gFName, gFOut, gFTime, gReconnect, gSound, {}, false, {}};
}
} // namespace

class TstSettings : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("QV475_XP.ini")); }
    void writeIni(const QByteArray &text)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QString readIni()
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void init()
    {
        resetGlobals();
        QFile::remove(iniPath());
        QFile::remove(iniPath() + ".bak");
    }

    void parseInt16_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "600" << true << 600;
        QTest::newRow("negative") << "-5" << true << -5;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("min") << "-32768" << true << -32768;
        QTest::newRow("max") << "32767" << true << 32767;
        QTest::newRow("over") << "32768" << false << 0;
        QTest::newRow("under") << "-32769" << false << 0;
        QTest::newRow("huge") << "99999999999999999999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing text") << "12x" << false << 0;
        QTest::newRow("blank inside") << "1 2" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("full-width digits") << QStringLiteral("１２") << false << 0;
    }
    void parseInt16()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto v = basSubMain::parseInt16(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(int(*v), value);
    }

    void firstRunGivesDefaultsAndSavesExactTexts()
    {
        platform::IniSettingsStore store(iniPath());
        gPort = 9;
        gFOut = 3;
        LoadSettings(store);
        QCOMPARE(gPort, qint16(1));
        QCOMPARE(gComSt, QStringLiteral("9600,n,8,1"));
        QCOMPARE(gFName, QString());
        QCOMPARE(gFOut, qint16(31));
        QCOMPARE(gFTime, qint16(600));

        SaveSettings(store, fromGlobals());
        QVERIFY(store.sync());
        platform::IniSettingsStore again(iniPath());
        const QString g = QStringLiteral("Settings");
        QCOMPARE(again.text(g, "Port"), std::optional<QString>("1"));
        QCOMPARE(again.text(g, "ComSt"), std::optional<QString>("9600,n,8,1"));
        // An empty name is stored as an empty value, not left out.
        QCOMPARE(again.text(g, "fName"), std::optional<QString>(""));
        QCOMPARE(again.text(g, "fOut"), std::optional<QString>("31"));
        QCOMPARE(again.text(g, "fTime"), std::optional<QString>("600"));
        QVERIFY(readIni().contains(QStringLiteral("fName=\n")) ||
                readIni().contains(QStringLiteral("fName=\r\n")));
    }

    void storedValuesLoadAndRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("comSt");
        QTest::addColumn<QString>("fName");
        QTest::addColumn<int>("fOut");
        QTest::addColumn<int>("fTime");
        QTest::newRow("interval 30") << QByteArray("[Settings]\nfTime=30\n") << 1 << "9600,n,8,1"
                                     << "" << 31 << 30;
        // Written by hand without quotes, QSettings reads the line as a list.
        QTest::newRow("comma trap")
            << QByteArray("[Settings]\nComSt=19200,n,8,1\nPort=3\n") << 3 << "19200,n,8,1"
            << "" << 31 << 600;
        QTest::newRow("quoted") << QByteArray("[Settings]\nComSt=\"38400,n,8,1\"\n") << 1
                                << "38400,n,8,1"
                                << "" << 31 << 600;
        QTest::newRow("garbage integers")
            << QByteArray("[Settings]\nPort=abc\nfOut=\nfTime=12s\n") << 1 << "9600,n,8,1"
            << "" << 31 << 600;
        QTest::newRow("huge integers")
            << QByteArray("[Settings]\nPort=70000\nfOut=-40000\nfTime=99999999999999999999\n") << 1
            << "9600,n,8,1"
            << "" << 31 << 600;
        QTest::newRow("negative kept")
            << QByteArray("[Settings]\nfTime=-5\nPort=-1\n") << -1 << "9600,n,8,1"
            << "" << 31 << -5;
        // Characters that need quotes when the program writes them back.
        QTest::newRow("quotes needed")
            << QByteArray("[Settings]\nfName=\" /d/a;b=c \\\"q\\\" \\\\x#y.csv \"\n") << 1
            << "9600,n,8,1"
            << " /d/a;b=c \"q\" \\x#y.csv " << 31 << 600;
        QTest::newRow("japanese path")
            << QByteArray("[Settings]\nfName=/home/u/\xe9\xa2\xa8/log.csv\n") << 1 << "9600,n,8,1"
            << QStringLiteral("/home/u/風/log.csv") << 31 << 600;
        QTest::newRow("no settings group") << QByteArray("[Other]\nPort=5\n") << 1 << "9600,n,8,1"
                                           << "" << 31 << 600;
        QTest::newRow("not an ini file")
            << QByteArray("\x00\xff\xfe garbage ]]][[[ = = =\n\n\x01\x02", 28) << 1 << "9600,n,8,1"
            << "" << 31 << 600;
    }
    void storedValuesLoadAndRoundTrip()
    {
        QFETCH(QByteArray, ini);
        writeIni(ini);
        {
            platform::IniSettingsStore store(iniPath());
            LoadSettings(store);
        }
        QTEST(int(gPort), "port");
        QTEST(gComSt, "comSt");
        QTEST(gFName, "fName");
        QTEST(int(gFOut), "fOut");
        QTEST(int(gFTime), "fTime");

        // Saved and loaded again, the same values come back.
        const auto before = std::make_tuple(gPort, gComSt, gFName, gFOut, gFTime);
        {
            platform::IniSettingsStore store(iniPath());
            SaveSettings(store, fromGlobals());
            QVERIFY(store.sync());
        }
        resetGlobals();
        platform::IniSettingsStore store(iniPath());
        LoadSettings(store);
        QCOMPARE(std::make_tuple(gPort, gComSt, gFName, gFOut, gFTime), before);
    }

    void handWrittenValuesAndLinesSurviveTheSave_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("semicolon")
            << QByteArray("[Settings]\nPort=2\n[Mqtt]\nPassword=ab;cd\n") << "Mqtt"
            << "Password"
            << "ab;cd";
        QTest::newRow("equals and quotes")
            << QByteArray("[Settings]\nfName=/d/a=b\"c\".csv\n") << "Settings"
            << "fName"
            << "/d/a=b\"c\".csv";
        QTest::newRow("quoted as QSettings writes")
            << QByteArray("[Settings]\nfName=\"/d/x;y \\\"z\\\".csv\"\n") << "Settings"
            << "fName"
            << "/d/x;y \"z\".csv";
        QTest::newRow("comments and blanks")
            << QByteArray("; site 3\r\n\r\n[Settings]\r\n# crane 2\r\nComSt = 19200,n,8,1\r\n")
            << "Settings"
            << "ComSt"
            << "19200,n,8,1";
        // Another group's line in another encoding goes back byte for byte.
        QTest::newRow("a password in Latin-1")
            << QByteArray("[Settings]\nPort=2\n[Mqtt]\nPassword=p\xe4ss\xff\n") << "Mqtt"
            << "Password" << QString::fromUtf8("p\xef\xbf\xbdss\xef\xbf\xbd");
        // A quoted Windows path: a backslash that starts no escape is kept.
        QTest::newRow("a quoted Windows path")
            << QByteArray("[Settings]\nfName=\"C:\\cfg\\data\\wind.csv\"\n") << "Settings"
            << "fName"
            << "C:\\cfg\\data\\wind.csv";
    }
    void handWrittenValuesAndLinesSurviveTheSave()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QString, value);
        writeIni(ini);
        {
            platform::IniSettingsStore store(iniPath());
            QCOMPARE(store.text(group, key), std::optional<QString>(value));
            LoadSettings(store);
            gFTime = 5; // a change, so that the file is written
            SaveSettings(store, fromGlobals());
            QVERIFY(store.sync());
            QCOMPARE(store.backupMade(), QString());
        }
        // Every line the program did not set is there as it was, in its place.
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        const QByteArray eol = ini.contains("\r\n") ? "\r\n" : "\n";
        for (const QByteArray &line : ini.split('\n'))
            if (!line.startsWith("fTime"))
                QVERIFY2(saved.contains(line + '\n'), line.constData());
        QVERIFY(saved.contains("fTime=5" + eol));
        QCOMPARE(platform::IniSettingsStore(iniPath()).text(group, key),
                 std::optional<QString>(value));
        QVERIFY(!QFile::exists(iniPath() + ".bak"));
    }

    // A file saved by an editor on a Japanese Windows is code page 932: its site name reads
    // as written, and a line in some other encoding is still not taken for it.
    void aFileInCodePage932()
    {
        writeIni(QByteArray("[Settings]\r\nPort=2\r\n[Site]\r\nName=\x91\xe6\x32\x8d\x48\x8b\xe6 "
                            "\x93\x8c\x93\x8f\r\n[Mqtt]\r\nPassword=p\xe4ss\xff\r\n"));
        platform::IniSettingsStore store(iniPath());
        QCOMPARE(readSettings(store).site.name, QString::fromUtf8("第2工区 東棟"));
        QCOMPARE(store.text(QStringLiteral("Mqtt"), QStringLiteral("Password")),
                 std::optional<QString>(QString::fromUtf8("p\xef\xbf\xbdss\xef\xbf\xbd")));
    }

    void fileNotReadCleanlyIsKeptBeforeTheSave_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("port"); // as read
        QTest::addColumn<bool>("clean");
        QTest::newRow("junk before the group")
            << QByteArray("\x01\x02 not ini\n[[x\n[Settings]\nPort=5\n") << 5 << false;
        // What the README tells users to write first: a clean file.
        QTest::newRow("only the ports") << QByteArray("[Ports]\nCOM1=/dev/ttyACM0\n") << 1 << true;
        QTest::newRow("only another group") << QByteArray("[Other]\nPort=5\n") << 1 << true;
        QTest::newRow("clean") << QByteArray("[Settings]\nPort=3\n") << 3 << true;
    }
    void fileNotReadCleanlyIsKeptBeforeTheSave()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, port);
        QFETCH(bool, clean);
        writeIni(ini);
        {
            platform::IniSettingsStore store(iniPath());
            QCOMPARE(store.readCleanly(), clean);
            LoadSettings(store);
            QCOMPARE(int(gPort), port);
            gFTime = 7;
            // The person is told where the old file was kept, and only then.
            const QString said = SaveSettingsSaying(store, fromGlobals());
            QCOMPARE(store.backupMade(), clean ? QString() : iniPath() + ".bak");
            QCOMPARE(said.isEmpty(), clean);
            QVERIFY2(clean || said.endsWith("\n" + iniPath() + ".bak"), qPrintable(said));
        }
        if (!clean) {
            QFile bak(iniPath() + ".bak");
            QVERIFY(bak.open(QIODevice::ReadOnly));
            QCOMPARE(bak.readAll(), ini);
        }
        // The saved file reads cleanly: the next save keeps no copy and tells nobody.
        platform::IniSettingsStore again(iniPath());
        QVERIFY(again.readCleanly());
        LoadSettings(again);
        QCOMPARE(int(gPort), port);
        QCOMPARE(int(gFTime), 7);
    }

    void storeInReadOnlyFolderReportsFailure()
    {
        // A folder where the file should be cannot be written by anyone, root included.
        QVERIFY(QDir().mkpath(iniPath()));
        platform::IniSettingsStore store(iniPath());
        const QString said = SaveSettingsSaying(store, fromGlobals());
        QVERIFY2(said.startsWith(QString::fromUtf8("設定を保存できませんでした。\n")) &&
                     said.endsWith(store.location()),
                 qPrintable(said));
        QVERIFY(!store.sync());
        QVERIFY(QDir().rmdir(iniPath()));
    }

    // The keys beyond the five: written only when switched from their default or
    // already in the file, so that files of before keep their five keys.
    void optionalKeys_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("savedAs"); // empty: the key is not written
        QTest::newRow("Reconnect absent")
            << QByteArray("[Settings]\nPort=2\n") << "Reconnect" << false << QString();
        QTest::newRow("Reconnect 1")
            << QByteArray("[Settings]\nReconnect=1\n") << "Reconnect" << true << "1";
        QTest::newRow("Reconnect 0")
            << QByteArray("[Settings]\nReconnect=0\n") << "Reconnect" << false << "0";
        QTest::newRow("Reconnect yes")
            << QByteArray("[Settings]\nReconnect=yes\n") << "Reconnect" << false << "0";
        QTest::newRow("Reconnect empty")
            << QByteArray("[Settings]\nReconnect=\n") << "Reconnect" << false << "0";
        QTest::newRow("Sound absent")
            << QByteArray("[Settings]\nPort=2\n") << "Sound" << true << QString();
        QTest::newRow("Sound 0") << QByteArray("[Settings]\nSound=0\n") << "Sound" << false << "0";
        QTest::newRow("Sound 1") << QByteArray("[Settings]\nSound=1\n") << "Sound" << true << "1";
        QTest::newRow("Sound garbage")
            << QByteArray("[Settings]\nSound=x\n") << "Sound" << true << "1";
    }
    void optionalKeys()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, key);
        QFETCH(bool, on);
        QFETCH(QString, savedAs);
        bool &value = key == "Sound" ? gSound : gReconnect;
        writeIni(ini);
        {
            platform::IniSettingsStore store(iniPath());
            LoadSettings(store);
            QCOMPARE(value, on);
            SaveSettings(store, fromGlobals());
            QVERIFY(store.sync());
        }
        platform::IniSettingsStore again(iniPath());
        const auto saved = again.text("Settings", key);
        QCOMPARE(saved.has_value(), !savedAs.isEmpty());
        if (saved)
            QCOMPARE(*saved, savedAs);
        // Switched from its default, it is written even where it was absent.
        value = key != "Sound";
        SaveSettings(again, fromGlobals());
        QVERIFY(again.sync());
        QCOMPARE(platform::IniSettingsStore(iniPath()).text("Settings", key),
                 std::optional<QString>(key == "Sound" ? "0" : "1"));
    }

    // The language keys and the port's adapter: read as written, written back only where
    // they were or once set, so that a file without them keeps following the system's
    // language.
    void languageKeys_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("bilingual");
        QTest::addColumn<QString>("savedLanguage"); // "-": not written
        QTest::addColumn<QString>("savedBilingual");
        QTest::addColumn<QString>("portId"); // read, and written back as read
        QTest::newRow("absent") << QByteArray("[Settings]\nPort=2\n") << "" << false << "-"
                                << "-"
                                << "";
        QTest::newRow("English, both, an adapter")
            << QByteArray("[Settings]\nLanguage=en\nBilingual=1\n"
                          "PortId=vid=0403;pid=6001;serial=A%3B1;at=1-2\n")
            << "en" << true << "en"
            << "1"
            << "vid=0403;pid=6001;serial=A%3B1;at=1-2";
        QTest::newRow("unknown kept")
            << QByteArray("[Settings]\nLanguage=fr\nBilingual=yes\n") << "fr" << false << "fr"
            << "0"
            << "";
        QTest::newRow("empty: the system's")
            << QByteArray("[Settings]\nLanguage=\n") << "" << false << ""
            << "-"
            << "";
    }
    void languageKeys()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, language);
        QFETCH(bool, bilingual);
        QFETCH(QString, savedLanguage);
        QFETCH(QString, savedBilingual);
        QFETCH(QString, portId);
        writeIni(ini);
        {
            platform::IniSettingsStore store(iniPath());
            const Settings s = readSettings(store);
            QCOMPARE(s.language, language);
            QCOMPARE(s.bilingual, bilingual);
            QCOMPARE(s.portId, portId);
            writeSettings(s, store);
            QVERIFY(store.sync());
        }
        platform::IniSettingsStore again(iniPath());
        QCOMPARE(again.text("Settings", "Language").value_or("-"), savedLanguage);
        QCOMPARE(again.text("Settings", "Bilingual").value_or("-"), savedBilingual);
        QCOMPARE(again.text("Settings", "PortId").value_or(""), portId);
    }

    // [Site]: what a hand-edited group gives, and that a file without it stays without.
    void siteGroup_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QList<int>>("read"); // enabled, minutes, caution, stop, storm, hold
        QTest::addColumn<bool>("written");
        const QList<int> defaults{0, 10, 80, 100, 300, 10};
        QTest::newRow("no group") << QByteArray("[Settings]\nPort=1\n") << defaults << false;
        QTest::newRow("on, defaults")
            << QByteArray("[Site]\nEnabled=1\n") << QList<int>{1, 10, 80, 100, 300, 10} << true;
        QTest::newRow("all set")
            << QByteArray("[Site]\nEnabled=1\nMinutes=3\nCaution=7.5\nStop=12\nStorm=25.0\n"
                          "HoldMinutes=0\n")
            << QList<int>{1, 3, 75, 120, 250, 0} << true;
        QTest::newRow("out of range and garbage")
            << QByteArray("[Site]\nEnabled=yes\nMinutes=61\nCaution=-3\nStop=1.25\nStorm=abc\n"
                          "HoldMinutes=99\n")
            << defaults << true;
        QTest::newRow("off but present") << QByteArray("[Site]\nEnabled=0\nMinutes=5\n")
                                         << QList<int>{0, 5, 80, 100, 300, 10} << true;
        // The reports' site name, kept with the rule off and never switching it on.
        QTest::newRow("a name only")
            << QByteArray("[Site]\nName=第2工区 東棟\n") << defaults << false;
    }
    void siteGroup()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QList<int>, read);
        QFETCH(bool, written);
        writeIni(ini);
        platform::IniSettingsStore store(iniPath());
        const basSubMain::SiteSettings s = readSettings(store).site;
        QCOMPARE((QList<int>{s.enabled, s.minutes, s.caution, s.stop, s.storm, s.holdMinutes}),
                 read);
        Settings all = readSettings(store);
        writeSettings(all, store);
        QVERIFY(store.sync());
        platform::IniSettingsStore again(iniPath());
        QCOMPARE(again.text("Site", "Enabled").has_value(), written);
        QCOMPARE(readSettings(again).site, s);
        if (written)
            QCOMPARE(again.text("Site", "Caution"),
                     std::optional<QString>(meterlink::formatTenths(s.caution)));
        QCOMPARE(s.name.isEmpty(), !ini.contains("Name="));
    }

    // [Site] as a hand may write it: what cannot be used is named by its key, never taken
    // silently; with the rule off nothing is checked.
    void siteFileErrorNamesTheKey_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("error"); // its start; empty: none
        QTest::newRow("out of order")
            << QByteArray("[Site]\nEnabled=1\nCaution=20\nStop=10\nStorm=7.5\n")
            << "[Site] Caution=20: ";
        QTest::newRow("stop above storm")
            << QByteArray("[Site]\nEnabled=1\nStop=30\nStorm=25\n") << "[Site] Stop=30: ";
        QTest::newRow("not a speed")
            << QByteArray("[Site]\nEnabled=1\nStop=abc\n") << "[Site] Stop=abc: ";
        QTest::newRow("minutes out of range")
            << QByteArray("[Site]\nEnabled=1\nMinutes=61\n") << "[Site] Minutes=61: ";
        QTest::newRow("off") << QByteArray("[Site]\nEnabled=0\nCaution=20\nStop=10\n") << "";
        QTest::newRow("scaffold inspection")
            << QByteArray("[Site]\nEnabled=1\nScaffoldInspection=1\n") << "";
    }
    void siteFileErrorNamesTheKey()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, error);
        writeIni(ini);
        platform::IniSettingsStore store(iniPath());
        const QString said = basSubMain::siteFileError(store);
        QVERIFY2(error.isEmpty() ? said.isEmpty() : said.startsWith(error), qPrintable(said));
        QCOMPARE(readSettings(store).site.scaffold, ini.contains("ScaffoldInspection=1"));
    }

    void onlyTheProgramsOwnFileIsRead()
    {
        // Decoys in every place QSettings would fall back to: the user's organisation file,
        // and the system-wide application and organisation files.
        QTemporaryDir user, system;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, user.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, system.path());
        auto write = [](const QString &path, const QByteArray &text) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        const QByteArray decoy =
            "[Settings]\nComSt=4800,e,7,2\nfName=/decoy/x.csv\nfOut=3\nfTime=7\n"
            "[Ports]\nCOM1=/dev/decoy\n";
        write(user.filePath("QV475_XP.ini"), decoy);
        write(system.filePath("QV475_XP/QV475_XP.ini"), decoy);
        write(system.filePath("QV475_XP.ini"), decoy);
        write(user.filePath("QV475_XP/QV475_XP.ini"), "[Settings]\nPort=3\n");

        platform::IniSettingsStore store;
        QCOMPARE(QFileInfo(store.location()).canonicalFilePath(),
                 QFileInfo(user.filePath("QV475_XP/QV475_XP.ini")).canonicalFilePath());
        LoadSettings(store);
        QCOMPARE(gPort, qint16(3));
        QCOMPARE(gComSt, kDefaultComSt);
        QCOMPARE(gFName, QString());
        QCOMPARE(gFOut, Settings{}.fOut);
        QCOMPARE(gFTime, Settings{}.fTime);
        QVERIFY(!store.text("Ports", "COM1"));
    }

    void portsGroupIsNeverWritten()
    {
        writeIni("[Ports]\nCOM3=/dev/pts/9\n");
        platform::IniSettingsStore store(iniPath());
        LoadSettings(store);
        SaveSettings(store, fromGlobals());
        QVERIFY(store.sync());
        QVERIFY(readIni().contains(QStringLiteral("COM3=/dev/pts/9")));
    }
};

QTEST_GUILESS_MAIN(TstSettings)
#include "tst_settings.moc"
