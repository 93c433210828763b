// The version dialog, its history and the system-information button over a scripted
// registry, file test and launcher.
#include "fakes.h"
#include "info/frm_about.h"
#include "info/manual.h"
#include "platform/launcher.h"
#include "platform/registry.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
struct FakeRegistry : platform::Registry {
    struct Value {
        quint32 type;
        QByteArray data;
    };
    QMap<QString, QMap<QString, Value>> keys; // key name -> value name -> value
    QStringList openedKeys;
    int open = 0;
    QList<quint32> accessMasks;

    long openKey(Key root, const QString &subKey, quint32 access, Key *result) override
    {
        accessMasks << access;
        if (root != kLocalMachine || !keys.contains(subKey))
            return 2;
        openedKeys << subKey;
        ++open;
        *result = Key(openedKeys.size());
        return kSuccess;
    }
    long queryValue(Key key, const QString &name, quint32 *type, QByteArray *data,
                    int capacity) override
    {
        const auto &values = keys[openedKeys.at(int(key) - 1)];
        if (!values.contains(name))
            return 2;
        *type = values[name].type;
        *data = values[name].data.left(capacity);
        return kSuccess;
    }
    long closeKey(Key) override
    {
        --open;
        return kSuccess;
    }
};

struct FakeLauncher : platform::Launcher {
    bool fileExists(const QString &path) const override { return files.contains(path); }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started << (QStringList{program} + arguments);
        return !program.isEmpty();
    }
    bool openUrl(const QUrl &url) override
    {
        opened << url;
        return true;
    }
    QSet<QString> files;
    QList<QUrl> opened;
    QList<QStringList> started;
};

const QString kMsinfo = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocation = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
} // namespace

class TstFrmAbout : public QObject
{
    Q_OBJECT
    FakeRegistry registry;
    FakeLauncher launcher;
    fakes::MessageBox boxes;

    std::unique_ptr<frmAbout> open()
    {
        return std::make_unique<frmAbout>(&registry, &launcher, &boxes);
    }
    void expectNotAvailable()
    {
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("QV475_XP"));
        QCOMPARE(boxes.shown[0].icon, platform::MessageBox::Icon::None);
        QCOMPARE(boxes.shown[0].buttons, platform::MessageBox::Buttons::Ok);
    }

