#include "settings_dialog/frm_options.h"

#include "base/geometry.h"
#include "base/globals.h"
#include "base/language.h"
#include "base/resources.h"
#include "base/settings.h"
#include "platform/file_dialog.h"
#include "settings_dialog/focus_ring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <array>

using namespace basSubMain;

QString frmOptions::mFocusText;
qint16 frmOptions::mColumnMask = 0;

void frmOptions::resetState()
{
    mFocusText.clear();
    mColumnMask = 0;
}

namespace {
constexpr int kMaskOf[5] = {1, 2, 4, 8, 16};
// Language= of each item of cmbLanguage: the system's, Japanese, English.
const char *const kLanguageCodes[3] = {"", "ja", "en"};
const QStringList kSpeeds = {QStringLiteral("9600"), QStringLiteral("19200"),
                             QStringLiteral("38400")};
bool isEnter(QEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return false;
    const int k = static_cast<QKeyEvent *>(e)->key();
    return k == Qt::Key_Return || k == Qt::Key_Enter;
}
} // namespace

frmOptions::frmOptions(const basSubMain::Settings &settings, platform::FileDialog *fileDialog,
                       std::function<QString(int)> devicePath, QWidget *owner)
    : QDialog(owner), m_settings(settings), m_fileDialog(fileDialog),
      m_devicePath(std::move(devicePath))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    initResources();
    setFont(japaneseFont(9));
    build();
    Form_Load();
}

QCheckBox *frmOptions::chkFileOf(int index) const
{
    for (int i = 0; i < 5; ++i)
        if (kMaskOf[i] == index)
            return chkFile[size_t(i)];
    return nullptr;
}

