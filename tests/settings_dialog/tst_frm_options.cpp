// The settings dialog driven as a user would: focus changes, keys, clicks, and the
// file dialog through a scripted stand-in.
#include "base/globals.h"
#include "layout_check.h"
#include "platform/file_dialog.h"
#include "settings_dialog/frm_options.h"
#include "settings_globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace basSubMain;

namespace {
struct FakeFileDialog : platform::FileDialog {
    std::optional<QString> getOpenFileName(QWidget *, const QString &title,
                                           const QStringList &filters,
                                           const QString &initialFolder) override
    {
        calls << QStringList{title, filters.join('|'), initialFolder};
        return answer;
    }
    QList<QStringList> calls;
    std::optional<QString> answer;
};
} // namespace

class TstFrmOptions : public QObject
{
    Q_OBJECT
    FakeFileDialog files;
    std::unique_ptr<frmOptions> dlg;

    void open()
    {
        basSubMain::Settings given = settingsFromGlobals();
        given.portId = portId;
        dlg = std::make_unique<frmOptions>(
            given, &files, [](int n) { return QStringLiteral("/dev/fake%1").arg(n); });
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmbPort));
    }
    QString portId; // the adapter of the given port
    void setPorts(QList<qint16> ports)
    {
        gPortList.fill(0);
        for (qsizetype i = 0; i < ports.size(); ++i)
            gPortList[size_t(i)] = ports[i];
    }
    void focus(QWidget *w)
    {
        w->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w);
    }
    void enter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }
    QStringList items(QComboBox *c)
    {
        QStringList l;
        for (int i = 0; i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    }
    QList<bool> boxes()
    {
        QList<bool> b;
        for (QCheckBox *c : dlg->chkFile)
            b << c->isChecked();
        return b;
    }

private slots:
    void init()
    {
        resetGlobals();
        frmOptions::resetState();
        setPorts({1, 2, 3});
        files = FakeFileDialog();
    }
    void cleanup()
    {
        dlg.reset();
        portId.clear();
    }

    void openingState()
    {
        open();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("設定操作"));
        QCOMPARE(dlg->property("twipsWidth").toDouble(), 6255.0);
        QCOMPARE(dlg->property("twipsHeight").toDouble(), 5565.0);
        QCOMPARE(dlg->tbsOptions->tabText(0), QStringLiteral("通信設定"));
        QCOMPARE(dlg->tbsOptions->tabText(1), QStringLiteral("出力設定"));
        QCOMPARE(dlg->tbsOptions->currentIndex(), 0);
        QVERIFY(!dlg->cmdApply->isEnabled());
        QVERIFY(dlg->cmdOK->isEnabled());
        QCOMPARE(dlg->cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QCOMPARE(dlg->cmdApply->text(), QStringLiteral("適用"));
        QCOMPARE(items(dlg->cmbSpeed), (QStringList{"9600", "19200", "38400"}));
        QCOMPARE(dlg->cmbTime->count(), 600);
        QCOMPARE(dlg->cmbTime->itemText(0), QStringLiteral("1秒"));
        QCOMPARE(dlg->cmbTime->itemText(599), QStringLiteral("600秒"));
        QCOMPARE(dlg->cmbTime->currentText(), QStringLiteral("600秒"));
        QCOMPARE(boxes(), QList<bool>(5, true));
        QCOMPARE(dlg->cmbPort->itemData(1, Qt::ToolTipRole).toString(),
                 QStringLiteral("/dev/fake2"));
        // Texts as the user sees them, leading blanks included.
        const QMap<QString, QString> texts = {
            {"lblMessage(0)", "  ｺﾝﾋﾟｭｰﾀのｼﾘｱﾙﾎﾟｰﾄの設定を行います。"},
            {"lblTaitle(0)", "接続ﾎﾟｰﾄ："},
            {"Label1", " 8 ﾋﾞｯﾄ"},
            {"Label3", " なし"},
            {"Label4", " 1 ﾋﾞｯﾄ"},
            {"lblMessage(5)", "  少なくとも一つは選択してください。"},
            {"lblTaitle(6)", "出力時間間隔："},
        };
        for (auto it = texts.begin(); it != texts.end(); ++it) {
            auto *l = dlg->findChild<QLabel *>(it.key());
            QVERIFY2(l, qPrintable(it.key()));
            QCOMPARE(l->text(), it.value());
        }
        QCOMPARE(dlg->chkFileOf(4)->text(), QStringLiteral("瞬間最大風速"));
        QCOMPARE(dlg->findChild<QWidget *>("picOptions(1)")->property("twipsGeometry").toRect(),
                 QRect(6120, 480, 5685, 3795));
    }

    void portSelection_data()
    {
        QTest::addColumn<QList<qint16>>("ports");
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("stored");
        QTest::newRow("listed port")
            << QList<qint16>{1, 3, 4} << 3 << QStringList{"COM1", "COM3", "COM4"} << "COM3" << 3;
        QTest::newRow("missing port takes lowest")
            << QList<qint16>{1, 3, 4} << 2 << QStringList{"COM1", "COM3", "COM4"} << "COM1" << 1;
        QTest::newRow("above 16") << QList<qint16>{5} << 40 << QStringList{"COM5"} << "COM5" << 5;
        QTest::newRow("no usable port keeps the port")
            << QList<qint16>{} << 7 << QStringList{} << "" << 7;
        QList<qint16> all;
        QStringList names;
        for (qint16 i = 1; i <= 16; ++i) {
            all << i;
            names << QStringLiteral("COM%1").arg(i);
        }
        QTest::newRow("sixteen ports") << all << 16 << names << "COM16" << 16;
    }
    void portSelection()
    {
        QFETCH(QList<qint16>, ports);
        QFETCH(int, port);
        setPorts(ports);
        QFETCH(int, stored);
        gPort = qint16(port);
        portId = QStringLiteral("vid=0403;pid=6001;serial=A1");
        open();
        QTEST(items(dlg->cmbPort), "listed");
        QTEST(dlg->cmbPort->currentText(), "selected");
        dlg->cmdOK->click();
        QCOMPARE(int(dlg->settings().port), stored);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        // Another port is another adapter, identified when it is opened.
        QCOMPARE(dlg->settings().portId, stored == port ? portId : QString());
    }

    void speedSelection_data()
    {
        QTest::addColumn<QString>("comSt");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("count");
        QTest::newRow("default") << "9600,n,8,1"
                                 << "9600" << 3;
        QTest::newRow("19200") << "19200,n,8,1"
                               << "19200" << 3;
        QTest::newRow("unlisted speed kept") << "4800,n,8,1"
                                             << "4800" << 4;
        QTest::newRow("no comma") << "57600"
                                  << "57600" << 4;
    }
    void speedSelection()
    {
        QFETCH(QString, comSt);
        QFETCH(QString, selected);
        gComSt = comSt;
        open();
        QCOMPARE(dlg->cmbSpeed->currentText(), selected);
        QTEST(dlg->cmbSpeed->count(), "count");
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().comSt, selected + ",n,8,1");
    }

    void okWithoutChangesStoresSameValues()
    {
        gPort = 2;
        gFName = "/data/wind.csv";
        gFOut = 5;
        gFTime = 30;
        open();
        QCOMPARE(boxes(), (QList<bool>{true, false, true, false, false}));
        QVERIFY(!dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(std::make_tuple(dlg->settings().port, dlg->settings().comSt, dlg->settings().fName,
                                 dlg->settings().fOut, dlg->settings().fTime),
                 std::make_tuple(qint16(2), QString("9600,n,8,1"), QString("/data/wind.csv"),
                                 qint16(5), qint16(30)));
    }

    void storedIntervals_data()
    {
        QTest::addColumn<int>("fTime");
        QTest::addColumn<int>("fOut");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("storedTime");
        QTest::addColumn<int>("storedOut");
        QTest::newRow("600") << 600 << 31 << 599 << 600 << 31;
        QTest::newRow("1") << 1 << 31 << 0 << 1 << 31;
        QTest::newRow("0: none selected") << 0 << 6 << -1 << 0 << 6;
        QTest::newRow("601: failure") << 601 << 6 << -1 << 0 << 31;
        QTest::newRow("negative: failure") << -5 << 2 << -1 << 0 << 31;
        QTest::newRow("mask without columns") << 10 << 32 << 9 << 10 << 31;
    }
    void storedIntervals()
    {
        QFETCH(int, fTime);
        QFETCH(int, fOut);
        gFTime = qint16(fTime);
        gFOut = qint16(fOut);
        open();
        QTEST(dlg->cmbTime->currentIndex(), "index");
        QVERIFY(dlg->cmdOK->isEnabled());
        QVERIFY(!dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QTEST(int(dlg->settings().fTime), "storedTime");
        QTEST(int(dlg->settings().fOut), "storedOut");
    }

    void changeTrackingOnPortAndSpeed()
    {
        open();
        // Choosing another port and the first again before leaving enables nothing.
        QTest::keyClick(dlg->cmbPort, Qt::Key_Down);
        QTest::keyClick(dlg->cmbPort, Qt::Key_Up);
        focus(dlg->cmbSpeed);
        QVERIFY(!dlg->cmdApply->isEnabled());
        // Changing the speed and leaving the list enables Apply.
        QTest::keyClick(dlg->cmbSpeed, Qt::Key_Down);
        focus(dlg->cmbPort);
        QVERIFY(dlg->cmdApply->isEnabled());
        QTest::keyClick(dlg->cmbPort, Qt::Key_Down);
        dlg->cmdApply->click();
        QCOMPARE(dlg->settings().comSt, QStringLiteral("19200,n,8,1"));
        QCOMPARE(dlg->settings().port, qint16(2));
        QVERIFY(dlg->cmdApply->isEnabled());
        QVERIFY(dlg->isVisible());
    }

    void reconnectChoice_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void reconnectChoice()
    {
        QFETCH(bool, stored);
        gReconnect = stored;
        open();
        QCheckBox *box = dlg->findChild<QCheckBox *>(QStringLiteral("chkReconnect"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("自動再接続"));
        QCOMPARE(box->isChecked(), stored);
        // On the communication page, inside it, below the stop-bits row.
        QCOMPARE(box->parentWidget()->objectName(), QStringLiteral("picOptions(0)"));
        QVERIFY(box->parentWidget()->rect().contains(box->geometry()));
        QVERIFY(box->property("twipsGeometry").toRect().top() >= 3120 + 300);
        QVERIFY(!dlg->cmdApply->isEnabled());
        box->click();
        QVERIFY(dlg->cmdApply->isEnabled());
        QCOMPARE(dlg->settings().reconnect, stored); // not yet stored
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().reconnect, !stored);
    }

    // The display page: the language as the file has it, changed only when one is chosen
    // (a value the program does not know is kept), and both languages for the site's words.
    void languageChoice_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("choose"); // -1: left as shown
        QTest::addColumn<QString>("applied");
        QTest::newRow("the system's to English") << "" << 0 << 2 << "en";
        QTest::newRow("English to the system's") << "en" << 2 << 0 << "";
        QTest::newRow("Japanese kept") << "ja" << 1 << -1 << "ja";
        QTest::newRow("unknown kept") << "fr" << 0 << -1 << "fr";
    }
    void languageChoice()
    {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        QFETCH(int, choose);
        QFETCH(QString, applied);
        basSubMain::Settings settings = settingsFromGlobals();
        settings.language = stored;
        dlg = std::make_unique<frmOptions>(settings, &files, nullptr);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        dlg->tbsOptions->setCurrentIndex(3);
        auto *combo = dlg->findChild<QComboBox *>(QStringLiteral("cmbLanguage"));
        auto *both = dlg->findChild<QCheckBox *>(QStringLiteral("chkBilingual"));
        QVERIFY(combo && both);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(combo));
        QCOMPARE(items(combo), (QStringList{QStringLiteral("ｼｽﾃﾑに合わせる"),
                                            QStringLiteral("日本語"), "English"}));
        QCOMPARE(combo->currentIndex(), shown);
        QVERIFY(!both->isChecked());
        if (choose >= 0)
            combo->setCurrentIndex(choose);
        both->click();
        QVERIFY(dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().language, applied);
        QVERIFY(dlg->settings().bilingual);
    }

    void applyThenCancelKeepsApplied()
    {
        open();
        focus(dlg->cmbSpeed);
        QTest::keyClick(dlg->cmbSpeed, Qt::Key_Down);
        focus(dlg->cmbPort);
        dlg->cmdApply->click();
        QTest::keyClick(dlg->cmbSpeed, Qt::Key_Down);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QCOMPARE(dlg->settings().comSt, QStringLiteral("19200,n,8,1"));
    }

    void fileNameTracking()
    {
        gFName = "abc.csv";
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->txtFileName));
        QCoreApplication::processEvents();
        QCOMPARE(dlg->txtFileName->selectedText(), QStringLiteral("abc.csv"));
        // Typing and restoring the former text before leaving enables nothing.
        QTest::keyClicks(dlg->txtFileName, "x");
        QTest::keyClick(dlg->txtFileName, Qt::Key_Backspace);
        QTest::keyClicks(dlg->txtFileName, "abc.csv");
        focus(dlg->cmbTime);
        QVERIFY(!dlg->cmdApply->isEnabled());
        focus(dlg->txtFileName);
        QTest::keyClicks(dlg->txtFileName, "/new.csv");
        focus(dlg->cmbTime);
        QVERIFY(dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().fName, QStringLiteral("/new.csv"));
    }

    void intervalHasNoChangeTracking()
    {
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        focus(dlg->cmbTime);
        QTest::keyClick(dlg->cmbTime, Qt::Key_Up);
        focus(dlg->chkFile[0]);
        focus(dlg->txtFileName);
        QVERIFY(!dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().fTime, qint16(599));
    }

    void columnRule()
    {
        gFOut = 1;
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        QCOMPARE(boxes(), (QList<bool>{true, false, false, false, false}));
        // Unchecking the last box disables OK and Apply; Cancel still works.
        dlg->chkFileOf(1)->click();
        QVERIFY(!dlg->cmdOK->isEnabled());
        QVERIFY(!dlg->cmdApply->isEnabled());
        QVERIFY(dlg->cmdCancel->isEnabled());
        // Re-checking it gives the stored mask again: OK back, Apply still off.
        dlg->chkFileOf(1)->click();
        QVERIFY(dlg->cmdOK->isEnabled());
        QVERIFY(!dlg->cmdApply->isEnabled());
        dlg->chkFileOf(16)->click();
        QVERIFY(dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().fOut, qint16(17));
    }

    void enterChain()
    {
        open();
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmbSpeed));
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmdOK));
        dlg->tbsOptions->setCurrentIndex(1);
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmbTime));
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->chkFileOf(1)));
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmdOK));
        // Enter on OK presses it.
        gFTime = 5;
        enter();
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
    }

    void enterStaysWhenOkIsDisabled()
    {
        gFOut = 2;
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        focus(dlg->chkFileOf(2));
        QTest::keyClick(dlg->chkFileOf(2), Qt::Key_Space);
        QVERIFY(!dlg->cmdOK->isEnabled());
        enter();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->chkFileOf(2)));
        QVERIFY(dlg->isVisible());
    }

    void workableFromTheKeyboard()
    {
        gFName = "keep.csv";
        open();
        auto press = [](QKeyCombination k) {
            QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
        };
        // Tab goes round the page in view only, in its order, then the buttons and the
        // tab strip; typing never reaches the page that is not shown.
        QList<QWidget *> visited;
        for (int i = 0; i < 6; ++i) {
            press(Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited,
                 (QList<QWidget *>{dlg->cmbSpeed, dlg->chkReconnect, dlg->cmdOK, dlg->cmdCancel,
                                   dlg->tbsOptions->tabBar(), dlg->cmbPort}));
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "zzz");
        QCOMPARE(dlg->txtFileName->text(), QStringLiteral("keep.csv"));
        // Ctrl+Tab and Ctrl+PageDown turn the page, from any control, and back again.
        press(Qt::CTRL | Qt::Key_Tab);
        QCOMPARE(dlg->tbsOptions->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->txtFileName));
        press(Qt::CTRL | Qt::Key_PageDown);
        QCOMPARE(dlg->tbsOptions->currentIndex(), 2);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->chkSite));
        press(Qt::CTRL | Qt::Key_PageUp);
        QCOMPARE(dlg->tbsOptions->currentIndex(), 1);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmdDirFile));
        // The focus is drawn: a ring in the highlight colour round the control.
        auto *ring = dlg->findChild<QWidget *>("focusRing");
        QVERIFY(ring && ring->isVisible());
        QVERIFY(ring->geometry().contains(
            QRect(dlg->cmdDirFile->mapTo(dlg.get(), QPoint()), dlg->cmdDirFile->size())));
        const QImage img = dlg->grab().toImage();
        const QColor highlight = dlg->palette().color(QPalette::Highlight);
        const QRect r = ring->geometry();
        int ringPixels = 0;
        for (int x = r.left(); x <= r.right(); ++x)
            ringPixels += img.pixelColor(x, r.top()).rgb() == highlight.rgb();
        QVERIFY2(ringPixels >= r.width() - 2, qPrintable(QString::number(ringPixels)));
    }

    void pageSwitching()
    {
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        auto *p0 = dlg->picOptions[0];
        auto *p1 = dlg->picOptions[1];
        QCOMPARE(p1->property("twipsGeometry").toRect().left(), 240);
        QCOMPARE(p0->property("twipsGeometry").toRect().left(), -20000);
        QVERIFY(p1->isEnabled() && !p0->isEnabled());
        dlg->tbsOptions->setCurrentIndex(0);
        QCOMPARE(p0->property("twipsGeometry").toRect().left(), 240);
        QVERIFY(!p1->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->cmbPort));
    }

    void browse()
    {
        gFName = "old.csv";
        open();
        dlg->tbsOptions->setCurrentIndex(1);
        // Cancelled: nothing changes.
        dlg->cmdDirFile->click();
        QCOMPARE(dlg->txtFileName->text(), QStringLiteral("old.csv"));
        QVERIFY(!dlg->cmdApply->isEnabled());
        QCOMPARE(files.calls.size(), 1);
        QCOMPARE(files.calls[0],
                 (QStringList{"開く", "csvﾌｧｲﾙ(*.csv)|すべてのﾌｧｲﾙ (*.*)", QDir::currentPath()}));
        // Chosen, even the same name: the path goes in and Apply is enabled.
        files.answer = "/data/wind.csv";
        dlg->cmdDirFile->click();
        QCOMPARE(dlg->txtFileName->text(), QDir::toNativeSeparators("/data/wind.csv"));
        QVERIFY(dlg->cmdApply->isEnabled());
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().fName, QDir::toNativeSeparators("/data/wind.csv"));
    }

    // The site page: its values from the settings, editable only while on, thresholds
    // that do not rise from caution to stop to storm refused, OK bringing the rest back.
    void sitePage()
    {
        open();
        dlg->tbsOptions->setCurrentIndex(2);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg->chkSite));
        QStringList overlaps = overlapping(dlg->picOptions[2]);
        for (int page : {0, 1, 3}) {
            dlg->tbsOptions->setCurrentIndex(page);
            overlaps << cutLabels(dlg->picOptions[size_t(page)]);
        }
        dlg->tbsOptions->setCurrentIndex(2);
        QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(" | ")));
        QVERIFY(!dlg->chkSite->isChecked());
        QVERIFY(!dlg->spnStop->isEnabled());
        dlg->chkSite->click();
        QVERIFY(dlg->spnStop->isEnabled());
        QVERIFY(dlg->cmdApply->isEnabled());
        QCOMPARE(dlg->spnStop->value(), 10.0);
        dlg->spnStop->setValue(7.0); // below caution
        QVERIFY(!dlg->cmdOK->isEnabled());
        QVERIFY(!dlg->cmdApply->isEnabled());
        QVERIFY(!dlg->lblSiteError->text().isEmpty());
        dlg->spnStop->setValue(12.5);
        dlg->spnSiteMinutes->setValue(3);
        QVERIFY(dlg->cmdOK->isEnabled());
        QVERIFY(dlg->lblSiteError->text().isEmpty());
        dlg->chkScaffold->click();
        dlg->cmdOK->click();
        const basSubMain::SiteSettings site = dlg->settings().site;
        QCOMPARE(site, (basSubMain::SiteSettings{true, 3, 80, 125, 300, 10, {}, true}));
    }

    // Thresholds from the file that cannot be used: the dialog opens on the site page,
    // which says why, and keeps the site's name.
    void sitePageFirstWhenTheFileIsWrong()
    {
        Settings bad = settingsFromGlobals();
        bad.site = {true, 10, 200, 100, 75, 10, QStringLiteral("東棟")};
        dlg = std::make_unique<frmOptions>(bad, &files, [](int n) { return QString::number(n); });
        QCOMPARE(dlg->tbsOptions->currentIndex(), 2);
        QVERIFY(!dlg->lblSiteError->text().isEmpty());
        dlg->spnCaution->setValue(8.0);
        dlg->spnStop->setValue(10.0);
        dlg->spnStorm->setValue(30.0);
        dlg->cmdOK->click();
        QCOMPARE(dlg->settings().site.name, QStringLiteral("東棟"));
        QCOMPARE(dlg->settings().site.storm, 300);
    }

    void closeBoxCancels()
    {
        open();
        QTest::keyClick(dlg->cmbSpeed, Qt::Key_Down);
        dlg->close();
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QCOMPARE(dlg->settings().comSt, QStringLiteral("9600,n,8,1"));
    }
};

QTEST_MAIN(TstFrmOptions)
#include "tst_frm_options.moc"