private slots:
    // F1's manual: the English one where there is one, the installed documents on Linux,
    // beside the program on Windows, the build's folder; a box when there is none.
    void theManualIsFound_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("opened"); // empty: none, said in a box
        const QString installed = u"/usr/share/doc/qv475/manual.html"_s;
        QTest::newRow("installed") << QStringList{installed} << false << installed;
        QTest::newRow("beside the program") << QStringList{u"/usr/bin/manual.html"_s, installed}
                                            << false << u"/usr/bin/manual.html"_s;
        QTest::newRow("English asked, none") << QStringList{installed} << true << installed;
        QTest::newRow("English") << QStringList{installed, u"/usr/share/doc/qv475/manual.en.html"_s}
                                 << true << u"/usr/share/doc/qv475/manual.en.html"_s;
        QTest::newRow("the build's")
            << QStringList{u"/usr/manual/manual.html"_s} << false << u"/usr/manual/manual.html"_s;
        QTest::newRow("none") << QStringList{} << false << QString();
    }
    void theManualIsFound()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, english);
        QFETCH(QString, opened);
        FakeLauncher l;
        l.files = QSet<QString>(files.begin(), files.end());
        fakes::MessageBox box;
        QCOMPARE(manual::open(l, box, nullptr, u"/usr/bin"_s, english, u"settings"_s),
                 !opened.isEmpty());
        if (opened.isEmpty()) {
            QVERIFY(l.opened.isEmpty());
            QCOMPARE(box.shown.size(), 1);
            return;
        }
        QCOMPARE(l.opened, (QList<QUrl>{QUrl(u"file://"_s + opened + u"#settings"_s)}));
    }

    void init()
    {
        registry = FakeRegistry();
        launcher = FakeLauncher();
        boxes = fakes::MessageBox();
    }

    void texts()
    {
        auto dlg = open();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(dlg->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.0.4"));
        QCOMPARE(dlg->lblTitle->text(), QStringLiteral("QV-475簡易ソフト for WindowsXP"));
        QVERIFY(!dlg->lblDescription->text().isEmpty());
        QCOMPARE(dlg->cmdSysInfo->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
        QCOMPARE(dlg->cndVer->text(), QStringLiteral("履歴"));
        QVERIFY(!dlg->picIcon->pixmap().isNull());
    }

    void historyFreshAtEachOpening()
    {
        const QStringList expected = {
            " Ver履歴",
            " ---------------------------------------------------------",
            " Ver1.00  2011/05/06",
            "   ●テスト版",
            " ---------------------------------------------------------",
            " Ver1.01  2011/06/14",
            "   ●初版",
            " ---------------------------------------------------------",
            " Ver1.02  2012/02/24",
            "   ●警報表示機能追加。",
            " ---------------------------------------------------------",
            " Ver1.03  2013/05/17",
            "   ●ﾌｧｲﾙ名に日付けをつけて上書きをしないように修正。",
            " ---------------------------------------------------------",
            " Ver1.04  2013/12/04",
            "   ●出力時間間隔が60秒以下の設定の時の不具合を修正。",
        };
        for (int opening = 0; opening < 2; ++opening) {
            auto dlg = open();
            dlg->show();
            QVERIFY(!dlg->lstVer->isVisible());
            QStringList lines;
            for (int i = 0; i < dlg->lstVer->count(); ++i)
                lines << dlg->lstVer->item(i)->text();
            QCOMPARE(lines, expected);
            QCOMPARE(dlg->lstVer->property("twipsGeometry").toRect(), QRect(120, 120, 5535, 1320));
            dlg->cndVer->click();
            dlg->cndVer->click();
            QVERIFY(dlg->lstVer->isVisible());
            // Every line in view is whole, at the top and scrolled to the end.
            QListWidget *list = dlg->lstVer;
            for (bool end : {false, true}) {
                if (end)
                    list->scrollToBottom();
                const QRect view = list->viewport()->rect();
                int whole = 0;
                for (int i = 0; i < list->count(); ++i) {
                    const QRect r = list->visualItemRect(list->item(i));
                    if (!r.intersects(view))
                        continue;
                    QVERIFY2(view.contains(r), qPrintable(list->item(i)->text()));
                    ++whole;
                }
                QVERIFY(whole >= 4);
                if (end)
                    QVERIFY(view.contains(list->visualItemRect(list->item(list->count() - 1))));
            }
            dlg->cmdOK->click();
            QVERIFY(!dlg->isVisible());
        }
    }

    void sysInfo_data()
    {
        QTest::addColumn<bool>("pathKey");
        QTest::addColumn<quint32>("pathType");
        QTest::addColumn<bool>("locationKey");
        QTest::addColumn<bool>("toolFile");
        QTest::addColumn<QString>("started"); // empty: the not-available message
        QTest::newRow("first location")
            << true << 1u << false << false << "C:\\Tools\\msinfo32.exe";
        QTest::newRow("second location with the tool")
            << false << 0u << true << true << "C:\\Shared\\MSINFO32.EXE";
        QTest::newRow("second location without the tool") << false << 0u << true << false << "";
        QTest::newRow("neither") << false << 0u << false << false << "";
        QTest::newRow("PATH not a string") << true << 3u << true << true << "";
    }
    void sysInfo()
    {
        QFETCH(bool, pathKey);
        QFETCH(quint32, pathType);
        QFETCH(bool, locationKey);
        QFETCH(bool, toolFile);
        QFETCH(QString, started);
        if (pathKey)
            registry.keys[kMsinfo]["PATH"] = {pathType,
                                              QByteArray("C:\\Tools\\msinfo32.exe\0junk", 26)};
        if (locationKey)
            registry.keys[kLocation]["MSINFO"] = {1, "C:\\Shared"};
        if (toolFile)
            launcher.files << "C:\\Shared\\MSINFO32.EXE";
        auto dlg = open();
        dlg->cmdSysInfo->click();
        if (started.isEmpty()) {
            expectNotAvailable();
        } else {
            QCOMPARE(boxes.shown.size(), 0);
            QCOMPARE(launcher.started.last(), QStringList{started});
        }
        QCOMPARE(registry.open, 0); // every opened key was closed
        // Read access only (KEY_READ): a normal user is refused full access.
        for (quint32 mask : registry.accessMasks)
            QCOMPARE(mask, 0x20019u);
    }

    void getKeyValue_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("value");
        QTest::newRow("string cut at NUL") << 1u << QByteArray("abc\0def", 7) << "abc";
        QTest::newRow("number") << 4u << QByteArray("\x10\x27\0\0", 4) << "10000";
        QTest::newRow("other type keeps the text") << 3u << QByteArray("xyz") << "before";
    }
    void getKeyValue()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        registry.keys["K"]["V"] = {type, data};
        QString value = "before";
        QVERIFY(GetKeyValue(registry, platform::Registry::kLocalMachine, "K", "V", value));
        QTEST(value, "value");
        // Missing key or value: false and an empty text.
        value = "x";
        QVERIFY(!GetKeyValue(registry, platform::Registry::kLocalMachine, "K", "missing", value));
        QCOMPARE(value, QString());
        value = "x";
        QVERIFY(!GetKeyValue(registry, platform::Registry::kLocalMachine, "nokey", "V", value));
        QCOMPARE(value, QString());
        QCOMPARE(registry.open, 0);
    }

    void linuxStandInFindsTheTool()
    {
#ifdef Q_OS_LINUX
        QTemporaryDir bin;
        const QString tool = bin.filePath("kinfocenter");
        QFile f(tool);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        platform::SystemRegistry reg;
        QString value;
        const bool ok = GetKeyValue(reg, platform::Registry::kLocalMachine, kMsinfo, "PATH", value);
        qputenv("PATH", "/nonexistent");
        QString none;
        const bool notFound =
            !GetKeyValue(reg, platform::Registry::kLocalMachine, kMsinfo, "PATH", none);
        qputenv("PATH", oldPath);
        QVERIFY(ok);
        QCOMPARE(value, tool);
        QVERIFY(notFound);
        QVERIFY(!GetKeyValue(reg, platform::Registry::kLocalMachine, kLocation, "MSINFO", none));
#endif
    }
};

QTEST_MAIN(TstFrmAbout)
#include "tst_frm_about.moc"