void frmOptions::build()
{
    auto label = [](QWidget *parent, const QString &name, const QString &text, QRect twips) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        moveTwips(l, twips);
        // Help texts wrap in their box, and grow down to the lines they need (there is
        // room below each); a short caption grows to fit rather than be cut.
        if (name.startsWith(QLatin1String("lblMessage"))) {
            l->setWordWrap(true);
            l->resize(l->width(), qMax(l->height(), l->heightForWidth(l->width())));
        } else if (l->sizeHint().width() > l->width())
            l->resize(l->sizeHint().width(), qMax(l->height(), l->sizeHint().height()));
        return l;
    };
    auto icon = [](QWidget *parent, const QString &name) {
        auto *l = new QLabel(parent);
        l->setObjectName(name);
        l->setPixmap(programIcon(QStringLiteral("app")).pixmap(32, 32));
        moveTwips(l, QRect(120, 120, 480, 480));
    };
    auto fixedValue = [](QWidget *parent, const QString &name, const QString &text, QRect twips) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Base));
        l->setPalette(pal);
        l->setFont(japaneseFont(9.75));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        moveTwips(l, twips);
    };

    // The tab strip is drawn first so that the pages lie over its body.
    tbsOptions = new QTabWidget(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->addTab(new QWidget, QCoreApplication::translate("frmOptions", "通信設定"));
    tbsOptions->addTab(new QWidget, QCoreApplication::translate("frmOptions", "出力設定"));
    tbsOptions->addTab(new QWidget, QCoreApplication::translate("frmOptions", "現場設定"));
    tbsOptions->addTab(new QWidget, QCoreApplication::translate("frmOptions", "表示設定"));
    moveTwips(tbsOptions, QRect(120, 120, 5895, 4245));

    auto *page0 = new QWidget(this);
    page0->setObjectName(QStringLiteral("picOptions(0)"));
    moveTwips(page0, QRect(240, 480, 5685, 3780));
    auto *page1 = new QWidget(this);
    page1->setObjectName(QStringLiteral("picOptions(1)"));
    moveTwips(page1, QRect(6120, 480, 5685, 3795));
    auto *page2 = new QWidget(this);
    page2->setObjectName(QStringLiteral("picOptions(2)"));
    moveTwips(page2, QRect(-20000, 480, 5685, 3795));
    auto *page3 = new QWidget(this);
    page3->setObjectName(QStringLiteral("picOptions(3)"));
    moveTwips(page3, QRect(-20000, 480, 5685, 3795));
    picOptions = {page0, page1, page2, page3};
    buildSitePage(page2);

    // Communication page.
    icon(page0, QStringLiteral("imgIcon(0)"));
    label(page0, QStringLiteral("lblMessage(0)"),
          QCoreApplication::translate("frmOptions", "  ｺﾝﾋﾟｭｰﾀのｼﾘｱﾙﾎﾟｰﾄの設定を行います。"),
          QRect(840, 120, 3375, 255));
    label(page0, QStringLiteral("lblMessage(1)"),
          QCoreApplication::translate(
              "frmOptions",
              "  "
              "風速計の通信速度の初期値は19200bps、その他は固定値で、ﾃﾞｰﾀ長8、ﾊﾟﾘﾃｨｰなし"
              "、ｽﾄｯﾌﾟﾋﾞｯﾄ1です。"),
          QRect(840, 360, 4695, 375));
    label(page0, QStringLiteral("lblTaitle(0)"),
          QCoreApplication::translate("frmOptions", "接続ﾎﾟｰﾄ："), QRect(2040, 1260, 975, 255));
    cmbPort =
        makeControl<QComboBox>(page0, QStringLiteral("cmbPort"), QRect(3120, 1200, 1695, 300));
    label(page0, QStringLiteral("lblTaitle(1)"),
          QCoreApplication::translate("frmOptions", "通信速度："), QRect(2040, 1740, 975, 255));
    cmbSpeed =
        makeControl<QComboBox>(page0, QStringLiteral("cmbSpeed"), QRect(3120, 1680, 1695, 300));
    label(page0, QStringLiteral("Label2"), QStringLiteral("bps"), QRect(4920, 1800, 270, 180));
    label(page0, QStringLiteral("lblTaitle(2)"),
          QCoreApplication::translate("frmOptions", "ﾃﾞｰﾀ長："), QRect(2040, 2220, 975, 255));
    fixedValue(page0, QStringLiteral("Label1"),
               QCoreApplication::translate("frmOptions", " 8 ﾋﾞｯﾄ"), QRect(3120, 2160, 1695, 300));
    label(page0, QStringLiteral("lblTaitle(3)"),
          QCoreApplication::translate("frmOptions", "ﾊﾟﾘﾃｨﾋﾞｯﾄ："), QRect(2040, 2700, 975, 255));
    fixedValue(page0, QStringLiteral("Label3"), QCoreApplication::translate("frmOptions", " なし"),
               QRect(3120, 2640, 1695, 300));
    label(page0, QStringLiteral("lblTaitle(4)"),
          QCoreApplication::translate("frmOptions", "ｽﾄｯﾌﾟﾋﾞｯﾄ："), QRect(2040, 3180, 975, 255));
    fixedValue(page0, QStringLiteral("Label4"),
               QCoreApplication::translate("frmOptions", " 1 ﾋﾞｯﾄ"), QRect(3120, 3120, 1695, 300));
    // Below the line settings, in the captions' column: reconnect by itself after the
    // meter fell silent or its port failed.
    chkReconnect =
        makeControl<QCheckBox>(page0, QStringLiteral("chkReconnect"), QRect(2040, 3480, 3375, 255),
                               QCoreApplication::translate("frmOptions", "自動再接続"));

    // File-output page.
    icon(page1, QStringLiteral("imgIcon(1)"));
    label(page1, QStringLiteral("lblMessage(2)"),
          QCoreApplication::translate("frmOptions",
                                      "  通信で取り込んだﾃﾞｰﾀの出力ﾌｧｲﾙ名を指定します。"),
          QRect(840, 120, 4575, 255));
    label(page1, QStringLiteral("lblMessage(3)"),
          QCoreApplication::translate("frmOptions", "  出力ﾌｧｲﾙ形式はCSVﾌｧｲﾙ形式で出力されます。"),
          QRect(840, 360, 4575, 255));
    label(page1, QStringLiteral("lblTaitle(5)"),
          QCoreApplication::translate("frmOptions", "出力ﾌｧｲﾙ名："), QRect(480, 960, 1215, 255));
    txtFileName =
        makeControl<QLineEdit>(page1, QStringLiteral("txtFileName"), QRect(1680, 960, 3375, 270));
    cmdDirFile = makeControl<QPushButton>(page1, QStringLiteral("cmdDirFile"),
                                          QRect(5040, 960, 270, 270), QStringLiteral("..."));
    label(page1, QStringLiteral("lblTaitle(6)"),
          QCoreApplication::translate("frmOptions", "出力時間間隔："), QRect(360, 1440, 1215, 255));
    cmbTime =
        makeControl<QComboBox>(page1, QStringLiteral("cmbTime"), QRect(1680, 1440, 1455, 300));
    label(page1, QStringLiteral("lblMessage(4)"),
          QCoreApplication::translate("frmOptions", "  出力する項目を指定します。"),
          QRect(840, 2040, 4575, 255));
    label(page1, QStringLiteral("lblMessage(5)"),
          QCoreApplication::translate("frmOptions", "  少なくとも一つは選択してください。"),
          QRect(840, 2280, 4575, 255));
    const struct {
        const char *caption;
        QRect twips;
    } boxes[5] = {{QT_TRANSLATE_NOOP("frmOptions", "日時"), {1680, 2640, 1575, 180}},
                  {QT_TRANSLATE_NOOP("frmOptions", "瞬間風速"), {1680, 3000, 1575, 180}},
                  {QT_TRANSLATE_NOOP("frmOptions", "瞬間最大風速"), {3360, 3000, 1575, 180}},
                  {QT_TRANSLATE_NOOP("frmOptions", "平均風速"), {1680, 3360, 1575, 180}},
                  {QT_TRANSLATE_NOOP("frmOptions", "平均最大風速"), {3360, 3360, 1575, 180}}};
    for (int i = 0; i < 5; ++i) {
        auto *c = new QCheckBox(QCoreApplication::translate("frmOptions", boxes[i].caption), page1);
        c->setObjectName(QStringLiteral("chkFile(%1)").arg(kMaskOf[i]));
        moveTwips(c, boxes[i].twips);
        // The box is drawn taller than its design height so that its caption is not cut.
        c->resize(c->width(), qMax(c->height(), c->sizeHint().height()));
        c->move(c->x(), c->y() - (c->height() - qRound(twipsToPixelsY(c, 180))) / 2);
        chkFile[size_t(i)] = c;
        connect(c, &QCheckBox::stateChanged, this, [this] { chkFile_Click(); });
        c->installEventFilter(this);
    }

    // Display page: the interface's language, read when the program starts.
    icon(page3, QStringLiteral("imgIcon(3)"));
    label(page3, QStringLiteral("lblMessage(7)"),
          QCoreApplication::translate("frmOptions", "  画面の表示言語を選びます。"),
          QRect(840, 120, 4575, 255));
    label(page3, QStringLiteral("lblMessage(8)"),
          QCoreApplication::translate("frmOptions",
                                      "  変更はﾌﾟﾛｸﾞﾗﾑを次に起動したときから有効になります。"),
          QRect(840, 360, 4575, 375));
    label(page3, QStringLiteral("lblTaitle(7)"),
          QCoreApplication::translate("frmOptions", "表示言語："), QRect(480, 1260, 1215, 255));
    cmbLanguage =
        makeControl<QComboBox>(page3, QStringLiteral("cmbLanguage"), QRect(1680, 1200, 2655, 300));
    // The items in the order of kLanguageCodes; each language's name in itself.
    cmbLanguage->addItem(QCoreApplication::translate("frmOptions", "ｼｽﾃﾑに合わせる"));
    cmbLanguage->addItem(QStringLiteral("日本語"));
    cmbLanguage->addItem(QStringLiteral("English"));
    chkBilingual = makeControl<QCheckBox>(
        page3, QStringLiteral("chkBilingual"), QRect(480, 1740, 5085, 255),
        QCoreApplication::translate("frmOptions", "作業判定の語を日本語と英語で併記する"));
    connect(cmbLanguage, &QComboBox::currentIndexChanged, this,
            [this] { cmdApply->setEnabled(true); });
    connect(chkBilingual, &QCheckBox::toggled, this, [this] { cmdApply->setEnabled(true); });

    cmdOK = makeControl<QPushButton>(this, QStringLiteral("cmdOK"), QRect(2490, 4455, 1095, 375),
                                     QStringLiteral("OK"));
    cmdCancel =
        makeControl<QPushButton>(this, QStringLiteral("cmdCancel"), QRect(3720, 4455, 1095, 375),
                                 QCoreApplication::translate("frmOptions", "ｷｬﾝｾﾙ"));
    cmdApply =
        makeControl<QPushButton>(this, QStringLiteral("cmdApply"), QRect(4920, 4455, 1095, 375),
                                 QCoreApplication::translate("frmOptions", "適用"));
    // No default button: Enter in a field moves the focus; on a button it presses it.
    for (QPushButton *b : {cmdOK, cmdCancel, cmdApply, cmdDirFile}) {
        b->setAutoDefault(true);
        b->setDefault(false);
    }

    // A change of the reconnect choice is a change to apply.
    connect(chkReconnect, &QCheckBox::toggled, this, [this] { cmdApply->setEnabled(true); });
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdDirFile, &QPushButton::clicked, this, &frmOptions::cmdDirFile_Click);
    connect(tbsOptions, &QTabWidget::currentChanged, this, [this] {
        if (m_loaded)
            tbsOptions_Click();
    });
    for (QWidget *w : {static_cast<QWidget *>(cmbPort), static_cast<QWidget *>(cmbSpeed),
                       static_cast<QWidget *>(txtFileName), static_cast<QWidget *>(cmbTime)})
        w->installEventFilter(this);

    // Tab order over both pages, the buttons, then the tab strip.
    const QList<QWidget *> order = {
        cmbPort,        cmbSpeed,   chkReconnect, txtFileName, cmdDirFile, cmbTime,
        chkFile[0],     chkFile[1], chkFile[2],   chkFile[3],  chkFile[4], chkSite,
        spnSiteMinutes, spnCaution, spnStop,      spnStorm,    spnHold,    cmbLanguage,
        chkBilingual,   cmdOK,      cmdCancel,    cmdApply,    tbsOptions};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The pages lie beside the tab widget, not in it, so its own Ctrl+Tab reaches them
    // only from the tab strip: the dialog takes the keys wherever the focus is.
    auto turn = [this](int by) {
        const int n = tbsOptions->count();
        tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + by + n) % n);
    };
    for (const QKeySequence &next :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        connect(new QShortcut(next, this), &QShortcut::activated, this, [turn] { turn(1); });
    for (const QKeySequence &back : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                     QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        connect(new QShortcut(back, this), &QShortcut::activated, this, [turn] { turn(-1); });
    new FocusRing(this);
}

// ---- loading ----------------------------------------------------------------------

void frmOptions::Form_Load()
{
    CenterForm(this, 6255, 5445);
    // Its outer size once the window manager has framed it, as the main window.
    keepCentredOnFrame(this);
    setWindowTitle(QCoreApplication::translate("frmOptions", "設定操作"));
    LoadCommPage();
    LoadOutputPage();
    LoadSitePage();
    LoadViewPage();
    cmdApply->setEnabled(false);
    // Thresholds from the file that cannot be used are shown first, where they are mended.
    if (!lblSiteError->text().isEmpty())
        tbsOptions->setCurrentIndex(2);
    // Only the page in view takes the focus: the other one, placed beside it, would take
    // what is typed unseen.
    for (int i = 0; i < int(picOptions.size()); ++i)
        picOptions[size_t(i)]->setEnabled(i == tbsOptions->currentIndex());
    m_loaded = true;
}

void frmOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first control of the tab order takes the focus, so its focus rule runs first.
    cmbPort->setFocus(Qt::TabFocusReason);
}

