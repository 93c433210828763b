#include "info/frm_about.h"

#include "base/geometry.h"
#include "base/resources.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using namespace basSubMain;

namespace {
// The dialog's design size outside (its client area is 5865 x 2625 twips).
constexpr double kOuterWidth = 5985;
constexpr double kOuterHeight = 2985;

const QString kRule = QStringLiteral(" ") + QString(57, QLatin1Char('-'));
constexpr quint32 kKeyRead = 0x20019; // KEY_READ
} // namespace

bool GetKeyValue(platform::Registry &registry, quintptr root, const QString &keyName,
                 const QString &valueName, QString &value)
{
    platform::Registry::Key key = 0;
    // Read access (KEY_READ) is all it needs; a normal user is refused more.
    if (registry.openKey(root, keyName, kKeyRead, &key) != platform::Registry::kSuccess) {
        value.clear();
        return false;
    }
    quint32 type = 0;
    QByteArray data;
    const long r = registry.queryValue(key, valueName, &type, &data, 1024);
    if (r != platform::Registry::kSuccess) {
        value.clear();
        registry.closeKey(key);
        return false;
    }
    if (const qsizetype nul = data.indexOf('\0'); nul >= 0)
        data.truncate(nul);
    if (type == platform::Registry::kTypeString) {
        value = QString::fromLocal8Bit(data);
    } else if (type == platform::Registry::kTypeNumber) {
        quint32 n = 0;
        for (int i = 0; i < qMin<qsizetype>(4, data.size()); ++i)
            n |= quint32(quint8(data[i])) << (8 * i);
        value = QString::number(n);
    }
    registry.closeKey(key);
    return true;
}

