// The inquiry window with a recording view, and once with the real web engine offscreen.
#include "fakes.h"
#include "info/frm_browser.h"
#include "platform/browser_view.h"

#include <QLabel>
#include <QMessageBox>
#include <QtTest>

namespace {
struct RecordingView : platform::BrowserView {
    explicit RecordingView(QWidget *parent, QList<QUrl> *log)
        : m_widget(new QWidget(parent)), m_log(log)
    {}
    QWidget *widget() override { return m_widget; }
    void navigate(const QUrl &url) override { m_log->append(url); }
    QWidget *m_widget;
    QList<QUrl> *m_log;
};
} // namespace

class TstFrmBrowser : public QObject
{
    Q_OBJECT
private slots:
    void opensAndAsksForThePageEachTime()
    {
        QList<QUrl> asked;
        auto factory = [&asked](QWidget *parent) {
            return std::make_unique<RecordingView>(parent, &asked);
        };
        for (int i = 1; i <= 2; ++i) {
            frmBrowser w(factory);
            QCOMPARE(w.windowTitle(), QStringLiteral("問い合わせ"));
            QCOMPARE(w.property("twipsWidth").toDouble(), 12540.0);
            QCOMPARE(w.property("twipsHeight").toDouble(), 10620.0);
            QCOMPARE(asked.size(), i);
            QCOMPARE(asked.last().toString(),
                     QStringLiteral("http://" QV_MAKER_HOST "/form1003.html"));
            QWidget *view = w.brwWebBrowser()->widget();
            QCOMPARE(view->objectName(), QStringLiteral("brwWebBrowser"));
            QCOMPARE(view->pos(), QPoint(0, 0));
            const double px = w.logicalDpiX() / 1440.0;
            QCOMPARE(view->width(), w.width() - qRound(100 * px));
        }
    }

    void viewThatCannotBeMadeIsLeftOut()
    {
        frmBrowser none([](QWidget *) -> std::unique_ptr<platform::BrowserView> {
            throw std::runtime_error("no engine");
        });
        QCOMPARE(none.windowTitle(), QStringLiteral("問い合わせ"));
        QVERIFY(!none.brwWebBrowser());
        frmBrowser null([](QWidget *) { return std::unique_ptr<platform::BrowserView>(); });
        QVERIFY(!null.brwWebBrowser());
        // The window says plainly that the module is missing, and where the page is.
        for (frmBrowser *w : {&none, &null}) {
            auto *note = w->findChild<QLabel *>(QStringLiteral("lblNoBrowser"));
            QVERIFY(note);
            QVERIFY(note->text().contains(QStringLiteral("qv475-browser")));
            QVERIFY(note->text().contains(QStringLiteral("ｲﾝｽﾄｰﾙされていません")));
            QVERIFY(note->text().contains(frmBrowser::pageAddress().toString()));
            QVERIFY(w->rect().contains(note->geometry()));
        }
    }

    void realWebEngineWithoutNetwork()
    {
        QVERIFY(!platform::webEngineModuleLoaded());
        frmBrowser w(&platform::makeWebEngineView);
        QVERIFY2(w.brwWebBrowser(), "the browser module did not load");
        QVERIFY(platform::webEngineModuleLoaded());
        w.show();
        QWidget *view = w.brwWebBrowser()->widget();
        QCOMPARE(view->property("url").toUrl(), frmBrowser::pageAddress());
        QTest::qWait(300);
        // No message box of any kind appeared.
        QVERIFY(QApplication::topLevelWidgets().size() >= 1);
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox *>(top));
        w.close();
    }
};

QTEST_MAIN(TstFrmBrowser)
#include "tst_frm_browser.moc"