void frmOptions::LoadCommPage()
{
    cmbPort->clear();
    cmbSpeed->clear();
    for (int i = 0; i < 16; ++i) {
        const qint16 n = gPortList[size_t(i)];
        if (n == 0)
            break;
        cmbPort->addItem(QStringLiteral("COM") + QString::number(n));
        if (m_devicePath)
            cmbPort->setItemData(i, m_devicePath(n), Qt::ToolTipRole);
        if (n == m_settings.port)
            cmbPort->setCurrentIndex(i);
    }
    if (cmbPort->currentIndex() < 0 && cmbPort->count() > 0)
        cmbPort->setCurrentIndex(0);

    cmbSpeed->addItems(kSpeeds);
    const QString speed = m_settings.comSt.section(QLatin1Char(','), 0, 0);
    int at = cmbSpeed->findText(speed, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0 && !speed.trimmed().isEmpty()) {
        // A stored speed the list does not offer is kept as a fourth item, so OK keeps it.
        cmbSpeed->addItem(speed);
        at = cmbSpeed->count() - 1;
    }
    cmbSpeed->setCurrentIndex(at);
    chkReconnect->setChecked(m_settings.reconnect);
}

void frmOptions::LoadOutputPage()
{
    bool failed = false;
    QStringList items;
    items.reserve(600);
    for (int n = 1; n <= 600; ++n)
        items << QString::number(n) + QCoreApplication::translate("frmOptions", "秒");
    cmbTime->addItems(items);
    txtFileName->setText(m_settings.fName);
    if (m_settings.fTime >= 1 && m_settings.fTime <= 600) {
        cmbTime->setCurrentIndex(m_settings.fTime - 1);
    } else {
        cmbTime->setCurrentIndex(-1);
        failed = m_settings.fTime != 0;
    }
    for (int i = 0; i < 5; ++i)
        chkFile[size_t(i)]->setChecked(m_settings.fOut & kMaskOf[i]);
    // A mask with no column is no usable selection: treat it as a failed load.
    if (failed || (m_settings.fOut & 31) == 0)
        for (QCheckBox *c : chkFile)
            c->setChecked(true);
}