QString versionLabelText()
{
    return QCoreApplication::translate("frmAbout", "ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
        .arg(QV_VERSION_MAJOR)
        .arg(QV_VERSION_MINOR)
        .arg(QV_VERSION_PATCH);
}

frmAbout::frmAbout(platform::Registry *registry, platform::Launcher *launcher,
                   platform::MessageBox *messageBox, QWidget *owner)
    : QDialog(owner), m_registry(registry), m_launcher(launcher), m_messageBox(messageBox)
{
    initResources();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(japaneseFont(9));
    resize(qRound(twipsToPixelsX(this, kOuterWidth)), qRound(twipsToPixelsY(this, kOuterHeight)));

    auto label = [this](const QString &name, QRect twips) {
        auto *l = new QLabel(this);
        l->setObjectName(name);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        moveTwips(l, twips);
        return l;
    };
    picIcon = label(QStringLiteral("picIcon"), QRect(240, 240, 540, 540));
    picIcon->setPixmap(basSubMain::programIcon(QStringLiteral("app")).pixmap(picIcon->size()));
    lblTitle = label(QStringLiteral("lblTitle"), QRect(1050, 240, 4095, 345));
    lblTitle->setFont(japaneseFont(12));
    lblVersion = label(QStringLiteral("lblVersion"), QRect(1050, 660, 4095, 345));
    lblDescription = label(QStringLiteral("lblDescription"), QRect(1050, 1080, 4095, 345));
    lblDisclaimer = label(QStringLiteral("lblDisclaimer"), QRect(255, 1740, 3870, 825));

    // The etched separator: a grey line with a white one below it.
    auto *grey = new QFrame(this);
    grey->setObjectName(QStringLiteral("Line1(0)"));
    grey->setStyleSheet(QStringLiteral("background: rgb(128,128,128);"));
    moveTwips(grey, QRect(225, 1560, 5657 - 225, 15));
    auto *white = new QFrame(this);
    white->setObjectName(QStringLiteral("Line1(1)"));
    white->setStyleSheet(QStringLiteral("background: rgb(255,255,255);"));
    moveTwips(white, QRect(240, 1575, 5657 - 240, 15));

    cmdOK = makeControl<QPushButton>(this, QStringLiteral("cmdOK"), QRect(4245, 1740, 1467, 345),
                                     QStringLiteral("OK"));
    cmdSysInfo =
        makeControl<QPushButton>(this, QStringLiteral("cmdSysInfo"), QRect(4260, 2220, 1452, 345),
                                 QCoreApplication::translate("frmAbout", "ｼｽﾃﾑ情報(&S)..."));
    cndVer = makeControl<QPushButton>(this, QStringLiteral("cndVer"), QRect(4920, 600, 735, 345),
                                      QCoreApplication::translate("frmAbout", "履歴"));
    lstVer = new QListWidget(this);
    lstVer->setObjectName(QStringLiteral("lstVer"));
    lstVer->setSortingEnabled(false);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(cndVer, &QPushButton::clicked, this, &frmAbout::cndVer_Click);
    cmdOK->setDefault(true);
    Form_Load();
}

void frmAbout::Form_Load()
{
    CenterForm(this, kOuterWidth, kOuterHeight);
    // Its outer size once the window manager has framed it, as the main window.
    keepCentredOnFrame(this);
    setWindowTitle(QCoreApplication::translate("frmAbout", "ﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(versionLabelText());
    lblTitle->setText(QCoreApplication::translate("frmAbout", "QV-475簡易ソフト for WindowsXP"));
    lblDescription->setText(
        QCoreApplication::translate("frmAbout", "(C) 2026 QV-475簡易ソフト 開発ﾁｰﾑ"));
    lblDisclaimer->setText(QCoreApplication::translate(
        "frmAbout",
        "このﾌﾟﾛｸﾞﾗﾑは著作権法により保護されています。無断で複製・配布することを禁じます。"));

    lstVer->setVisible(false);
    moveTwips(lstVer, QRect(120, 120, 5535, 1320));
    static const char *const history[] = {
        QT_TRANSLATE_NOOP("frmAbout", " Ver履歴"),
        nullptr,
        " Ver1.00  2011/05/06",
        QT_TRANSLATE_NOOP("frmAbout", "   ●テスト版"),
        nullptr,
        " Ver1.01  2011/06/14",
        QT_TRANSLATE_NOOP("frmAbout", "   ●初版"),
        nullptr,
        " Ver1.02  2012/02/24",
        QT_TRANSLATE_NOOP("frmAbout", "   ●警報表示機能追加。"),
        nullptr,
        " Ver1.03  2013/05/17",
        QT_TRANSLATE_NOOP("frmAbout", "   ●ﾌｧｲﾙ名に日付けをつけて上書きをしないように修正。"),
        nullptr,
        " Ver1.04  2013/12/04",
        QT_TRANSLATE_NOOP("frmAbout", "   ●出力時間間隔が60秒以下の設定の時の不具合を修正。"),
    };
    for (const char *line : history)
        lstVer->addItem(line ? QCoreApplication::translate("frmAbout", line) : kRule);
    // Whole lines only, as a list box of integral height shows them: the box is cut down
    // to a whole number of rows, and scrolling ends with the last line whole.
    lstVer->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int row = lstVer->sizeHintForRow(0);
    if (row > 0) {
        const int frame = 2 * lstVer->frameWidth();
        const int rows = qMax(1, (lstVer->height() - frame) / row);
        lstVer->resize(lstVer->width(), rows * row + frame);
    }
}

void frmAbout::cndVer_Click()
{
    lstVer->setVisible(true);
    lstVer->raise();
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    const quintptr hklm = platform::Registry::kLocalMachine;
    QString path;
    bool found =
        GetKeyValue(*m_registry, hklm, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path);
    if (!found) {
        QString folder;
        if (GetKeyValue(*m_registry, hklm,
                        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                        QStringLiteral("MSINFO"), folder)) {
            path = folder + QStringLiteral("\\MSINFO32.EXE");
            found = m_launcher->fileExists(path);
        }
    }
    if (found && m_launcher->startDetached(path, {}))
        return;
    m_messageBox->show(
        this, QCoreApplication::translate("frmAbout", "現時点ではｼｽﾃﾑ情報を使用できません"),
        QStringLiteral("QV475_XP"), platform::MessageBox::Icon::None,
        platform::MessageBox::Buttons::Ok);
}
