// The interface in English: every window and dialog opened with Language=en shows no
// Japanese but the files' and the meter's own words, and the captions fit their boxes.
#include "base/globals.h"
#include "base/language.h"
#include "display/dlg_inspection.h"
#include "display/frm_history.h"
#include "display/frm_main.h"
#include "display/frm_trend.h"
#include "display/reading_panel.h"
#include "display/status_texts.h"
#include "display/trend_chart.h"
#include "fakes.h"
#include "info/frm_about.h"
#include "known_day.h"
#include "layout_check.h"
#include "platform/file_dialog.h"
#include "platform/state_file.h"
#include "platform/whole_file.h"
#include "settings_dialog/frm_options.h"
#include "settings_globals.h"
#include "strip_picture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using namespace basSubMain;

namespace {

// Kana and kanji, full width and half width.
const QRegularExpression kJapanese(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{3400}-\\x{9fff}"
                                                  "\\x{ff61}-\\x{ff9f}]"));

// Every text a person can see in the widget and its children: captions, tips, window
// titles, menus, list and combo items.
QStringList visibleTexts(QWidget *top)
{
    QStringList out{top->windowTitle()};
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets << top;
    for (QWidget *w : widgets) {
        out << w->toolTip();
        if (auto *l = qobject_cast<QLabel *>(w))
            out << l->text();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            out << b->text();
        if (auto *g = qobject_cast<QGroupBox *>(w))
            out << g->title();
        if (auto *t = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < t->count(); ++i)
                out << t->tabText(i);
        if (auto *c = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        if (auto *view = qobject_cast<QAbstractItemView *>(w); view && view->model()) {
            const QAbstractItemModel *m = view->model();
            for (int c = 0; c < m->columnCount(); ++c)
                out << m->headerData(c, Qt::Horizontal).toString();
            for (int r = 0; r < m->rowCount(); ++r)
                for (int c = 0; c < m->columnCount(); ++c)
                    out << m->index(r, c).data().toString();
        }
        if (auto *e = qobject_cast<QTextEdit *>(w))
            out << e->toPlainText();
        if (auto *s = qobject_cast<QStatusBar *>(w))
            out << s->currentMessage();
        for (QAction *a : w->actions())
            out << a->text() << a->toolTip();
    }
    for (QAction *a : top->findChildren<QAction *>())
        out << a->text() << a->toolTip();
    return out;
}

// The texts with Japanese in them, but for the words allowed: the program's name on the
// meter's own display and a person's name typed in.
QStringList japaneseIn(const QStringList &texts, const QStringList &allowed = {})
{
    QStringList found;
    for (QString t : texts) {
        for (const QString &a : allowed)
            t.remove(a);
        if (t.contains(kJapanese))
            found << t;
    }
    return found;
}

struct FileDialog : platform::FileDialog {
    std::optional<QString> getOpenFileName(QWidget *, const QString &, const QStringList &,
                                           const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> getSaveFileName(QWidget *, const QString &, const QStringList &,
                                           const QString &) override
    {
        return std::nullopt;
    }
};

// The labels and buttons whose one-line text is wider than the room they have.
QStringList cutTexts(QWidget *top)
{
    QStringList cut;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!w->isVisible())
            continue;
        QString text;
        int room = 0;
        if (auto *l = qobject_cast<QLabel *>(w);
            l && !l->wordWrap() && l->pixmap().isNull() && !Qt::mightBeRichText(l->text())) {
            text = l->text();
            room = l->contentsRect().width();
        } else if (auto *b = qobject_cast<QAbstractButton *>(w); b && !b->text().isEmpty()) {
            text = b->text();
            room = b->width() - 6; // the frame and a little margin
        }
        text.remove(QLatin1Char('&'));
        for (const QString &line : text.split(QLatin1Char('\n')))
            if (!line.isEmpty() && w->fontMetrics().horizontalAdvance(line) > room)
                cut << QStringLiteral("%1 \"%2\" (%3 px in %4)")
                           .arg(w->objectName(), line)
                           .arg(w->fontMetrics().horizontalAdvance(line))
                           .arg(room);
    }
    return cut;
}

QByteArray frame(const char *a, const char *b, const char *c, const char *d)
{
    return QByteArray("\x02") + a + ',' + b + ',' + c + ',' + d + ",0,0\r";
}