// ---- the site page

void frmOptions::buildSitePage(QWidget *page)
{
    auto caption = [page](const QString &name, const QString &text, int top) {
        auto *l = new QLabel(text, page);
        l->setObjectName(name);
        moveTwips(l, QRect(360, top + 60, 1935, 255));
        if (l->sizeHint().width() > l->width())
            l->resize(l->sizeHint().width(), l->height());
    };
    auto *intro =
        new QLabel(QCoreApplication::translate(
                       "frmOptions",
                       "  10分間平均風速による作業中止と、瞬間風速が暴風の値をこえた後の点検要を"
                       "判定します。規則の基準は 10 m/s 以上で中止、30 m/s をこえる風の後に点検。"
                       "小さい値は現場独自のより厳しい基準です。"),
                   page);
    intro->setObjectName(QStringLiteral("lblMessage(6)"));
    intro->setWordWrap(true);
    moveTwips(intro, QRect(240, 60, 5205, 660));
    chkSite = makeControl<QCheckBox>(page, QStringLiteral("chkSite"), QRect(360, 720, 3375, 255),
                                     QCoreApplication::translate("frmOptions", "作業判定を使う"));
    const struct {
        const char *name;
        const char *text;
    } rows[5] = {{"lblSite(0)", QT_TRANSLATE_NOOP("frmOptions", "平均時間 (分)：")},
                 {"lblSite(1)", QT_TRANSLATE_NOOP("frmOptions", "注意 (m/s)：")},
                 {"lblSite(2)", QT_TRANSLATE_NOOP("frmOptions", "作業中止 (m/s)：")},
                 {"lblSite(3)", QT_TRANSLATE_NOOP("frmOptions", "暴風 (m/s をこえる)：")},
                 {"lblSite(4)", QT_TRANSLATE_NOOP("frmOptions", "解除まで (分)：")}};
    for (int i = 0; i < 5; ++i)
        caption(QString::fromLatin1(rows[i].name),
                QCoreApplication::translate("frmOptions", rows[i].text), 1080 + i * 420);
    auto minutes = [page](const QString &name, int top, int low, int high) {
        auto *b = makeControl<QSpinBox>(page, name, QRect(2400, top, 1215, 300));
        b->setRange(low, high);
        return b;
    };
    auto speed = [page](const QString &name, int top) {
        auto *b = makeControl<QDoubleSpinBox>(page, name, QRect(2400, top, 1215, 300));
        b->setDecimals(1);
        b->setSingleStep(0.5);
        b->setRange(basSubMain::SiteSettings::kMinSpeed / 10.0,
                    basSubMain::SiteSettings::kMaxSpeed / 10.0);
        return b;
    };
    using basSubMain::SiteSettings;
    spnSiteMinutes = minutes(QStringLiteral("spnSiteMinutes"), 1080, SiteSettings::kMinMinutes,
                             SiteSettings::kMaxMinutes);
    spnCaution = speed(QStringLiteral("spnCaution"), 1500);
    spnStop = speed(QStringLiteral("spnStop"), 1920);
    spnStorm = speed(QStringLiteral("spnStorm"), 2340);
    spnHold = minutes(QStringLiteral("spnHold"), 2760, 0, SiteSettings::kMaxHoldMinutes);
    lblSiteError = new QLabel(page);
    lblSiteError->setObjectName(QStringLiteral("lblSiteError"));
    lblSiteError->setWordWrap(true);
    QPalette pal = lblSiteError->palette();
    pal.setColor(QPalette::WindowText, QColor(176, 0, 0));
    lblSiteError->setPalette(pal);
    moveTwips(lblSiteError, QRect(360, 3450, 5085, 330));
    chkScaffold = makeControl<QCheckBox>(
        page, QStringLiteral("chkScaffold"), QRect(360, 3150, 5085, 255),
        QCoreApplication::translate("frmOptions", "作業中止の後に足場点検を求める"));
    connect(chkScaffold, &QCheckBox::toggled, this, &frmOptions::siteChanged);

    // Laid out from the top, so that nothing overlaps in either language: the introduction
    // at the height its lines need, then the check box, the five rows, the scaffolds' box
    // and the error, at the pitch the rest of the page allows (at most the designed one).
    intro->setFixedHeight(intro->heightForWidth(intro->width()));
    const int rowHeight = spnStop->height();
    const int used =
        chkSite->height() + 5 * rowHeight + chkScaffold->height() + lblSiteError->height();
    int y = intro->geometry().bottom() + 1;
    const int gap =
        qBound(2, (page->height() - y - used) / 9, qRound(twipsToPixelsY(page, 420)) - rowHeight);
    y += gap;
    chkSite->move(chkSite->x(), y);
    y += chkSite->height() + gap;
    const std::array<QWidget *, 5> boxes = {spnSiteMinutes, spnCaution, spnStop, spnStorm, spnHold};
    for (int i = 0; i < 5; ++i) {
        boxes[size_t(i)]->move(boxes[size_t(i)]->x(), y);
        if (auto *c = page->findChild<QLabel *>(QString::fromLatin1(rows[i].name)))
            c->move(c->x(), y + (rowHeight - c->height()) / 2);
        y += rowHeight + gap;
    }
    chkScaffold->move(chkScaffold->x(), y);
    y += chkScaffold->height() + gap;
    lblSiteError->move(lblSiteError->x(), y);

    connect(chkSite, &QCheckBox::toggled, this, &frmOptions::siteChanged);
    for (QSpinBox *b : {spnSiteMinutes, spnHold})
        connect(b, &QSpinBox::valueChanged, this, &frmOptions::siteChanged);
    for (QDoubleSpinBox *b : {spnCaution, spnStop, spnStorm})
        connect(b, &QDoubleSpinBox::valueChanged, this, &frmOptions::siteChanged);
}

