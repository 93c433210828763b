#include "info/frm_browser.h"

#include "base/geometry.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

using namespace basSubMain;

frmBrowser::frmBrowser(const platform::BrowserFactory &makeView, QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmBrowser"));
    setModal(true);
    // A view that cannot be made leaves the window without it.
    try {
        if (makeView)
            m_view = makeView(this);
    } catch (...) {
        m_view.reset();
    }
    if (m_view && m_view->widget())
        m_view->widget()->setObjectName(QStringLiteral("brwWebBrowser"));
    Form_Load();
}

frmBrowser::~frmBrowser() = default;

QUrl frmBrowser::pageAddress()
{
    return QUrl(QStringLiteral("http://") + QStringLiteral(QV_MAKER_HOST) +
                QStringLiteral("/form1003.html"));
}

void frmBrowser::Form_Load()
{
    // Every step is tried on its own; a failing one is skipped.
    setWindowTitle(QCoreApplication::translate("frmBrowser", "問い合わせ"));
    CenterForm(this, 12540, 10500);
    // Its outer size once the window manager has framed it, as the main window.
    keepCentredOnFrame(this);
    if (!m_view || !m_view->widget()) {
        // Without the web engine module the window says so, and where the page is.
        auto *note = new QLabel(this);
        note->setObjectName(QStringLiteral("lblNoBrowser"));
        note->setWordWrap(true);
        note->setAlignment(Qt::AlignCenter);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        note->setText(QCoreApplication::translate(
                          "frmBrowser", "問い合わせﾍﾟｰｼﾞを表示する部品 (qv475-browser) が"
                                        "ｲﾝｽﾄｰﾙされていません。\n\n"
                                        "sudo apt-get install qv475-browser でｲﾝｽﾄｰﾙするか、"
                                        "次のﾍﾟｰｼﾞをﾌﾞﾗｳｻﾞで開いてください。\n%1")
                          .arg(pageAddress().toString()));
        note->setGeometry(rect().adjusted(20, 20, -20, -20));
        return;
    }
    try {
        const int w = width() - qRound(twipsToPixelsX(this, 100));
        const int h = height() - qRound(twipsToPixelsY(this, 100));
        m_view->widget()->setGeometry(0, 0, qMax(0, w), qMax(0, h));
        m_view->widget()->setProperty("twipsSize", QSize(12540 - 100, 10500 + 120 - 100));
    } catch (...) {}
    try {
        m_view->navigate(pageAddress());
    } catch (...) {}
}