// The main window with the site's rule on, shown, its state file holding `state` (none:
// empty).
struct SiteWindow {
    fakes::World world;
    QTemporaryDir dir;
    platform::StateFile latch{dir.filePath("site.ini")};
    std::unique_ptr<frmMain> w;
    explicit SiteWindow(const QByteArray &state = {})
    {
        resetGlobals();
        if (!state.isEmpty())
            latch.write(state, nullptr);
        platform::Services services = world.services();
        services.latchFile = &latch;
        w = std::make_unique<frmMain>(services, frmMain::Windows{});
        Settings on = settingsFromGlobals();
        on.site = {true, 10, 80, 100, 300, 10, {}};
        w->session().setSettings(on);
        w->show();
    }
};

} // namespace

class TstEnglish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(language::install(language::Language::English)); }

    // The language the settings and the system ask for.
    void languageChosen_data()
    {
        QTest::addColumn<QString>("key"); // "-" for no key
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("english");
        QTest::newRow("en") << "en"
                            << "ja_JP" << true;
        QTest::newRow("EN with blanks") << " EN "
                                        << "ja_JP" << true;
        QTest::newRow("ja on an English system") << "ja"
                                                 << "en_US" << false;
        QTest::newRow("absent, English system") << "-"
                                                << "en_GB" << true;
        QTest::newRow("absent, Japanese system") << "-"
                                                 << "ja_JP" << false;
        QTest::newRow("absent, German system") << "-"
                                               << "de_DE" << false;
        QTest::newRow("unknown value follows the system") << "fr"
                                                          << "en_US" << true;
    }
    void languageChosen()
    {
        QFETCH(QString, key);
        QFETCH(QString, system);
        QFETCH(bool, english);
        fakes::SettingsStore store;
        if (key != "-")
            store.setText("Settings", "Language", key);
        QCOMPARE(language::chosen(store, QLocale(system)) == language::Language::English, english);
    }

    // The site's words: translated, or both with Bilingual=1; the files keep the Japanese.
    void stateWords()
    {
        QCOMPARE(language::stateWord(QStringLiteral("作業中止")), QStringLiteral("STOP"));
        QCOMPARE(site::caption(site::Work::Stop, false), QStringLiteral("作業中止"));
        QVERIFY(language::install(language::Language::Japanese, true));
        QCOMPARE(language::stateWord(QStringLiteral("作業中止")), QStringLiteral("作業中止 STOP"));
        QCOMPARE(language::stateWord(QStringLiteral("通常")), QStringLiteral("通常 NORMAL"));
        QVERIFY(language::install(language::Language::Japanese, false));
        QCOMPARE(language::stateWord(QStringLiteral("作業中止")), QStringLiteral("作業中止"));
        QVERIFY(language::install(language::Language::English));
    }

    // The main window in every layout, connected, with the rule on and a storm latched;
    // then each window it opens.
    // Under a stop with the crane out of service, in all six layouts: STOP is the
    // headword on red, the latches' line beneath it in English, at least 40 % of its size.
    void aStopWithItsLatchesInEnglish()
    {
        SiteWindow site(strippicture::kLatchesUnderStop);
        fakes::World &world = site.world;
        frmMain &w = *site.w;
        w.mnuFileCom_Click();
        world.port.receive(frame("0120", "0120", "0095", "0095"));
        world.timer.fire();
        for (const char *size : {"mnuViewMax", "mnuViewMin"})
            for (const char *view : {"mnuViewMalti", "mnuViewPeak", "mnuViewAve"}) {
                w.menuItem(size)->trigger();
                w.menuItem(view)->trigger();
                display::ReadingPanel *panel = w.readingPanel();
                const QString text = panel->siteStripText();
                QVERIFY2(text.startsWith("STOP  ") && text.contains("\nOUT OF SERVICE  ") &&
                             japaneseIn({text.section('\n', 0, 0)}).isEmpty(),
                         qPrintable(text));
                const QString wrong =
                    strippicture::fault(*panel, QByteArray(size) == "mnuViewMax" ? 45 : 22);
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong + " in " + size + " " + view));
            }
    }

    void everyWindowInEnglish()
    {
        SiteWindow site;
        fakes::World &world = site.world;
        frmMain &w = *site.w;
        QStringList found;
        // Every state word of the status bar whole in its panel.
        for (const QString &t :
             {texts::linkLive(), texts::linkStopped(), texts::linkReconnecting()}) {
            w.SetStatusText(2, t);
            found << cutTexts(w.statusBar());
        }
        for (const QString &t : {texts::fileRunning(), texts::fileStopped()}) {
            w.SetStatusText(1, t);
            found << cutTexts(w.statusBar());
        }
        // The outputs' panel names the output that spoke in the interface's language.
        for (const char *output : {"Mqtt", "Notify", "StayAwake", "Port"}) {
            emit w.session().outputStatus(QString::fromLatin1(output), QStringLiteral("x"));
            found << japaneseIn({w.findChild<QLabel *>("sbPanelOutputs")->accessibleName()});
        }
        w.mnuFileCom_Click();
        world.port.receive(frame("0310", "0310", "0095", "0095"));
        world.timer.fire();
        for (const char *size : {"mnuViewMax", "mnuViewMin"})
            for (const char *view : {"mnuViewMalti", "mnuViewPeak", "mnuViewAve"}) {
                w.menuItem(size)->trigger();
                w.menuItem(view)->trigger();
                found << japaneseIn(visibleTexts(&w)) << cutTexts(w.statusBar());
                // Each caption whole inside its label.
                for (QLabel *l : w.findChildren<QLabel *>(QRegularExpression("^Label\\d$")))
                    if (l->isVisible())
                        QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <=
                                     l->contentsRect().width(),
                                 qPrintable(l->text() + " in " + size));
            }
        QVERIFY2(w.readingPanel()->siteStripText().startsWith("INSPECT  Storm 31.0 m/s"),
                 qPrintable(w.readingPanel()->siteStripText()));
        for (QMenu *m : w.findChildren<QMenu *>())
            found << japaneseIn(visibleTexts(m));
        w.mnuViewTrend_Click();
        QVERIFY(w.trendWindow());
        found << japaneseIn(visibleTexts(w.trendWindow()));
        // What the chart paints: the lines' and the alarm bands' names in its legend.
        const auto charts = w.trendWindow()->findChildren<TrendChart *>();
        QVERIFY(!charts.isEmpty());
        for (TrendChart *c : charts) {
            QVERIFY(c->legendNames().size() >= 8);
            found << japaneseIn(c->legendNames());
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(" | ")));

        dlgInspection inspection(
            {{{site::Latch::Crane, QStringLiteral("Inspection after the storm")}}, {}}, &w);
        inspection.show();
        QVERIFY2(japaneseIn(visibleTexts(&inspection)).isEmpty(),
                 qPrintable(japaneseIn(visibleTexts(&inspection)).join(" | ")));
    }

    void dialogsInEnglish()
    {
        resetGlobals();
        FileDialog files;
        frmOptions options(settingsFromGlobals(), &files, [](int n) { return QString::number(n); });
        options.show();
        QStringList texts = visibleTexts(&options);
        // Each language is offered in its own name, so that its reader finds it.
        const QStringList own = {QStringLiteral("日本語")};
        QVERIFY2(japaneseIn(texts, own).isEmpty(), qPrintable(japaneseIn(texts, own).join(" | ")));
        QStringList cut;
        for (int page = 0; page < 4; ++page) {
            options.findChild<QTabWidget *>()->setCurrentIndex(page);
            cut << cutTexts(&options)
                << cutLabels(
                       options.findChild<QWidget *>(QStringLiteral("picOptions(%1)").arg(page)));
        }

        // The site's page: its text whole, nothing over another.
        cut << overlapping(options.findChild<QWidget *>(QStringLiteral("picOptions(2)")));

        fakes::MessageBox boxes;
        frmAbout about(nullptr, nullptr, &boxes);
        about.Form_Load();
        texts = visibleTexts(&about);
        QVERIFY2(japaneseIn(texts).isEmpty(), qPrintable(japaneseIn(texts).join(" | ")));
        about.show();
        cut << cutTexts(&about);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(" | ")));
    }

    // A day's records with its events and figures.
    void historyInEnglish()
    {
        QTemporaryDir dir;
        const QStringList files = knownday::write(dir.path(), knownday::at(0, 0, 0),
                                                  knownday::at(23, 59, 59) + 1000, false);
        knownday::writeEvents(dir.path());
        fakes::MessageBox boxes;
        FileDialog dialog;
        frmHistory::Services s;
        s.fileDialog = &dialog;
        s.messageBox = &boxes;
        s.read = &platform::readWholeFile;
        s.settings.site.enabled = true;
        frmHistory w(s);
        w.show();
        QSignalSpy loaded(&w, &frmHistory::loaded);
        QStringList paths = files;
        paths << QDir(dir.path())
                     .entryList({"*_events_*.csv"}, QDir::Files)
                     .replaceInStrings(QRegularExpression("^"), dir.path() + "/");
        w.open(paths);
        QVERIFY(loaded.wait(20000));
        const QStringList texts = visibleTexts(&w);
        QVERIFY2(japaneseIn(texts, {QStringLiteral("山田")}).isEmpty(),
                 qPrintable(japaneseIn(texts, {QStringLiteral("山田")}).join(" | ")));
        QVERIFY(texts.join('\n').contains("Max gust"));
    }
};

QTEST_MAIN(TstEnglish)
#include "tst_english.moc"