void frmOptions::LoadSitePage()
{
    const basSubMain::SiteSettings &s = m_settings.site;
    const QSignalBlocker blocks[] = {QSignalBlocker(chkSite),    QSignalBlocker(spnSiteMinutes),
                                     QSignalBlocker(spnCaution), QSignalBlocker(spnStop),
                                     QSignalBlocker(spnStorm),   QSignalBlocker(spnHold)};
    const QSignalBlocker scaffold(chkScaffold);
    chkSite->setChecked(s.enabled);
    chkScaffold->setChecked(s.scaffold);
    spnSiteMinutes->setValue(s.minutes);
    spnCaution->setValue(s.caution / 10.0);
    spnStop->setValue(s.stop / 10.0);
    spnStorm->setValue(s.storm / 10.0);
    spnHold->setValue(s.holdMinutes);
    siteChanged();
}

basSubMain::SiteSettings frmOptions::siteFromPage() const
{
    // The name and what the page does not show stay as they were.
    basSubMain::SiteSettings s = m_settings.site;
    s.enabled = chkSite->isChecked();
    s.scaffold = chkScaffold->isChecked();
    s.minutes = spnSiteMinutes->value();
    s.caution = qRound(spnCaution->value() * 10);
    s.stop = qRound(spnStop->value() * 10);
    s.storm = qRound(spnStorm->value() * 10);
    s.holdMinutes = spnHold->value();
    return s;
}

void frmOptions::LoadViewPage()
{
    const QSignalBlocker blocks[] = {QSignalBlocker(cmbLanguage), QSignalBlocker(chkBilingual)};
    // A value the program does not know shows as the system's and is kept unless changed.
    const auto asked = language::fromCode(m_settings.language);
    const int index = !asked ? 0 : *asked == language::Language::Japanese ? 1 : 2;
    cmbLanguage->setCurrentIndex(index);
    m_loadedLanguage = index;
    chkBilingual->setChecked(m_settings.bilingual);
}

void frmOptions::siteChanged()
{
    const basSubMain::SiteSettings s = siteFromPage();
    // The values are edited while the rule is on; thresholds out of order cannot be kept.
    for (QWidget *w : std::initializer_list<QWidget *>{spnSiteMinutes, spnCaution, spnStop,
                                                       spnStorm, spnHold, chkScaffold})
        w->setEnabled(s.enabled);
    const QString error = s.enabled ? basSubMain::siteSettingsError(s) : QString();
    lblSiteError->setText(error);
    cmdOK->setEnabled(error.isEmpty() && mColumnMask != 0);
    if (m_loaded)
        cmdApply->setEnabled(error.isEmpty() && s != m_settings.site);
}

// ---- page switching, buttons --------------------------------------------------------

void frmOptions::tbsOptions_Click()
{
    for (int i = 0; i < tbsOptions->count(); ++i) {
        QWidget *page = picOptions[size_t(i)];
        QRect g = page->property("twipsGeometry").toRect();
        if (tbsOptions->currentIndex() == i) {
            g.moveLeft(240);
            moveTwips(page, g);
            page->setEnabled(true);
            const std::array<QWidget *, 4> first = {cmbPort, txtFileName, chkSite, cmbLanguage};
            first[size_t(i)]->setFocus(Qt::OtherFocusReason);
        } else {
            g.moveLeft(-20000);
            moveTwips(page, g);
            page->setEnabled(false);
        }
    }
}

void frmOptions::cmdApply_Click()
{
    // With no usable port the list is empty and the port stays as it was.
    const int portIndex = cmbPort->currentIndex();
    if (portIndex >= 0 && portIndex < 16 && m_settings.port != gPortList[size_t(portIndex)]) {
        m_settings.port = gPortList[size_t(portIndex)];
        // Another port: its adapter is identified when it is opened.
        m_settings.portId.clear();
    }
    m_settings.comSt = cmbSpeed->currentText().trimmed() + QStringLiteral(",n,8,1");
    m_settings.reconnect = chkReconnect->isChecked();
    m_settings.fName = txtFileName->text();
    m_settings.fOut = mColumnMask;
    m_settings.fTime = qint16(cmbTime->currentIndex() + 1);
    if (cmbLanguage->currentIndex() != m_loadedLanguage) {
        m_settings.language = QString::fromLatin1(kLanguageCodes[cmbLanguage->currentIndex()]);
        m_loadedLanguage = cmbLanguage->currentIndex();
    }
    m_settings.bilingual = chkBilingual->isChecked();
    // Thresholds out of order are not taken (OK is disabled while they are shown).
    const basSubMain::SiteSettings site = siteFromPage();
    if (!site.enabled || basSubMain::siteSettingsError(site).isEmpty())
        m_settings.site = site;
}

void frmOptions::cmdOK_Click()
{
    cmdApply_Click();
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

void frmOptions::chkFile_Click()
{
    qint16 mask = 0;
    for (int i = 0; i < 5; ++i)
        if (chkFile[size_t(i)]->isChecked())
            mask = qint16(mask + kMaskOf[i]);
    mColumnMask = mask;
    if (mask != 0) {
        cmdOK->setEnabled(lblSiteError->text().isEmpty());
        if (mask != m_settings.fOut)
            cmdApply->setEnabled(true);
    } else {
        cmdApply->setEnabled(false);
        cmdOK->setEnabled(false);
    }
}

void frmOptions::chkFile_LostFocus()
{
    if (mColumnMask != 0 && mColumnMask != m_settings.fOut)
        cmdApply->setEnabled(true);
}

void frmOptions::cmdDirFile_Click()
{
    if (!m_fileDialog)
        return;
    if (m_dlgInitialFolder.isEmpty())
        m_dlgInitialFolder = QDir::currentPath();
    const auto path = m_fileDialog->getOpenFileName(
        this, QCoreApplication::translate("frmOptions", "開く"),
        {QCoreApplication::translate("frmOptions", "csvﾌｧｲﾙ(*.csv)"),
         QCoreApplication::translate("frmOptions", "すべてのﾌｧｲﾙ (*.*)")},
        m_dlgInitialFolder);
    if (!path)
        return;
    txtFileName->setText(QDir::toNativeSeparators(*path));
    cmdApply->setEnabled(true);
}

// ---- focus and keys --------------------------------------------------------------------

void frmOptions::moveFocus(QWidget *target)
{
    // An Enter whose target is disabled leaves the focus where it is.
    if (target->isEnabled())
        target->setFocus(Qt::OtherFocusReason);
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event)
{
    const bool tracked = watched == cmbPort || watched == cmbSpeed || watched == txtFileName;
    if (tracked && event->type() == QEvent::FocusIn) {
        if (watched == txtFileName) {
            txtFileName->selectAll();
            // The line edit's own focus handling may move the cursor afterwards.
            QTimer::singleShot(0, txtFileName, &QLineEdit::selectAll);
            mFocusText = txtFileName->text();
        } else {
            mFocusText = static_cast<QComboBox *>(watched)->currentText();
        }
    } else if (tracked && event->type() == QEvent::FocusOut) {
        const QString now = watched == txtFileName
                                ? txtFileName->text()
                                : static_cast<QComboBox *>(watched)->currentText();
        if (now != mFocusText)
            cmdApply->setEnabled(true);
    } else if (event->type() == QEvent::FocusOut &&
               std::find(chkFile.begin(), chkFile.end(), watched) != chkFile.end()) {
        chkFile_LostFocus();
    } else if (isEnter(event)) {
        if (watched == cmbPort)
            moveFocus(cmbSpeed);
        else if (watched == cmbSpeed)
            moveFocus(cmdOK);
        else if (watched == txtFileName)
            moveFocus(cmbTime);
        else if (watched == cmbTime)
            moveFocus(chkFile[0]);
        else
            moveFocus(cmdOK);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
